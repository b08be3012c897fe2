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

QString tooLarge(const QString &path, sheet_limits::Limit limit) {
    return unreadable(path,
                      QStringLiteral("文件过大，超出导入上限（%1）").arg(sheet_limits::describe(limit)));
}

QString notRegularFile(const QString &path) {
    return unreadable(path, QStringLiteral("不是普通文件"));
}

QString undecodableText(const QString &path, int line) {
    return unreadable(path, QStringLiteral("第 %1 行的文字既不是 UTF-8 也不是 GBK 编码，"
                                           "请在电子表格程序中另存为 UTF-8 编码的 CSV 后再导入")
                                .arg(line));
}

} // namespace fenban::exchange::sheet_errors
