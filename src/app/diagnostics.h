#pragma once

#include <QString>

#include <cstdio>

namespace fenban::app {

// What Qt and the libraries say for themselves (a driver's warning about a dead connection, a
// platform plugin's complaint about a runtime folder, libpq's and the workbook library's lines on the
// C standard error) is for the developer, not the teacher: it goes to the log file, one line per
// message with its time and category, and never into the teacher's terminal or a message box.

// The folder of the default database, where the log lives.
QString defaultLogFolder();

// The log file in `folder` (created 0700 if missing): "fenban.log", moved aside to "fenban.log.1"
// once it grows past logLimit, so it stays bounded.
QString logFilePath(const QString &folder);
inline constexpr qint64 logLimit = 1024 * 1024;

// Installs Qt's message handler, writing to the log in `folder`; messages are dropped when the log
// cannot be opened. Called first thing in main, before the application object exists.
void installMessageLog(const QString &folder);

// Points the C standard error at the log as well (at nothing when there is no log), for what the
// libraries print there directly, and returns a stream on the standard error as it was, for the
// program's own messages. Called once, after installMessageLog; the window program calls it after
// its command line is read, so that its own usage errors still reach the terminal.
std::FILE *divertStandardError();

} // namespace fenban::app
