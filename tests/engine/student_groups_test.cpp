#include "engine/student_groups.h"

#include <gtest/gtest.h>

namespace fenban {
namespace {

std::vector<StudentRow> rowsInClasses(const std::vector<std::pair<std::int64_t, int>> &placed) {
    std::vector<StudentRow> rows;
    for (const auto &[id, classId] : placed) {
        StudentRow row;
        row.studentId = id;
        row.classId = classId;
        rows.push_back(row);
    }
    return rows;
}

TEST(StudentGroupsTest, ReportsBrokenRulesOnlyAmongPlacedStudents) {
    // 1,2 in class 1; 3 in class 2; 4 in class 2; 5 in no class.
    const auto rows = rowsInClasses({{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 0}});
    using Kind = StudentGroup::Kind;
    struct Case {
        StudentGroup group;
        std::vector<int> classes; // empty: honoured
    };
    const std::vector<Case> cases{
        {{Kind::Apart, {1, 3}}, {}},        {{Kind::Apart, {1, 2, 3, 4}}, {1, 2}},
        {{Kind::Apart, {1, 5}}, {}},  // one of them in no class
        {{Kind::Apart, {1, 99}}, {}}, // unknown number
        {{Kind::Together, {1, 2}}, {}},     {{Kind::Together, {1, 2, 5}}, {}},
        {{Kind::Together, {2, 3}}, {1, 2}}, {{Kind::Together, {3, 4, 99}}, {}},
    };
    for (const Case &c : cases) {
        const auto violations = groupViolations(rows, {c.group});
        if (c.classes.empty()) {
            EXPECT_TRUE(violations.empty()) << c.group.studentIds.size();
        } else {
            ASSERT_EQ(violations.size(), 1u);
            EXPECT_EQ(violations[0].group, 0u);
            EXPECT_EQ(violations[0].classIds, c.classes);
        }
    }
    const auto several = groupViolations(rows, {{Kind::Apart, {1, 3}}, {Kind::Together, {2, 4}}});
    ASSERT_EQ(several.size(), 1u);
    EXPECT_EQ(several[0].group, 1u);
}

} // namespace
} // namespace fenban
