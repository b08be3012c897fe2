#include "engine/balance_state.h"

#include <unordered_map>

namespace fenban {

namespace {

// A broken group weighs as much as a pair of homophones in one class: never traded for balance.
constexpr long long ruleWeight = 100;

} // namespace

void BalanceState::resolveRules(const std::vector<StudentRow> &rows,
                                const std::vector<StudentGroup> &groups) {
    if (groups.empty())
        return;
    const int students = studentCount();
    std::unordered_map<std::int64_t, int> rowOf;
    rowOf.reserve(rows.size());
    for (int i = 0; i < students; ++i)
        rowOf.emplace(rows[i].studentId, i);
    m_fixed.assign(students, 0);
    for (int i = 0; i < students; ++i)
        m_fixed[i] = keepsItsClass(rows[i]) ? 1 : 0;

    for (const StudentGroup &group : groups) {
        Rule rule{group.kind, {}};
        for (const std::int64_t id : group.studentIds) {
            const auto found = rowOf.find(id);
            if (found == rowOf.end())
                continue;
            const int student = found->second;
            // A student fixed beyond the classes is in none, whatever the search does.
            if (m_fixed[student] && m_class[student] == 0)
                continue;
            if (std::find(rule.members.begin(), rule.members.end(), student) == rule.members.end())
                rule.members.push_back(student);
        }
        if (rule.members.size() >= 2)
            m_rules.push_back(std::move(rule));
    }
    if (m_rules.empty())
        return;
    m_rulesOf.assign(students, {});
    for (int rule = 0; rule < ruleCount(); ++rule) {
        for (const int member : m_rules[rule].members)
            m_rulesOf[member].push_back(rule);
    }
}

long long BalanceState::ruleCostWith(int rule, int first, int firstTo, int second, int secondTo) const {
    const std::vector<int> &members = m_rules[rule].members;
    const auto classOf = [&](int student) {
        return student == first ? firstTo : student == second ? secondTo : m_class[student];
    };
    const std::size_t n = members.size();
    // Groups are a few students each, so counting pairwise beats keeping counts per class.
    if (m_rules[rule].kind == StudentGroup::Kind::Apart) {
        long long pairs = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const int cls = classOf(members[i]);
            if (cls == 0)
                continue;
            for (std::size_t j = i + 1; j < n; ++j)
                pairs += classOf(members[j]) == cls ? 1 : 0;
        }
        return ruleWeight * pairs;
    }
    // Measured against the class of the fixed members where there are any: measured against the
    // majority, a fixed member alone elsewhere would pull the others to it only across a plateau.
    long long placed = 0;
    int bestFixed = -1;
    long long bestCount = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int cls = classOf(members[i]);
        if (cls == 0)
            continue;
        ++placed;
        int count = 0;
        int fixed = 0;
        for (std::size_t j = 0; j < n; ++j) {
            if (classOf(members[j]) == cls) {
                ++count;
                fixed += m_fixed[members[j]];
            }
        }
        if (fixed > bestFixed || (fixed == bestFixed && count > bestCount)) {
            bestFixed = fixed;
            bestCount = count;
        }
    }
    return ruleWeight * (placed - bestCount);
}

int BalanceState::ruleClass(int rule) const {
    const std::vector<int> &members = m_rules[rule].members;
    int best = 0;
    int bestFixed = -1;
    int bestCount = 0;
    for (const int member : members) {
        const int cls = m_class[member];
        if (cls == 0)
            continue;
        int count = 0;
        int fixed = 0;
        for (const int other : members) {
            if (m_class[other] == cls) {
                ++count;
                fixed += m_fixed[other];
            }
        }
        if (fixed > bestFixed || (fixed == bestFixed && count > bestCount) ||
            (fixed == bestFixed && count == bestCount && cls < best)) {
            best = cls;
            bestFixed = fixed;
            bestCount = count;
        }
    }
    return best;
}

long long BalanceState::ruleDelta(int first, int firstTo, int second, int secondTo) const {
    long long change = 0;
    const std::vector<int> &firstRules = m_rulesOf[first];
    for (const int rule : firstRules)
        change += ruleCostWith(rule, first, firstTo, second, secondTo) - ruleCost(rule);
    if (second < 0)
        return change;
    for (const int rule : m_rulesOf[second]) {
        if (std::find(firstRules.begin(), firstRules.end(), rule) == firstRules.end())
            change += ruleCostWith(rule, first, firstTo, second, secondTo) - ruleCost(rule);
    }
    return change;
}

} // namespace fenban
