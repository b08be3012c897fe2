#pragma once

#include "store/result.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace fenban::store {

// A project as it went into the target database.
struct CopiedProject {
    int id = 0;
    QString memo;
    qint64 students = 0;
};

// Told of each project once its rows are in the target, before anything is committed; answering
// false stops the copy, which then leaves the target as it was.
using CopyProgress = std::function<bool(const CopiedProject &)>;

// "复制已停止，目标数据库没有改变"
QString copyStoppedMessage();

// Copies every project of `from` into `to` (a file or a server database, either way round) with its
// numbers, catalogue row, settings, rules, history and both student tables, so that the school can
// move its data to a server and back. The target is written in one transaction and its row counts
// are checked against the source before it is committed; on any failure nothing is written. A
// target that already has a project with one of the source's numbers is refused, naming them;
// projects with other numbers stay.
Status copyDatabase(QSqlDatabase from, QSqlDatabase to, const CopyProgress &progress = {});

} // namespace fenban::store
