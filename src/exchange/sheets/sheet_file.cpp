#include "exchange/sheets/sheet_file.h"

#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file_open.h"
#include "exchange/sheets/sheet_limits.h"

#include <QFile>

#include <algorithm>

namespace fenban::exchange {

Result<QByteArray> readSheetFile(const QString &path, qint64 limit) {
    const Result<sheet_file::Opened> opened = sheet_file::openRegular(path);
    if (!opened)
        return Result<QByteArray>::failure(opened.error());
    QFile file;
    if (!file.open(opened->descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        sheet_file::closeDescriptor(opened->descriptor);
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("无法打开文件")));
    }

    const qint64 maxSize = sheet_limits::maxFileSize;
    const QString tooLarge = sheet_errors::tooLarge(path, sheet_limits::Limit::FileSize);
    if (opened->size > maxSize)
        return Result<QByteArray>::failure(tooLarge);

    // The file may grow while it is read, so the cap is also kept while reading, a piece at a time.
    const qint64 wanted = limit < 0 ? maxSize + 1 : limit;
    QByteArray bytes;
    bytes.reserve(std::min<qint64>(wanted, opened->size));
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
