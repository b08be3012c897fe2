#include "exchange/sheets/sheet_file.h"

#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_limits.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenban::exchange {

namespace {

Result<QByteArray> failure(const QString &path, int error) {
    if (error == ENOENT || error == ENOTDIR)
        return Result<QByteArray>::failure(sheet_errors::missingFile(path));
    const QString reason =
        error == EACCES || error == EPERM ? QStringLiteral("没有读取权限") : QStringLiteral("无法打开文件");
    return Result<QByteArray>::failure(sheet_errors::unreadable(path, reason));
}

Result<QByteArray> notRegular(const QString &path, const struct stat &status) {
    if (S_ISDIR(status.st_mode))
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("这是一个文件夹")));
    return Result<QByteArray>::failure(sheet_errors::notRegularFile(path));
}

} // namespace

Result<QByteArray> readSheetFile(const QString &path, qint64 limit) {
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
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("无法打开文件")));
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return notRegular(path, status);

    const qint64 maxSize = sheet_limits::maxFileSize;
    const QString tooLarge = sheet_errors::tooLarge(path, sheet_limits::Limit::FileSize);
    if (status.st_size > maxSize)
        return Result<QByteArray>::failure(tooLarge);

    // The file may grow while it is read, so the cap is also kept while reading, a piece at a time.
    const qint64 wanted = limit < 0 ? maxSize + 1 : limit;
    QByteArray bytes;
    bytes.reserve(std::min<qint64>(wanted, status.st_size));
    while (bytes.size() < wanted) {
        const QByteArray piece = file.read(std::min<qint64>(wanted - bytes.size(), 1 << 20));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("读取时出错")));
    if (bytes.size() > maxSize)
        return Result<QByteArray>::failure(tooLarge);
    if (bytes.isEmpty())
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("文件是空的")));
    return Result<QByteArray>::success(std::move(bytes));
}

} // namespace fenban::exchange
