#include "cli/interrupt.h"

#include <atomic>

namespace fenban::cli {

namespace {

// A lock-free atomic is one of the few things a signal handler may touch.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void noteInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
}

} // namespace

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

bool InterruptWatch::requested() const {
    return interrupted.load(std::memory_order_relaxed);
}

} // namespace fenban::cli
