#pragma once

#include "engine/division.h"
#include "engine/pass.h"

#include <vector>

namespace fenban {

// The division run around the placement passes: reset, one pass per category over all classes,
// then one pass over everyone with the categories' and the fixed students' classes kept.
DivisionResult divideRows(std::vector<StudentRow> &rows, int numClass, const DivisionSettings &settings,
                          const DivisionObserver &observer, PassFunction pass);

// One pass over the rows of the chosen classes among those classes only.
DivisionResult redivideRows(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                            const DivisionSettings &settings, const DivisionObserver &observer,
                            PassFunction pass);

} // namespace fenban
