#pragma once

#include "engine/division.h"
#include "engine/optimiser.h"
#include "engine/student_groups.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace fenban {

// Whether the search must leave a row in its class. A row fixed to no class (copied from a project
// that was never divided) is not held anywhere, so it is placed like any other.
inline bool keepsItsClass(const StudentRow &row) {
    return row.type == Placement::Fixed && row.classId > 0;
}

// The classes of one cohort as the optimiser sees them: every figure it balances kept up to date per
// class, so that the cost of a move or an exchange is worked out from the two classes it touches.
//
// Cost is two-level. `hard` counts what the rules forbid: students beyond the floor/ceiling of a
// class's size, boys, girls and category shares, and (weighted far above those) pairs of students with
// the same pinyin form in one class, and likewise each pair of a keep-apart group sharing a class and
// each member of a keep-together group outside the group's class. `soft` sums, per class, the squared
// deviations of means, spreads and band counts from the cohort's, each divided by the square of the deviation
// a teacher would accept.
class BalanceState {
public:
    BalanceState(const std::vector<StudentRow> &rows, int classCount, const OptimiseOptions &options);

    struct Cost {
        long long hard = 0;
        double soft = 0.0;
        Cost operator+(const Cost &other) const { return {hard + other.hard, soft + other.soft}; }
        bool operator<(const Cost &other) const {
            return hard != other.hard ? hard < other.hard : soft < other.soft;
        }
    };

    int classCount() const { return m_classCount; }
    int studentCount() const { return static_cast<int>(m_class.size()); }
    // Students the search may move, by row index.
    const std::vector<int> &movable() const { return m_movable; }
    // The movable students of one stratum (sex and category), by stratum number.
    const std::vector<int> &stratumMembers(int stratum) const { return m_strata[stratum]; }
    int stratumOf(int student) const { return m_stratum[student]; }
    // Movable students of the same stratum whose scores are closest to this one's: exchanging them is
    // the small step that fine balance needs, where exchanging two random students changes too much.
    const std::vector<int> &neighbours(int student) const { return m_neighbours[student]; }
    int classOf(int student) const { return m_class[student]; }
    const std::vector<int> &classes() const { return m_class; }
    int classSize(int cls) const { return m_size[cls]; }
    // Whether some classes are one larger than others, so that a single move can keep sizes within one.
    bool sizesUneven() const { return m_sizeBounds.lo != m_sizeBounds.hi; }
    Cost cost() const { return m_cost; }
    // Soft cost of one class: where the deviations a teacher sees are largest.
    double classSoft(int cls) const;
    // Students beyond the floor or ceiling of one class's size, boys, girls and category shares.
    int classHardCounts(int cls) const;

    // Change of cost if `student` joined class `to` (0 = no class) from where it is.
    Cost moveDelta(int student, int to) const;
    // Change of cost if two students of different classes changed places.
    Cost swapDelta(int first, int second) const;
    void move(int student, int to);
    void swap(int first, int second);

    // Pairs of students of one class sharing a pinyin form, over all classes.
    long long pinyinPairs() const;

    // The teacher's groups, by row index: only members the search knows (a number no row has, and a
    // student fixed beyond the classes, are left out), each group with two or more of them.
    int ruleCount() const { return static_cast<int>(m_rules.size()); }
    StudentGroup::Kind ruleKind(int rule) const { return m_rules[rule].kind; }
    const std::vector<int> &ruleMembers(int rule) const { return m_rules[rule].members; }
    // Hard cost of the groups' violations; 0 when every group is honoured.
    long long ruleCost() const { return m_ruleCost; }
    // Hard cost of one group: for keep-apart the pairs sharing a class, for keep-together the members
    // outside ruleClass.
    long long ruleCost(int rule) const { return ruleCostWith(rule, -1, 0, -1, 0); }
    // The class a keep-together group gathers in: the one holding most of its fixed members, among
    // those (or where there are none) the one holding most members, the lowest on a tie; 0 when no
    // member has a class.
    int ruleClass(int rule) const;
    // Whether a member of a group keeps its class (a fixed student).
    bool keepsClass(int student) const { return m_fixed[student] != 0; }
    // Recomputes the cost from the class figures, dropping rounding drift of the running sum.
    void refreshCost();
    void setClasses(const std::vector<int> &classes);

private:
    struct Bounds {
        int lo = 0;
        int hi = 0;
    };
    static int outside(int value, Bounds bounds) {
        return value < bounds.lo ? bounds.lo - value : value > bounds.hi ? value - bounds.hi : 0;
    }
    static Bounds shareBounds(int cohortCount, int classCount);
    void findNeighbours(const std::vector<StudentRow> &rows);

