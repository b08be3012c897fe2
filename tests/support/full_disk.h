#pragma once

#include "exchange/file_output.h"

#include <QByteArray>

#include <cerrno>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fenban::testing {

// A write step for exchange::replaceFile that behaves like a full disk: the bytes go to /dev/full,
// which refuses every write with ENOSPC.
// Windows has no such device; the step then fails as a full disk would, without writing.
inline int writeToFullDisk(int, const QByteArray &bytes) {
#ifdef _WIN32
    Q_UNUSED(bytes);
    return ENOSPC;
#else
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0)
        return errno;
    const int error = exchange::writeAll(full, bytes);
    ::close(full);
    return error;
#endif
}

} // namespace fenban::testing
