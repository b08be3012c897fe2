#include "engine/balance_state.h"

#include "engine/rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <unordered_map>

namespace fenban {

namespace {

// Deviations a teacher accepts without a second look; each squared deviation is divided by the square of
// its own, so a figure at its goal costs 1 whatever its scale.
constexpr double subjectMeanGoal = 0.3;
constexpr double totalMeanGoal = 0.7;
constexpr double subjectSdGoal = 0.5;
constexpr double totalSdGoal = 1.5;
constexpr double bandGoal = 2.0;

// A pair of homophones in one class outweighs any number of count violations a single step can mend,
// so the search never trades one for the other.
constexpr long long pinyinPairWeight = 100;

// Groups up to this size are counted by looking at their members; larger ones keep counts per class.
constexpr std::size_t smallGroup = 32;

// Each student's closest students are sought among this many either side in order of total, and this
// many kept.
constexpr int neighbourWindow = 150;
constexpr std::size_t neighbourCount = 24;

int sexKind(std::string_view sex) {
    const std::string_view trimmed = trimBlanks(sex);
    if (trimmed == boyText)
        return 0;
    if (trimmed == girlText)
        return 1;
    return 2;
}

} // namespace

BalanceState::Bounds BalanceState::shareBounds(int cohortCount, int classCount) {
    return {cohortCount / classCount, (cohortCount + classCount - 1) / classCount};
}

BalanceState::BalanceState(const std::vector<StudentRow> &rows, int classCount,
                           const OptimiseOptions &options)
    : m_classCount(classCount) {
    const int students = static_cast<int>(rows.size());
    std::vector<std::size_t> measures;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        if (options.subjects[s])
            measures.push_back(s);
    }
    if (options.total)
        measures.push_back(totalMeasure);
    m_measures = static_cast<int>(measures.size());

    std::map<std::string, int> categories;
    for (const StudentRow &row : rows) {
        const std::string_view category = trimBlanks(row.pfType);
        if (!category.empty())
            categories.emplace(std::string(category), 0);
    }
    for (int number = 1; auto &[name, id] : categories)
        id = number++;
    m_categories = static_cast<int>(categories.size());

    m_class.assign(students, 0);
    m_sex.resize(students);
    m_category.resize(students);
    m_group.assign(students, -1);
    m_stratum.resize(students);
    m_value.resize(static_cast<std::size_t>(students) * m_measures);
    m_strata.assign(static_cast<std::size_t>(3 * (m_categories + 1)), {});

