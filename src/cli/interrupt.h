#pragma once

#ifndef _WIN32
#include <csignal>
#endif

namespace fenban::cli {

// While it lives, Ctrl+C (SIGINT; on Windows also Ctrl+Break and closing the console window) does
// not end the program but is noted, so that a long run can stop at its next pass and leave the data
// whole; the handler that was there before comes back with its end. One at a time.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // Whether Ctrl+C came since the watch began.
    bool requested() const;

private:
#ifndef _WIN32
    struct sigaction m_previous {};
#endif
    bool m_installed = false;
};

} // namespace fenban::cli
