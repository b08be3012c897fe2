#include "exchange/file_output.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenban::exchange {

namespace {

// The permissions a newly created file gets. umask(2) can only be read by setting it, which would
// race with other threads creating files, so it is read from the process's status instead.
mode_t newFileMode() {
    mode_t mask = 022;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool isNumber = false;
                const uint value = line.mid(6).trimmed().toUInt(&isNumber, 8);
                if (isNumber)
                    mask = mode_t(value);
            }
        }
    }
    return 0666 & ~mask;
}

} // namespace

int writeAll(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        left -= written;
    }
    return 0;
}

store::Status checkTarget(const QString &path) {
    struct stat target {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0) {
        if (errno == ENOENT)
            return store::Status::success();
        return writeFailure(path, fileErrorText(errno));
    }
    if (!S_ISREG(target.st_mode))
        return writeFailure(path, S_ISDIR(target.st_mode) ? fileErrorText(EISDIR) : notRegularFileText());
    return store::Status::success();
}

store::Status replaceFile(const QString &path, const QByteArray &bytes, const WriteStep &write) {
    if (const store::Status checked = checkTarget(path); !checked)
        return checked;
    const QByteArray target = QFile::encodeName(path);
    mode_t mode = newFileMode();
    if (struct stat existing{}; ::stat(target.constData(), &existing) == 0)
        mode = existing.st_mode & 0777;

    const QFileInfo info(path);
    QByteArray temporary = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                             QStringLiteral(".XXXXXX"));
    // mkostemp opens with O_CREAT | O_EXCL: never an existing file, never through a link.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return writeFailure(path, fileErrorText(errno));
    int error = write(fd, bytes);
    if (!error && ::fchmod(fd, mode) != 0)
        error = errno;
    // Some file systems only report a full disk when the data reaches it.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    // rename(2) replaces the target in one step.
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return writeFailure(path, fileErrorText(error));
    }
    return store::Status::success();
}

} // namespace fenban::exchange
