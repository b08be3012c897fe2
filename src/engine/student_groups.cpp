#include "engine/student_groups.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace fenban {

std::vector<GroupViolation> groupViolations(const std::vector<StudentRow> &rows,
                                            const std::vector<StudentGroup> &groups) {
    std::unordered_map<std::int64_t, int> classOf;
    classOf.reserve(rows.size());
    for (const StudentRow &row : rows)
        classOf.emplace(row.studentId, row.classId);

    std::vector<GroupViolation> violations;
    for (std::size_t index = 0; index < groups.size(); ++index) {
        std::map<int, int> members; // class -> members in it
        for (const std::int64_t id : groups[index].studentIds) {
            const auto found = classOf.find(id);
            if (found != classOf.end() && found->second > 0)
                ++members[found->second];
        }
        GroupViolation violation{index, {}};
        if (groups[index].kind == StudentGroup::Kind::Apart) {
            for (const auto &[classId, count] : members)
                if (count > 1)
                    violation.classIds.push_back(classId);
        } else if (members.size() > 1) {
            for (const auto &entry : members)
                violation.classIds.push_back(entry.first);
        }
        if (!violation.classIds.empty())
            violations.push_back(std::move(violation));
    }
    return violations;
}

} // namespace fenban
