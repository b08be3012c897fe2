#pragma once

#include "engine/division.h"

#include <cstdint>
#include <vector>

namespace fenban::cohort {

// A made-up intake the way schools' lists look: about half boys, 1% without a sex, 22% in three
// categories, nine correlated scores (语数英 out of 150, 体育 out of 60, the rest out of 100) of which 8%
// carry a half point, 2% of names repeated and 3% sounding like another student's. Pinyin forms stand
// for what the pinyin table would give. The same seed gives the same intake.
std::vector<StudentRow> intake(int students, std::uint32_t seed);

} // namespace fenban::cohort
