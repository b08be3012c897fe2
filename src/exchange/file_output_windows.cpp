#include "exchange/file_output.h"

#include "common/device_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace fenban::exchange {

namespace {

std::wstring nativePath(const QString &path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

QString inUseText() {
    return QStringLiteral("文件正被其他程序使用（可能已在其他程序中打开），请先关闭它");
}

QString systemErrorText(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return fileErrorText(ENOSPC);
    case ERROR_ACCESS_DENIED:
        return fileErrorText(EACCES);
    case ERROR_WRITE_PROTECT:
        return fileErrorText(EROFS);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return fileErrorText(ENOENT);
    case ERROR_FILENAME_EXCED_RANGE:
        return fileErrorText(ENAMETOOLONG);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return inUseText();
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
        return fileErrorText(EIO);
    default:
        return qt_error_string(int(error)).trimmed();
    }
}

// A file some program has open without letting others delete it (a spreadsheet program with the
// workbook open) cannot be replaced, and Windows says only "access denied"; that is the likely cause
// unless the file is marked read-only, since the folder just took the temporary file.
QString replaceErrorText(DWORD error, const std::wstring &target) {
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return fileErrorText(EACCES);
        return inUseText();
    }
    return systemErrorText(error);
}

} // namespace

int writeAll(int fd, const QByteArray &bytes) {
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const unsigned piece = unsigned(std::min<qsizetype>(left, 1 << 30));
        const int written = _write(fd, data, piece);
        if (written < 0)
            return errno;
        data += written;
        left -= written;
    }
    return 0;
}

store::Status checkTarget(const QString &path) {
    if (isWindowsDeviceName(path))
        return writeFailure(path, notRegularFileText());
    const std::wstring native = nativePath(path);
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        // A missing file is fine, and a missing folder is named when the file is made there.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return store::Status::success();
        return writeFailure(path, systemErrorText(error));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return writeFailure(path, fileErrorText(EISDIR));
    // Opened for no access at all, only to ask what it is: a link may lead to a device.
    const HANDLE handle =
        CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return store::Status::success();
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool described = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (type != FILE_TYPE_DISK)
        return writeFailure(path, notRegularFileText());
    if (described && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return writeFailure(path, fileErrorText(EISDIR));
    return store::Status::success();
}

store::Status replaceFile(const QString &path, const QByteArray &bytes, const WriteStep &write) {
    if (const store::Status checked = checkTarget(path); !checked)
        return checked;
    const std::wstring target = nativePath(QFileInfo(path).absoluteFilePath());
    const QFileInfo info(path);

    // CREATE_NEW never opens a file or link already there; a name taken is tried again.
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate() % 0x1000000, 36);
        temporary = nativePath(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                               QLatin1Char('.') + suffix);
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return writeFailure(path, systemErrorText(GetLastError()));
    }
    if (handle == INVALID_HANDLE_VALUE)
        return writeFailure(path, systemErrorText(ERROR_FILE_EXISTS));
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileW(temporary.c_str());
        return writeFailure(path, fileErrorText(errno));
    }

    QString failed;
    if (const int error = write(fd, bytes))
        failed = fileErrorText(error);
    // Some file systems only report a full disk when the data reaches it.
    if (failed.isEmpty() && !FlushFileBuffers(handle))
        failed = systemErrorText(GetLastError());
    if (_close(fd) != 0 && failed.isEmpty())
        failed = fileErrorText(errno);
    // The replace itself is written through, so that after a crash the name holds the old file or
    // the new one, never a file cut short.
    if (failed.isEmpty() &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failed = replaceErrorText(GetLastError(), target);
    if (!failed.isEmpty()) {
        DeleteFileW(temporary.c_str());
        return writeFailure(path, failed);
    }
    return store::Status::success();
}

} // namespace fenban::exchange
