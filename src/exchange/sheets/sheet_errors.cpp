#include "exchange/sheets/sheet_errors.h"

#include <QDir>

namespace fenban::exchange::sheet_errors {

namespace {

QString shown(const QString &path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

QString missingFile(const QString &path) {
    return QStringLiteral("文件不存在: %1").arg(shown(path));
}

QString unreadable(const QString &path, const QString &reason) {
    return QStringLiteral("无法读取文件 %1: %2").arg(shown(path), reason);
}

QString corrupt(const QString &path) {
    return unreadable(path, QStringLiteral("文件已损坏或不是电子表格"));
}

QString encrypted(const QString &path) {
    return QStringLiteral("文件已加密: %1").arg(shown(path));
}

} // namespace fenban::exchange::sheet_errors