    std::unordered_map<std::string, std::vector<int>> pinyin;
    int placeable = 0;
    int sexTotals[2] = {0, 0};
    std::vector<int> categoryTotals(m_categories + 1, 0);
    for (int i = 0; i < students; ++i) {
        const StudentRow &row = rows[i];
        m_sex[i] = sexKind(row.sex);
        const std::string_view category = trimBlanks(row.pfType);
        m_category[i] = category.empty() ? 0 : categories.at(std::string(category));
        m_stratum[i] = m_sex[i] * (m_categories + 1) + m_category[i];
        const double total = rowTotal(row);
        for (int m = 0; m < m_measures; ++m) {
            const std::size_t measure = measures[m];
            m_value[static_cast<std::size_t>(i) * m_measures + m] =
                measure == totalMeasure ? total : row.scores[measure];
        }
        const bool inRange = row.classId >= 1 && row.classId <= classCount;
        if (keepsItsClass(row)) {
            // A student fixed to a class beyond the classes cannot be kept anywhere; it stays out of the
            // search.
            if (!inRange)
                continue;
            m_class[i] = row.classId;
        } else {
            m_class[i] = inRange ? row.classId : 0;
            m_movable.push_back(i);
            m_strata[m_stratum[i]].push_back(i);
        }
        ++placeable;
        if (m_sex[i] < 2)
            ++sexTotals[m_sex[i]];
        ++categoryTotals[m_category[i]];
        if (!row.pingyin.empty())
            pinyin[row.pingyin].push_back(i);
    }
    for (auto &[form, members] : pinyin) {
        if (members.size() < 2)
            continue;
        const int group = static_cast<int>(m_groupMembers.size());
        for (const int member : members)
            m_group[member] = group;
        m_groupMembers.push_back(std::move(members));
    }
    // Groups were numbered in hash order; number them by their first member so the search's course
    // does not depend on the hash function.
    std::vector<int> order(m_groupMembers.size());
    for (std::size_t g = 0; g < order.size(); ++g)
        order[g] = static_cast<int>(g);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return m_groupMembers[a].front() < m_groupMembers[b].front(); });
    std::vector<std::vector<int>> sorted;
    sorted.reserve(order.size());
    for (std::size_t g = 0; g < order.size(); ++g) {
        for (const int member : m_groupMembers[order[g]])
            m_group[member] = static_cast<int>(g);
        sorted.push_back(std::move(m_groupMembers[order[g]]));
    }
    m_groupMembers = std::move(sorted);

    findNeighbours(rows);
    resolveRules(rows, options.groups);
    m_groupCounts.assign(m_groupMembers.size(), {});

    m_sizeBounds = shareBounds(placeable, classCount);
    m_sexBounds[0] = shareBounds(sexTotals[0], classCount);
    m_sexBounds[1] = shareBounds(sexTotals[1], classCount);
    m_categoryBounds.assign(m_categories + 1, {});
    for (int c = 1; c <= m_categories; ++c)
        m_categoryBounds[c] = shareBounds(categoryTotals[c], classCount);

    // Targets are the whole cohort's figures.
    m_mean.assign(m_measures, 0.0);
    m_variance.assign(m_measures, 0.0);
    m_halfInverseSd.assign(m_measures, 0.0);
    m_meanWeight.resize(m_measures);
    m_sdWeight.resize(m_measures);
    for (int m = 0; m < m_measures; ++m) {
        const bool total = measures[m] == totalMeasure;
        const double meanGoal = total ? totalMeanGoal : subjectMeanGoal;
        const double sdGoal = total ? totalSdGoal : subjectSdGoal;
        m_meanWeight[m] = 1.0 / (meanGoal * meanGoal);
        m_sdWeight[m] = 1.0 / (sdGoal * sdGoal);
        if (students == 0)
            continue;
        double sum = 0.0;
        double squares = 0.0;
        for (int i = 0; i < students; ++i) {
            const double v = m_value[static_cast<std::size_t>(i) * m_measures + m];
            sum += v;
            squares += v * v;
        }
        m_mean[m] = sum / students;
        m_variance[m] = std::max(0.0, squares / students - m_mean[m] * m_mean[m]);
        const double sd = std::sqrt(m_variance[m]);
        m_halfInverseSd[m] = sd > 0.0 ? 0.5 / sd : 0.0;
    }

    if (options.bands) {
        for (std::size_t s = 0; s < subjectCount; ++s) {
            if (options.subjects[s])
                ++m_bandSubjects;
        }
    }
    m_band.resize(static_cast<std::size_t>(students) * m_bandSubjects);
    for (int k = 0, s = 0; k < m_bandSubjects; ++s) {
        if (!options.subjects[s])
            continue;
        int highest = 0;
        for (const StudentRow &row : rows)
            highest = std::max(highest, scoreBand(row.scores[s]));
        const int first = m_bandSlots;
        m_bandSlots += highest + 1;
        m_bandTarget.resize(m_bandSlots, 0.0);
        for (int i = 0; i < students; ++i) {
            const int slot = first + scoreBand(rows[i].scores[s]);
            m_band[static_cast<std::size_t>(i) * m_bandSubjects + k] = slot;
            m_bandTarget[slot] += 1.0;
        }
        ++k;
    }
    for (double &target : m_bandTarget)
        target /= classCount;
    m_bandWeight = 1.0 / (bandGoal * bandGoal);

    m_inverse.resize(static_cast<std::size_t>(students) + 2);
    m_inverse[0] = 0.0;
    for (std::size_t size = 1; size < m_inverse.size(); ++size)
        m_inverse[size] = 1.0 / static_cast<double>(size);

    setClasses(m_class);
}

