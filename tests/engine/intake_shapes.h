#pragma once

#include "engine/division.h"
#include "engine/student_groups.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fenban::cohort {

// An intake with the classes it is divided into and the teacher's groups, for balance measurements on
// more kinds of score lists than schools' usual ones.
struct ShapedIntake {
    std::string description; // one line: size, score shapes, categories, fixed students, groups
    int classes = 0;
    std::vector<StudentRow> rows;
    std::vector<StudentGroup> groups;
};

// Limits on the intakes shapedIntake draws.
struct ShapeLimits {
    int minClasses = 3;
    int maxClasses = 400;
    int minClassSize = 20;
    int maxClassSize = 60;
};

// An intake whose shape is drawn from the seed: per subject normal, skewed, ceiling-heavy, two-humped or
// coarsely tied scores, with half points and zeros for absent exams in some; 0–40% of students in up to
// four categories, one of them now and then held by a single student; fixed students (in their
// classes' sex and category shares), keep-apart and keep-together groups. The same seed gives the same
// intake.
ShapedIntake shapedIntake(std::uint32_t seed, const ShapeLimits &limits = {});

// A realistic intake (cohort::intake) of the given size, with no groups.
ShapedIntake realisticIntake(int students, int classes, std::uint32_t seed);

} // namespace fenban::cohort
