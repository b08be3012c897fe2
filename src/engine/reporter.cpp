#include "engine/reporter.h"

namespace fenban {

Reporter::Reporter(const DivisionObserver &observer, long totalPasses)
    : observer_(observer), totalPasses_(totalPasses) {}

void Reporter::line(const std::string &text) const {
    if (observer_.message)
        observer_.message(text);
}

void Reporter::stopIfCancelled() const {
    if (observer_.cancelled && observer_.cancelled())
        throw RunCancelled{};
}

void Reporter::passDone() {
    ++donePasses_;
    if (observer_.progress)
        observer_.progress(donePasses_, totalPasses_);
}

} // namespace fenban
