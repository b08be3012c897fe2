#pragma once

namespace fenban::cli {

// While it lives, a console window the program writes to shows its UTF-8 output as Chinese (on
// Windows the console otherwise reads the bytes in the system's code page); with its end the
// console gets back the code pages it had. Nothing elsewhere: terminals there take UTF-8 as it is.
class ConsoleEncoding {
public:
    ConsoleEncoding();
    ~ConsoleEncoding();
    ConsoleEncoding(const ConsoleEncoding &) = delete;
    ConsoleEncoding &operator=(const ConsoleEncoding &) = delete;

private:
    unsigned m_output = 0;
    unsigned m_input = 0;
};

} // namespace fenban::cli