void BalanceState::findNeighbours(const std::vector<StudentRow> &rows) {
    // Scores in units of each subject's spread, so that no subject's scale decides who is close.
    const int students = studentCount();
    std::array<double, subjectCount> scale{};
    for (std::size_t s = 0; s < subjectCount; ++s) {
        double sum = 0.0;
        double squares = 0.0;
        for (const StudentRow &row : rows) {
            sum += row.scores[s];
            squares += row.scores[s] * row.scores[s];
        }
        const double mean = students > 0 ? sum / students : 0.0;
        const double sd = students > 0 ? std::sqrt(std::max(0.0, squares / students - mean * mean)) : 0.0;
        scale[s] = sd > 0.0 ? 1.0 / sd : 0.0;
    }
    std::vector<double> totals(students);
    for (int i = 0; i < students; ++i)
        totals[i] = rowTotal(rows[i]);
    m_neighbours.assign(students, {});
    std::vector<std::pair<double, int>> near;
    for (std::vector<int> members : m_strata) {
        // Only students near in total are compared, which bounds the work for large strata.
        std::stable_sort(members.begin(), members.end(), [&](int a, int b) { return totals[a] < totals[b]; });
        const int count = static_cast<int>(members.size());
        for (int p = 0; p < count; ++p) {
            const int student = members[p];
            near.clear();
            for (int q = std::max(0, p - neighbourWindow); q < std::min(count, p + neighbourWindow + 1);
                 ++q) {
                if (q == p)
                    continue;
                const int other = members[q];
                double distance = 0.0;
                for (std::size_t s = 0; s < subjectCount; ++s) {
                    const double d = (rows[student].scores[s] - rows[other].scores[s]) * scale[s];
                    distance += d * d;
                }
                near.emplace_back(distance, other);
            }
            const std::size_t kept = std::min<std::size_t>(near.size(), neighbourCount);
            std::partial_sort(near.begin(), near.begin() + static_cast<std::ptrdiff_t>(kept), near.end());
            for (std::size_t k = 0; k < kept; ++k)
                m_neighbours[student].push_back(near[k].second);
        }
    }
}

void BalanceState::setClasses(const std::vector<int> &classes) {
    m_class = classes;
    const std::size_t k = static_cast<std::size_t>(m_classCount) + 1;
    m_size.assign(k, 0);
    m_sexCount.assign(k * 3, 0);
    m_categoryCount.assign(k * (m_categories + 1), 0);
    m_sum.assign(k * m_measures, 0.0);
    m_squares.assign(k * m_measures, 0.0);
    m_bandCount.assign(k * m_bandSlots, 0);
    m_measureCost.assign(k * m_measures, 0.0);
    m_classBandCost.assign(k, 0.0);
    for (int i = 0; i < studentCount(); ++i) {
        const int c = m_class[i];
        if (c == 0)
            continue;
        ++m_size[c];
        ++m_sexCount[c * 3 + m_sex[i]];
        ++m_categoryCount[c * (m_categories + 1) + m_category[i]];
        for (int m = 0; m < m_measures; ++m) {
            const double v = m_value[static_cast<std::size_t>(i) * m_measures + m];
            m_sum[c * m_measures + m] += v;
            m_squares[c * m_measures + m] += v * v;
        }
        for (int b = 0; b < m_bandSubjects; ++b)
            ++m_bandCount[c * m_bandSlots + m_band[static_cast<std::size_t>(i) * m_bandSubjects + b]];
    }
    for (std::size_t g = 0; g < m_groupMembers.size(); ++g) {
        if (m_groupMembers[g].size() <= smallGroup)
            continue;
        m_groupCounts[g].assign(k, 0);
        for (const int member : m_groupMembers[g])
            ++m_groupCounts[g][m_class[member]];
    }
    refreshCost();
}

double BalanceState::classSoft(int cls) const {
    double cost = 0.0;
    for (int m = 0; m < m_measures; ++m)
        cost += m_measureCost[cls * m_measures + m];
    return cost + m_classBandCost[cls];
}

int BalanceState::classHardCounts(int cls) const {
    int violations = outside(m_size[cls], m_sizeBounds);
    violations += outside(m_sexCount[cls * 3], m_sexBounds[0]);
    violations += outside(m_sexCount[cls * 3 + 1], m_sexBounds[1]);
    for (int c = 1; c <= m_categories; ++c)
        violations += outside(m_categoryCount[cls * (m_categories + 1) + c], m_categoryBounds[c]);
    return violations;
}

void BalanceState::refreshCost() {
    m_cost = {};
    for (int c = 1; c <= m_classCount; ++c) {
        for (int m = 0; m < m_measures; ++m) {
            const std::size_t at = static_cast<std::size_t>(c) * m_measures + m;
            m_measureCost[at] = measureCost(m, m_sum[at], m_squares[at], m_size[c]);
        }
        double bands = 0.0;
        for (int slot = 0; slot < m_bandSlots; ++slot)
            bands += bandCost(slot, m_bandCount[c * m_bandSlots + slot]);
        m_classBandCost[c] = bands;
        m_cost.soft += classSoft(c);
        m_cost.hard += classHardCounts(c);
    }
    m_cost.hard += pinyinPairWeight * pinyinPairs();
    m_ruleCost = 0;
    for (int rule = 0; rule < ruleCount(); ++rule)
        m_ruleCost += ruleCost(rule);
    m_cost.hard += m_ruleCost;
}

