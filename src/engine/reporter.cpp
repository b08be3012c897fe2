#include "engine/reporter.h"

namespace fenban {

Reporter::Reporter(const DivisionObserver &observer, long totalPasses)
    : m_observer(observer), m_totalPasses(totalPasses) {}

void Reporter::line(const std::string &text) const {
    if (m_observer.message)
        m_observer.message(text);
}

void Reporter::stopIfCancelled() const {
    if (m_observer.cancelled && m_observer.cancelled())
        throw RunCancelled{};
}

void Reporter::passDone() {
    ++m_donePasses;
    if (m_observer.progress)
        m_observer.progress(m_donePasses, m_totalPasses);
}

} // namespace fenban
