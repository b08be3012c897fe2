#include "cli/interrupt.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fenban::cli {

namespace {

// A lock-free atomic is one of the few things a signal handler may touch.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32

// Set while no watch is running (and so at its end), for a console being closed to wait on.
HANDLE watchEnded() {
    static const HANDLE ended = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return ended;
}

// Runs on a thread of its own that the console starts.
BOOL WINAPI noteInterrupt(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        interrupted.store(true, std::memory_order_relaxed);
        return TRUE;
    case CTRL_CLOSE_EVENT:
        // Windows ends the process as soon as this returns (and a few seconds later in any case):
        // the run is asked to stop and given that time to leave the data whole.
        interrupted.store(true, std::memory_order_relaxed);
        if (const HANDLE ended = watchEnded())
            WaitForSingleObject(ended, 4000);
        return TRUE;
    default:
        return FALSE;
    }
}

#else

extern "C" void noteInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
}

#endif

} // namespace

#ifdef _WIN32

InterruptWatch::InterruptWatch() {
    interrupted = false;
    if (const HANDLE ended = watchEnded())
        ResetEvent(ended);
    // Handlers are stacked: removing ours brings back whatever was there before.
    m_installed = SetConsoleCtrlHandler(noteInterrupt, TRUE) != 0;
}

InterruptWatch::~InterruptWatch() {
    if (const HANDLE ended = watchEnded())
        SetEvent(ended);
    if (m_installed)
        SetConsoleCtrlHandler(noteInterrupt, FALSE);
}

#else

InterruptWatch::InterruptWatch() {
    interrupted = false;
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted so that a write to the terminal in progress is not failed by the signal.
    action.sa_flags = SA_RESTART;
    m_installed = sigaction(SIGINT, &action, &m_previous) == 0;
}

InterruptWatch::~InterruptWatch() {
    if (m_installed)
        sigaction(SIGINT, &m_previous, nullptr);
}

#endif

bool InterruptWatch::requested() const {
    return interrupted.load(std::memory_order_relaxed);
}

} // namespace fenban::cli
