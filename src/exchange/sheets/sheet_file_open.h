#pragma once

#include "common/result.h"

#include <QString>

namespace fenban::exchange::sheet_file {

// A regular file opened for reading, as a C runtime descriptor, and its size when it was opened.
struct Opened {
    int descriptor = -1;
    qint64 size = 0;
};

// Opens `path` for reading only if it is a regular file on disk, asking before opening and again of
// what was opened (the name may have been replaced in between), without ever waiting for a writer;
// otherwise the message to show (missing, unreadable, a folder, not a regular file).
Result<Opened> openRegular(const QString &path);

// Closes a descriptor openRegular gave.
void closeDescriptor(int descriptor);

} // namespace fenban::exchange::sheet_file
