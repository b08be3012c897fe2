#pragma once

#include "engine/division.h"

#include <cstdint>
#include <vector>

namespace fenban::cohort {

// The kind of student table to make up; every share is a probability per student.
struct Shape {
    int students = 40;
    int categories = 0;         // distinct pfType values
    double categoryShare = 0.2; // students that belong to one of them
    double fixedShare = 0.0;    // students fixed to a class (Placement::Fixed)
    int fixedClassLimit = 4;    // fixed students point at classes 1..this, which may lie beyond the pass
    double oddSexShare = 0.0;   // padded, empty or unknown sex texts
    double zeroShare = 0.0;     // scores of 0, as for a missed exam
    int pinyinValues = 0;       // 0: every student its own pingyin; else drawn from this many
    double leftoverShare = 0.5; // rows carrying classes and codes of an earlier run
};

// A made-up student table: scores are multiples of 0.5 within 0..100, spread around a per-student
// level the way exam results are; the same seed gives the same table.
std::vector<StudentRow> make(const Shape &shape, std::uint32_t seed);

} // namespace fenban::cohort