int BalanceState::pinyinCount(int group, int cls) const {
    if (!m_groupCounts[group].empty())
        return m_groupCounts[group][cls];
    int count = 0;
    for (const int member : m_groupMembers[group])
        count += m_class[member] == cls ? 1 : 0;
    return count;
}

long long BalanceState::pinyinPairs() const {
    long long pairs = 0;
    std::vector<int> perClass(static_cast<std::size_t>(m_classCount) + 1);
    for (const auto &members : m_groupMembers) {
        std::fill(perClass.begin(), perClass.end(), 0);
        for (const int member : members)
            ++perClass[m_class[member]];
        for (int c = 1; c <= m_classCount; ++c)
            pairs += static_cast<long long>(perClass[c]) * (perClass[c] - 1) / 2;
    }
    return pairs;
}

int BalanceState::countViolations(int cls, int sizeChange, int sex0, int sex1, int category,
                                  int categoryChange, int category2, int category2Change) const {
    // Change of the class's count violations when its size changes by sizeChange, sex `sex0` loses one and
    // `sex1` gains one (either may be -1 for none), and the two categories change by their amounts.
    int change = 0;
    if (sizeChange != 0)
        change += outside(m_size[cls] + sizeChange, m_sizeBounds) - outside(m_size[cls], m_sizeBounds);
    if (sex0 != sex1) {
        if (sex0 >= 0 && sex0 < 2) {
            const int count = m_sexCount[cls * 3 + sex0];
            change += outside(count - 1, m_sexBounds[sex0]) - outside(count, m_sexBounds[sex0]);
        }
        if (sex1 >= 0 && sex1 < 2) {
            const int count = m_sexCount[cls * 3 + sex1];
            change += outside(count + 1, m_sexBounds[sex1]) - outside(count, m_sexBounds[sex1]);
        }
    }
    if (category == category2) {
        categoryChange += category2Change;
        category2Change = 0;
    }
    if (category > 0 && categoryChange != 0) {
        const int count = m_categoryCount[cls * (m_categories + 1) + category];
        change += outside(count + categoryChange, m_categoryBounds[category]) -
                  outside(count, m_categoryBounds[category]);
    }
    if (category2 > 0 && category2Change != 0) {
        const int count = m_categoryCount[cls * (m_categories + 1) + category2];
        change += outside(count + category2Change, m_categoryBounds[category2]) -
                  outside(count, m_categoryBounds[category2]);
    }
    return change;
}

BalanceState::Cost BalanceState::moveDelta(int student, int to) const {
    Cost delta;
    const int from = m_class[student];
    if (from == to)
        return delta;
    const double *value = m_value.data() + static_cast<std::size_t>(student) * m_measures;
    const int *band = m_band.data() + static_cast<std::size_t>(student) * m_bandSubjects;
    const int sex = m_sex[student];
    const int category = m_category[student];
    const int group = m_group[student];
    for (const int cls : {from, to}) {
        if (cls == 0)
            continue;
        const int sign = cls == from ? -1 : 1;
        const int size = m_size[cls] + sign;
        for (int m = 0; m < m_measures; ++m) {
            const std::size_t at = static_cast<std::size_t>(cls) * m_measures + m;
            delta.soft += measureCost(m, m_sum[at] + sign * value[m],
                                      m_squares[at] + sign * value[m] * value[m], size) -
                          m_measureCost[at];
        }
        for (int b = 0; b < m_bandSubjects; ++b) {
            const int count = m_bandCount[cls * m_bandSlots + band[b]];
            delta.soft += bandCost(band[b], count + sign) - bandCost(band[b], count);
        }
        delta.hard +=
            countViolations(cls, sign, sign < 0 ? sex : -1, sign > 0 ? sex : -1, category, sign, 0, 0);
        if (group >= 0) {
            const int count = pinyinCount(group, cls);
            delta.hard += pinyinPairWeight * (sign < 0 ? -(count - 1) : count);
        }
    }
    if (!m_rulesOf.empty() && !m_rulesOf[student].empty())
        delta.hard += ruleDelta(student, to, -1, 0);
    return delta;
}

