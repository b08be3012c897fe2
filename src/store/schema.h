#pragma once

#include "store/location.h"
#include "store/result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace fenban::store {

// Names of a project's tables. They are built from the integer id only, never from stored or typed
// text, so no identifier in our SQL can carry anything but digits.
QString studentTableName(int projectId);
QString workTableName(int projectId);

// The statement that creates a student table (or a work table: the layout is the same). Rows are
// copied between such tables by position, so the twenty columns and their order are fixed.
QString createStudentTableSql(Backend backend, const QString &tableName);

// The twenty columns of a student table, in table order.
const QStringList &studentColumns();

// Creates the catalogue `qx_info`, the settings tables and the rule tables where they do not exist yet.
Status createFixedTables(QSqlDatabase db);

} // namespace fenban::store
