#include "exchange/sheets/sheet_file.h"

#include "exchange/sheets/sheet_errors.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace fenban::exchange {

using store::Result;

Result<QByteArray> readSheetFile(const QString &path, qint64 limit) {
    const QFileInfo info(path);
    if (!info.exists())
        return Result<QByteArray>::failure(sheet_errors::missingFile(path));
    if (info.isDir())
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("这是一个文件夹")));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString reason = file.error() == QFileDevice::PermissionsError ? QStringLiteral("没有读取权限")
                                                                             : QStringLiteral("无法打开文件");
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, reason));
    }
    const QString tooLarge = QStringLiteral("文件过大");
    if (file.size() > maxSheetFileSize)
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, tooLarge));

    // Devices and pipes report no size, so the cap is also kept while reading, a piece at a time.
    const qint64 wanted = limit < 0 ? maxSheetFileSize + 1 : limit;
    QByteArray bytes;
    bytes.reserve(std::min(wanted, file.size()));
    while (bytes.size() < wanted) {
        const QByteArray piece = file.read(std::min<qint64>(wanted - bytes.size(), 1 << 20));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (file.error() != QFileDevice::NoError)
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("读取时出错")));
    if (bytes.size() > maxSheetFileSize)
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, tooLarge));
    if (bytes.isEmpty())
        return Result<QByteArray>::failure(sheet_errors::unreadable(path, QStringLiteral("文件是空的")));
    return Result<QByteArray>::success(std::move(bytes));
}

} // namespace fenban::exchange