BalanceState::Cost BalanceState::replaceDelta(int cls, int out, int in) const {
    Cost delta;
    const double *x = m_value.data() + static_cast<std::size_t>(out) * m_measures;
    const double *y = m_value.data() + static_cast<std::size_t>(in) * m_measures;
    for (int m = 0; m < m_measures; ++m) {
        const double shift = y[m] - x[m];
        const double squares = y[m] * y[m] - x[m] * x[m];
        if (shift == 0.0 && squares == 0.0)
            continue;
        const std::size_t at = static_cast<std::size_t>(cls) * m_measures + m;
        delta.soft +=
            measureCost(m, m_sum[at] + shift, m_squares[at] + squares, m_size[cls]) - m_measureCost[at];
    }
    const int *bandOut = m_band.data() + static_cast<std::size_t>(out) * m_bandSubjects;
    const int *bandIn = m_band.data() + static_cast<std::size_t>(in) * m_bandSubjects;
    const int *counts = m_bandCount.data() + static_cast<std::size_t>(cls) * m_bandSlots;
    for (int k = 0; k < m_bandSubjects; ++k) {
        const int slotOut = bandOut[k];
        const int slotIn = bandIn[k];
        if (slotOut == slotIn)
            continue;
        const int countOut = counts[slotOut];
        const int countIn = counts[slotIn];
        delta.soft += bandCost(slotOut, countOut - 1) - bandCost(slotOut, countOut) +
                      bandCost(slotIn, countIn + 1) - bandCost(slotIn, countIn);
    }
    if (m_sex[out] != m_sex[in] || m_category[out] != m_category[in])
        delta.hard += countViolations(cls, 0, m_sex[out], m_sex[in], m_category[out], -1, m_category[in], 1);
    const int groupOut = m_group[out];
    const int groupIn = m_group[in];
    if (groupOut != groupIn) {
        if (groupOut >= 0)
            delta.hard -= pinyinPairWeight * (pinyinCount(groupOut, cls) - 1);
        if (groupIn >= 0)
            delta.hard += pinyinPairWeight * pinyinCount(groupIn, cls);
    }
    return delta;
}

BalanceState::Cost BalanceState::swapDelta(int first, int second) const {
    Cost delta = replaceDelta(m_class[first], first, second) + replaceDelta(m_class[second], second, first);
    if (!m_rulesOf.empty() && (!m_rulesOf[first].empty() || !m_rulesOf[second].empty()))
        delta.hard += ruleDelta(first, m_class[second], second, m_class[first]);
    return delta;
}

void BalanceState::move(int student, int to) {
    const Cost delta = moveDelta(student, to);
    const int from = m_class[student];
    if (from == to)
        return;
    if (!m_rulesOf.empty() && !m_rulesOf[student].empty())
        m_ruleCost += ruleDelta(student, to, -1, 0);
    const double *value = m_value.data() + static_cast<std::size_t>(student) * m_measures;
    const int *band = m_band.data() + static_cast<std::size_t>(student) * m_bandSubjects;
    for (const int cls : {from, to}) {
        if (cls == 0)
            continue;
        const int sign = cls == from ? -1 : 1;
        m_size[cls] += sign;
        m_sexCount[cls * 3 + m_sex[student]] += sign;
        m_categoryCount[cls * (m_categories + 1) + m_category[student]] += sign;
        for (int m = 0; m < m_measures; ++m) {
            const std::size_t at = static_cast<std::size_t>(cls) * m_measures + m;
            m_sum[at] += sign * value[m];
            m_squares[at] += sign * value[m] * value[m];
            m_measureCost[at] = measureCost(m, m_sum[at], m_squares[at], m_size[cls]);
        }
        for (int b = 0; b < m_bandSubjects; ++b) {
            int &count = m_bandCount[cls * m_bandSlots + band[b]];
            m_classBandCost[cls] += bandCost(band[b], count + sign) - bandCost(band[b], count);
            count += sign;
        }
    }
    const int group = m_group[student];
    if (group >= 0 && !m_groupCounts[group].empty()) {
        --m_groupCounts[group][from];
        ++m_groupCounts[group][to];
    }
    m_class[student] = to;
    m_cost.hard += delta.hard;
    m_cost.soft += delta.soft;
}

void BalanceState::swap(int first, int second) {
    const int a = m_class[first];
    const int b = m_class[second];
    // Two moves through "no class" give the same figures as the exchange.
    move(first, 0);
    move(second, a);
    move(first, b);
}

} // namespace fenban
