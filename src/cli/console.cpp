#include "cli/console.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fenban::cli {

#ifdef _WIN32

namespace {

bool isConsole(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
           GetConsoleMode(handle, &mode);
}

} // namespace

ConsoleEncoding::ConsoleEncoding() {
    // Output sent to a file or a pipe is UTF-8 already and no console is involved.
    if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE))
        return;
    m_output = GetConsoleOutputCP();
    m_input = GetConsoleCP();
    if (m_output != CP_UTF8 && !SetConsoleOutputCP(CP_UTF8))
        m_output = 0;
    if (m_input != CP_UTF8 && !SetConsoleCP(CP_UTF8))
        m_input = 0;
}

ConsoleEncoding::~ConsoleEncoding() {
    if (m_output != 0 && m_output != CP_UTF8)
        SetConsoleOutputCP(m_output);
    if (m_input != 0 && m_input != CP_UTF8)
        SetConsoleCP(m_input);
}

#else

ConsoleEncoding::ConsoleEncoding() = default;
ConsoleEncoding::~ConsoleEncoding() = default;

#endif

} // namespace fenban::cli
