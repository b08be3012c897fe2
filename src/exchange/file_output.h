#pragma once

#include "store/result.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace fenban::exchange {

// What a failed system call on a file means, in Chinese, from its error number.
QString fileErrorText(int error);

// "无法写入文件 <path>: <reason>", the path as the system shows it.
store::Status writeFailure(const QString &path, const QString &reason);

// The reason given for a target that is a device, a pipe or anything else but a file or a folder.
QString notRegularFileText();

// Writes all of `bytes` to the open descriptor `fd` (on Windows, a C runtime descriptor); gives the
// error number of the failed write, or 0.
int writeAll(int fd, const QByteArray &bytes);

// Refuses a target that exists but is not a regular file (a folder, a device, a pipe): writing a
// workbook there would replace the device node or block for ever. A missing file is fine.
store::Status checkTarget(const QString &path);

// How the bytes reach the temporary file: writeAll, except in tests that need a failing disk.
using WriteStep = std::function<int(int fd, const QByteArray &bytes)>;

// Puts `bytes` at `path` whole or not at all: they are written to a fresh temporary file in the same
// folder, created exclusively (so no file or link already there is used), given the permissions of
// the file being replaced (POSIX), flushed to disk and renamed over the target. On Windows a target
// another program holds open cannot be replaced; the message then says so. A failure names the file
// and the cause; the target is then as it was and no temporary file is left.
store::Status replaceFile(const QString &path, const QByteArray &bytes, const WriteStep &write = writeAll);

} // namespace fenban::exchange
