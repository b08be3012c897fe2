#pragma once

#include "engine/division.h"

#include <string>

namespace fenban {

// Thrown when the observer asks the run to stop; the run catches it and leaves the rows untouched.
struct RunCancelled {};

// The run's one way out to its observer: console lines, progress over fine-tuning passes, and
// the question whether to stop.
class Reporter {
public:
    Reporter(const DivisionObserver &observer, long totalPasses);

    void line(const std::string &text) const;
    // Throws RunCancelled when the observer says so.
    void stopIfCancelled() const;
    void passDone();

private:
    const DivisionObserver &m_observer;
    long m_totalPasses;
    long m_donePasses = 0;
};

} // namespace fenban
