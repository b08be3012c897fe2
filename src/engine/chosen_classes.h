#pragma once

#include "engine/division.h"
#include "engine/optimiser.h"

#include <vector>

namespace fenban {

// Evens out the chosen classes (class numbers) among themselves: only their students take part, and
// they stay within those classes, so every other class and every student outside them is left as it
// is. The chosen classes' own students make the cohort the search measures against. Outcomes and hard
// rules as fenban::optimise; a keep-together group reaching beyond the chosen classes counts only with
// the members inside them.
OptimiseResult optimiseChosenClasses(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                                     const OptimiseOptions &options, const OptimiseObserver &observer = {});

} // namespace fenban
