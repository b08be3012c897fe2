#pragma once

#include <QString>

// The messages a reader gives the user. Each names the file, since the user may have picked the wrong one.
namespace fenban::exchange::sheet_errors {

QString missingFile(const QString &path);
QString unreadable(const QString &path, const QString &reason);
QString corrupt(const QString &path);
QString encrypted(const QString &path);

} // namespace fenban::exchange::sheet_errors