    // Soft cost of a class's measure with the given sums and size.
    double measureCost(int measure, double sum, double squares, int size) const {
        if (size == 0)
            return 0.0;
        // The spread's deviation is taken from the variance's, sd − σ ≈ (var − σ²) / 2σ near the
        // target, and sizes' inverses come from a table: no square root and no division, as this runs
        // for every figure of every step.
        const double inverse = m_inverse[size];
        const double mean = sum * inverse;
        const double variance = squares * inverse - mean * mean;
        const double meanOff = mean - m_mean[measure];
        const double sdOff = (variance - m_variance[measure]) * m_halfInverseSd[measure];
        return shape(m_meanWeight[measure] * meanOff * meanOff) + shape(m_sdWeight[measure] * sdOff * sdOff);
    }
    double classMeasureCost(int cls, int size, const double *sums, const double *squares) const;
    double bandCost(int slot, int count) const {
        const double off = count - m_bandTarget[slot];
        return shape(off * off * m_bandWeight);
    }
    // Cost of a squared deviation measured in goals (x = 1 at the goal): a gentle pull towards zero,
    // and a steep one past a margin below the goal, since a teacher looks at the worst class.
    static double shape(double squared) {
        // Past the margin the cost grows with the fourth power, and past twice the goal only in step
        // with the deviation: a deviation no division can mend (a few absent students' zeros in a narrow
        // subject) would otherwise outweigh every other figure, and the search would trade them all
        // for it.
        const double past = squared - shapeMargin * shapeMargin;
        if (past <= 0.0)
            return squared;
        if (past <= shapeFar)
            return squared + shapeSteepness * past * past;
        // Far past: on with the slope in the deviation itself, so that every goal's worth of deviation
        // costs the same, however far off (the square root is rarely reached once the classes even out).
        return farCost + farSlope * (std::sqrt(squared) - 2.0);
    }
    // Share of its goal past which a deviation starts to cost steeply, and how steeply; and how far
    // past the margin (in squared goals) the steep part goes: to twice the goal.
    static constexpr double shapeMargin = 0.7;
    static constexpr double shapeSteepness = 20.0;
    static constexpr double shapeFar = 4.0 - shapeMargin * shapeMargin;
    static constexpr double farCost = 4.0 + shapeSteepness * shapeFar * shapeFar;
    // d/dx of x² + steepness (x² − margin²)² at x = 2.
    static constexpr double farSlope = 4.0 * (1.0 + 2.0 * shapeSteepness * shapeFar);
    // Hard cost of the counts (not pinyin) of one class for the given sex, category and size changes.
    int countViolations(int cls, int size, int sex0, int sex1, int category, int categoryChange,
                        int category2, int category2Change) const;
    int pinyinCount(int group, int cls) const;
    // Change of cost of one class if student `out` (of the class) were replaced by `in` (of another).
    Cost replaceDelta(int cls, int out, int in) const;
    void resolveRules(const std::vector<StudentRow> &rows, const std::vector<StudentGroup> &groups);
    // A group's cost were `first` in class `firstTo` and `second` in `secondTo` (-1: nobody).
    long long ruleCostWith(int rule, int first, int firstTo, int second, int secondTo) const;
    // Change of the groups' cost were the two students in those classes.
    long long ruleDelta(int first, int firstTo, int second, int secondTo) const;

    int m_classCount = 0;
    int m_measures = 0;  // balanced measures per student
    int m_bandSlots = 0; // band counters per class, all balanced subjects together
    int m_categories = 0;
    std::vector<int> m_class;    // per student: 1..K, 0 for none
    std::vector<int> m_sex;      // per student: 0 boy, 1 girl, 2 other
    std::vector<int> m_category; // per student: 0 none, 1.. categories
    std::vector<int> m_group;    // per student: pinyin group, -1 when alone
    std::vector<int> m_stratum;  // per student: sex * (categories + 1) + category
    std::vector<double> m_value; // per student, m_measures values
    std::vector<int> m_band;     // per student, one band slot per balanced band subject
    int m_bandSubjects = 0;
    std::vector<int> m_movable;
    std::vector<std::vector<int>> m_strata;
    std::vector<std::vector<int>> m_neighbours;

    std::vector<std::vector<int>> m_groupMembers;
    std::vector<std::vector<int>> m_groupCounts; // per group: count per class when the group is large

    // Per class (index 0 unused: no class).
    std::vector<int> m_size;
    std::vector<int> m_sexCount;      // 3 per class
    std::vector<int> m_categoryCount; // categories + 1 per class
    std::vector<double> m_sum;        // m_measures per class
    std::vector<double> m_squares;
    std::vector<int> m_bandCount;        // m_bandSlots per class
    std::vector<double> m_measureCost;   // m_measures per class
    std::vector<double> m_classBandCost; // per class

    // Targets.
    std::vector<double> m_mean;
    std::vector<double> m_inverse; // 1 / size, by size
    std::vector<double> m_variance;
    std::vector<double> m_halfInverseSd;
    std::vector<double> m_meanWeight;
    std::vector<double> m_sdWeight;
    std::vector<double> m_bandTarget; // per band slot
    double m_bandWeight = 0.0;
    Bounds m_sizeBounds;
    Bounds m_sexBounds[2];
    std::vector<Bounds> m_categoryBounds; // index 0 unused

    struct Rule {
        StudentGroup::Kind kind = StudentGroup::Kind::Apart;
        std::vector<int> members;
    };
    std::vector<Rule> m_rules;
    std::vector<std::vector<int>> m_rulesOf; // per student: its groups; empty without groups
    std::vector<char> m_fixed;               // per student: whether it keeps its class
    long long m_ruleCost = 0;

    Cost m_cost;
};

} // namespace fenban
