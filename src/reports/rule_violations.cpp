#include "reports/rule_violations.h"

#include <QStringList>

namespace fenban::reports {

std::vector<RuleViolation> ruleViolations(const std::vector<StudentRow> &rows,
                                          const QList<store::StoredGroup> &groups) {
    std::vector<RuleViolation> found;
    for (const GroupViolation &violation : groupViolations(rows, store::toEngineGroups(groups))) {
        const store::StoredGroup &group = groups[qsizetype(violation.group)];
        found.push_back({group.id, group.kind, group.members, violation.classIds});
    }
    return found;
}

QString memberListText(const QList<store::GroupMember> &members) {
    QStringList parts;
    for (const store::GroupMember &member : members)
        parts.append(QString::number(member.studentId) + QLatin1Char(' ') + member.name);
    return parts.join(QStringLiteral("、"));
}

QString classListText(const std::vector<int> &classIds) {
    QStringList parts;
    for (const int classId : classIds)
        parts.append(QString::number(classId) + QStringLiteral("班"));
    return parts.join(QStringLiteral("、"));
}

QString ruleLine(const store::StoredGroup &group, const std::vector<int> &violatedIn) {
    QStringList fields{QString::number(group.id), store::groupKindText(group.kind),
                       memberListText(group.members)};
    if (!violatedIn.empty())
        fields.append(QStringLiteral("违反: ") + classListText(violatedIn));
    return fields.join(QLatin1Char('\t'));
}

QString ruleLine(const RuleViolation &violation) {
    return ruleLine({violation.groupId, violation.kind, violation.members}, violation.classIds);
}

} // namespace fenban::reports
