#pragma once

#include "engine/division.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenban {

// A teacher's rule about a few students: keep them in different classes, or in one class.
struct StudentGroup {
    enum class Kind { Apart, Together };
    Kind kind = Kind::Apart;
    std::vector<std::int64_t> studentIds; // two or more, each once

    bool operator==(const StudentGroup &) const = default;
};

// A group the classes do not honour. Students in no class (class 0) and numbers no row has are left
// out: a rule speaks only of students that are placed.
struct GroupViolation {
    std::size_t group = 0; // index into the groups checked
    // Apart: each class holding two or more of the group; together: every class holding one of them.
    std::vector<int> classIds; // ascending
};

std::vector<GroupViolation> groupViolations(const std::vector<StudentRow> &rows,
                                            const std::vector<StudentGroup> &groups);

} // namespace fenban
