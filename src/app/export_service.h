#pragma once

#include "store/result.h"

#include <QSqlDatabase>
#include <QString>

namespace fenban::app {

// Writes the project's students, class by class, to `path`: a .csv name gives UTF-8 CSV, any other
// an .xlsx workbook; the file appears whole or not at all. Gives how many students it holds.
store::Result<qsizetype> exportResult(QSqlDatabase db, int projectId, const QString &path);

} // namespace fenban::app
