#include "exchange/sheets/sheet_file_open.h"

#include "exchange/sheets/sheet_errors.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenban::exchange::sheet_file {

namespace {

Result<Opened> failure(const QString &path, int error) {
    if (error == ENOENT || error == ENOTDIR)
        return Result<Opened>::failure(sheet_errors::missingFile(path));
    const QString reason =
        error == EACCES || error == EPERM ? QStringLiteral("没有读取权限") : QStringLiteral("无法打开文件");
    return Result<Opened>::failure(sheet_errors::unreadable(path, reason));
}

Result<Opened> notRegular(const QString &path, const struct stat &status) {
    if (S_ISDIR(status.st_mode))
        return Result<Opened>::failure(sheet_errors::unreadable(path, QStringLiteral("这是一个文件夹")));
    return Result<Opened>::failure(sheet_errors::notRegularFile(path));
}

} // namespace

Result<Opened> openRegular(const QString &path) {
    const QByteArray native = QFile::encodeName(path);
    // Asked first, so that nothing is opened that is not a file; opening a pipe for reading would wait
    // for a writer.
    struct stat status {};
    if (::stat(native.constData(), &status) != 0)
        return failure(path, errno);
    if (!S_ISREG(status.st_mode))
        return notRegular(path, status);
    // Without blocking all the same, and checked again on what was opened: the name may have been
    // replaced by a pipe in between.
    const int descriptor = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return failure(path, errno);
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return notRegular(path, status);
    }
    return Result<Opened>::success({descriptor, qint64(status.st_size)});
}

void closeDescriptor(int descriptor) {
    ::close(descriptor);
}

} // namespace fenban::exchange::sheet_file
