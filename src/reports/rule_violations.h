#pragma once

#include "engine/division.h"
#include "engine/student_groups.h"
#include "store/student_groups.h"

#include <QList>
#include <QString>

#include <vector>

namespace fenban::reports {

// A keep-apart or keep-together rule the current classes break.
struct RuleViolation {
    int groupId = 0; // the rule's stored number
    StudentGroup::Kind kind = StudentGroup::Kind::Apart;
    QList<store::GroupMember> members;
    // Apart: each class holding two or more of them; together: every class holding one of them.
    std::vector<int> classIds;

    bool operator==(const RuleViolation &) const = default;
};

// The rules among `groups` that the rows' classes break, in the order of `groups`. Students in no class
// are left out, as the engine leaves them out.
std::vector<RuleViolation> ruleViolations(const std::vector<StudentRow> &rows,
                                          const QList<store::StoredGroup> &groups);

// "20260001 张三、20260002 李四".
QString memberListText(const QList<store::GroupMember> &members);
// "1班、3班".
QString classListText(const std::vector<int> &classIds);

// One rule as the lists print it, tab-separated: number, 分开/同班, the students, and where the
// classes break it "违反: 1班、3班".
QString ruleLine(const store::StoredGroup &group, const std::vector<int> &violatedIn = {});
QString ruleLine(const RuleViolation &violation);

} // namespace fenban::reports
