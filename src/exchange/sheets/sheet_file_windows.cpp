#include "exchange/sheets/sheet_file_open.h"

#include "common/device_names.h"
#include "exchange/sheets/sheet_errors.h"

#include <QDir>

#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace fenban::exchange::sheet_file {

namespace {

Result<Opened> failure(const QString &path, DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
        return Result<Opened>::failure(sheet_errors::missingFile(path));
    case ERROR_ACCESS_DENIED:
        return Result<Opened>::failure(sheet_errors::unreadable(path, QStringLiteral("没有读取权限")));
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return Result<Opened>::failure(
            sheet_errors::unreadable(path, QStringLiteral("文件正被其他程序独占使用，请先关闭它")));
    default:
        return Result<Opened>::failure(sheet_errors::unreadable(path, QStringLiteral("无法打开文件")));
    }
}

Result<Opened> folder(const QString &path) {
    return Result<Opened>::failure(sheet_errors::unreadable(path, QStringLiteral("这是一个文件夹")));
}

} // namespace

Result<Opened> openRegular(const QString &path) {
    // Asked by name first: opening CON or COM1 would read the console or a port.
    if (isWindowsDeviceName(path))
        return Result<Opened>::failure(sheet_errors::notRegularFile(path));
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD attributes = GetFileAttributesW(native.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failure(path, GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return folder(path);
    // Others may go on writing (a spreadsheet program holding the file open does), and the cap on
    // the size is kept while reading.
    const HANDLE handle = CreateFileW(native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failure(path, GetLastError());
    // Checked again on what was opened: the name may lead to a pipe or a device after all.
    BY_HANDLE_FILE_INFORMATION information{};
    LARGE_INTEGER size{};
    const bool onDisk = GetFileType(handle) == FILE_TYPE_DISK;
    const bool described =
        onDisk && GetFileInformationByHandle(handle, &information) && GetFileSizeEx(handle, &size);
    if (!onDisk || !described || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(handle);
        if (described)
            return folder(path);
        return Result<Opened>::failure(sheet_errors::notRegularFile(path));
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return failure(path, ERROR_INVALID_HANDLE);
    }
    return Result<Opened>::success({descriptor, qint64(size.QuadPart)});
}

void closeDescriptor(int descriptor) {
    _close(descriptor);
}

} // namespace fenban::exchange::sheet_file
