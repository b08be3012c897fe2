#include "exchange/file_output.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace fenban::exchange {

QString fileErrorText(int error) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("磁盘空间不足");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有写入权限");
    case EROFS:
        return QStringLiteral("文件系统只读");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    case EISDIR:
        return QStringLiteral("该路径是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

store::Status writeFailure(const QString &path, const QString &reason) {
    return store::Status::failure(
        QStringLiteral("无法写入文件 %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

QString notRegularFileText() {
    return QStringLiteral("该路径不是普通文件");
}

} // namespace fenban::exchange
