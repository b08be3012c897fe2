#pragma once

#include "exchange/file_output.h"

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fenban::testing {

// A write step for exchange::replaceFile that behaves like a full disk: the bytes go to /dev/full,
// which refuses every write with ENOSPC.
inline int writeToFullDisk(int, const QByteArray &bytes) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        return errno;
    const int error = exchange::writeAll(full, bytes);
    ::close(full);
    return error;
}

} // namespace fenban::testing
