#pragma once

#include "exchange/sheets/sheet_limits.h"

#include <QString>

// The messages a reader gives the user. Each names the file, since the user may have picked the wrong one.
namespace fenban::exchange::sheet_errors {

QString missingFile(const QString &path);
QString unreadable(const QString &path, const QString &reason);
QString corrupt(const QString &path);
QString encrypted(const QString &path);
QString tooLarge(const QString &path, sheet_limits::Limit limit);
QString notRegularFile(const QString &path);
// Text that is neither valid UTF-8 nor GBK from `line` (counted from 1) on.
QString undecodableText(const QString &path, int line);

} // namespace fenban::exchange::sheet_errors
