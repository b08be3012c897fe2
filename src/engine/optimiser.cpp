#include "engine/optimiser.h"

#include "engine/balance_state.h"
#include "engine/rules.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>

namespace fenban {

namespace {

// Steps the search takes per second of budget: about what one core of a school desktop does on a cohort
// of 3,000 students, so that a budget in seconds is roughly kept without reading the clock.
constexpr double stepsPerSecond = 1.0e6;
constexpr long long reportEvery = 1 << 16;
constexpr long long coolEvery = 1 << 10;
// Starting temperature as a share of the typical worsening.
constexpr double hotShare = 0.02;
// Share of the worsening proposals accepted at the start of the search and at its end; in between the
// share falls geometrically and the temperature follows it. A fixed schedule does not fit every intake:
// costs past a goal grow with the fourth power, so a typical worsening shrinks by orders of magnitude as
// the classes even out, faster on some intakes than on others.
constexpr double acceptFirst = 0.2;
constexpr double acceptLast = 2e-4;
// How far one round of steps may change the temperature.
constexpr double coolingGain = 0.3;
constexpr double coolingStep = 1.5;
// Share of the proposals that move a student of one of the classes that cost most, and the share of
// the classes counted as such: the teacher sees the worst class's figures.
constexpr double focusShare = 0.3;
constexpr int focusDivisor = 8;
// How often the classes are measured against the start's figures: the measure reads every row.
constexpr long long considerEvery = 1 << 14;

// xoshiro256** seeded through splitmix64: the same numbers on every platform and library, which the
// standard distributions do not promise.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (std::uint64_t &word : m_state) {
            seed += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }
    std::uint64_t next() {
        const std::uint64_t result = rotate(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotate(m_state[3], 45);
        return result;
    }
    // 0..bound-1, by the multiply-and-shift method.
    int below(int bound) {
        return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(bound)) >> 32);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    static std::uint64_t rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t m_state[4]{};
};

// The balance report's summary figures, worked out again and again for one set of rows as the classes
// change: what never changes (values, bands, the cohort's figures) is prepared once.
class FigureMeter {
public:
    FigureMeter(const std::vector<StudentRow> &rows, int classCount)
        : m_classes(std::max(classCount, 0)), m_students(static_cast<int>(rows.size())) {
        std::map<std::string, int> categories;
        std::map<std::string, int> pinyin;
        for (const StudentRow &row : rows) {
            const std::string_view category = trimBlanks(row.pfType);
            if (!category.empty())
                categories.emplace(std::string(category), 0);
            if (!row.pingyin.empty())
                ++pinyin[row.pingyin];
        }
        for (int number = 1; auto &[name, id] : categories)
            id = number++;
        m_categories = static_cast<int>(categories.size());
        std::map<std::string, int> pinyinGroup;
        for (const auto &[form, count] : pinyin) {
            if (count > 1)
                pinyinGroup.emplace(form, static_cast<int>(pinyinGroup.size()));
        }
        m_pinyinMembers.assign(pinyinGroup.size(), {});

        // Bands as the report counts them, numbered per subject over the bands that occur.
        std::array<std::map<int, int>, subjectCount> slotOf;
        for (const StudentRow &row : rows) {
            for (std::size_t s = 0; s < subjectCount; ++s)
                slotOf[s].emplace(reportBand(row.scores[s]), 0);
        }
        for (std::size_t s = 0; s < subjectCount; ++s) {
            for (auto &[band, slot] : slotOf[s])
                slot = m_slots++;
        }

        m_value.resize(static_cast<std::size_t>(m_students) * measureCount);
        m_slot.resize(static_cast<std::size_t>(m_students) * subjectCount);
        m_sex.resize(static_cast<std::size_t>(m_students));
        m_category.resize(static_cast<std::size_t>(m_students));
        m_cohortBand.assign(static_cast<std::size_t>(m_slots), 0.0);
        m_cohortCategory.assign(static_cast<std::size_t>(m_categories) + 1, 0.0);
        for (int i = 0; i < m_students; ++i) {
            const StudentRow &row = rows[static_cast<std::size_t>(i)];
            const std::size_t at = static_cast<std::size_t>(i);
            for (std::size_t s = 0; s < subjectCount; ++s) {
                m_value[at * measureCount + s] = row.scores[s];
                const int slot = slotOf[s].at(reportBand(row.scores[s]));
                m_slot[at * subjectCount + s] = slot;
                m_cohortBand[static_cast<std::size_t>(slot)] += 1.0;
            }
            m_value[at * measureCount + totalMeasure] = rowTotal(row);
            const std::string_view sex = trimBlanks(row.sex);
            m_sex[at] = sex == boyText ? 0 : sex == girlText ? 1 : 2;
            m_cohortBoys += m_sex[at] == 0;
            m_cohortGirls += m_sex[at] == 1;
            const std::string_view category = trimBlanks(row.pfType);
            m_category[at] = category.empty() ? 0 : categories.at(std::string(category));
            m_cohortCategory[static_cast<std::size_t>(m_category[at])] += 1.0;
            if (!row.pingyin.empty()) {
                if (const auto found = pinyinGroup.find(row.pingyin); found != pinyinGroup.end())
                    m_pinyinMembers[static_cast<std::size_t>(found->second)].push_back(i);
            }
        }
        // Two passes, in the order of the rows, as the report adds them up.
        for (std::size_t m = 0; m < measureCount && m_students > 0; ++m) {
            double sum = 0.0;
            for (int i = 0; i < m_students; ++i)
                sum += m_value[static_cast<std::size_t>(i) * measureCount + m];
            m_cohortMean[m] = sum / double(m_students);
            double squares = 0.0;
            for (int i = 0; i < m_students; ++i) {
                const double difference =
                    m_value[static_cast<std::size_t>(i) * measureCount + m] - m_cohortMean[m];
                squares += difference * difference;
            }
            m_cohortSd[m] = std::sqrt(squares / double(m_students));
        }
    }

    // The figures were row i in class classOf[i] (outside 1..K: in none).
    OptimiseFigures measure(const std::vector<int> &classOf) {
        OptimiseFigures figures;
        const std::size_t k = static_cast<std::size_t>(m_classes) + 1;
        for (const int cls : classOf)
            figures.unplaced += cls < 1 || cls > m_classes ? 1 : 0;
        if (m_classes == 0)
            return figures;
        const auto inClass = [&](int i) {
            const int cls = classOf[static_cast<std::size_t>(i)];
            return cls >= 1 && cls <= m_classes ? static_cast<std::size_t>(cls) : 0;
        };
        m_size.assign(k, 0);
        m_sum.assign(k * measureCount, 0.0);
        m_squares.assign(k * measureCount, 0.0);
        m_bandCount.assign(k * static_cast<std::size_t>(m_slots), 0);
        m_sexCount.assign(k * 3, 0);
        m_categoryCount.assign(k * (static_cast<std::size_t>(m_categories) + 1), 0);
        for (int i = 0; i < m_students; ++i) {
            const std::size_t c = inClass(i);
            if (c == 0)
                continue;
            const std::size_t at = static_cast<std::size_t>(i);
            ++m_size[c];
            for (std::size_t m = 0; m < measureCount; ++m)
                m_sum[c * measureCount + m] += m_value[at * measureCount + m];
            for (std::size_t s = 0; s < subjectCount; ++s)
                ++m_bandCount[c * static_cast<std::size_t>(m_slots) +
                              static_cast<std::size_t>(m_slot[at * subjectCount + s])];
            ++m_sexCount[c * 3 + static_cast<std::size_t>(m_sex[at])];
            ++m_categoryCount[c * (static_cast<std::size_t>(m_categories) + 1) +
                              static_cast<std::size_t>(m_category[at])];
        }
        for (std::size_t c = 1; c < k; ++c) {
            for (std::size_t m = 0; m < measureCount && m_size[c] > 0; ++m)
                m_sum[c * measureCount + m] /= double(m_size[c]);
        }
        for (int i = 0; i < m_students; ++i) {
            const std::size_t c = inClass(i);
            if (c == 0)
                continue;
            for (std::size_t m = 0; m < measureCount; ++m) {
                const double difference =
                    m_value[static_cast<std::size_t>(i) * measureCount + m] - m_sum[c * measureCount + m];
                m_squares[c * measureCount + m] += difference * difference;
            }
        }
        const double share = 1.0 / double(m_classes);
        for (std::size_t c = 1; c < k; ++c) {
            figures.sex = std::max({figures.sex, std::abs(m_sexCount[c * 3] - m_cohortBoys * share),
                                    std::abs(m_sexCount[c * 3 + 1] - m_cohortGirls * share)});
            for (std::size_t g = 1; g <= static_cast<std::size_t>(m_categories); ++g)
                figures.category =
                    std::max(figures.category,
                             std::abs(m_categoryCount[c * (static_cast<std::size_t>(m_categories) + 1) + g] -
                                      m_cohortCategory[g] * share));
            for (std::size_t slot = 0; slot < static_cast<std::size_t>(m_slots); ++slot)
                figures.bands = std::max(figures.bands,
                                         std::abs(m_bandCount[c * static_cast<std::size_t>(m_slots) + slot] -
                                                  m_cohortBand[slot] * share));
            if (m_size[c] == 0)
                continue;
            for (std::size_t m = 0; m < measureCount; ++m) {
                const double meanOff = std::abs(m_sum[c * measureCount + m] - m_cohortMean[m]);
                const double sdOff =
                    std::abs(std::sqrt(m_squares[c * measureCount + m] / double(m_size[c])) - m_cohortSd[m]);
                if (m == totalMeasure) {
                    figures.totalMean = std::max(figures.totalMean, meanOff);
                } else {
                    figures.subjectMean = std::max(figures.subjectMean, meanOff);
                    figures.subjectSd = std::max(figures.subjectSd, sdOff);
                }
            }
        }
        // n students of one form in a class make n(n-1)/2 pairs: each meets those counted before it.
        m_pinyinCount.assign(k, 0);
        for (const std::vector<int> &members : m_pinyinMembers) {
            for (const int member : members)
                figures.samePinyinPairs += m_pinyinCount[inClass(member)]++;
            figures.samePinyinPairs -= m_pinyinCount[0] * (m_pinyinCount[0] - 1LL) / 2;
            for (const int member : members)
                m_pinyinCount[inClass(member)] = 0;
        }
        return figures;
    }

private:
    static int reportBand(double score) {
        if (!(score >= 0))
            return 0;
        const double band = std::floor(score / 10.0);
        return band < 100 ? static_cast<int>(band) : 100;
    }

    int m_classes = 0;
    int m_students = 0;
    int m_categories = 0;
    int m_slots = 0;
    std::vector<double> m_value;                   // measureCount per row
    std::vector<int> m_slot;                       // subjectCount per row
    std::vector<int> m_sex;                        // 0 boy, 1 girl, 2 other
    std::vector<int> m_category;                   // 0 none
    std::vector<std::vector<int>> m_pinyinMembers; // rows of each pinyin form held by two or more
    std::array<double, measureCount> m_cohortMean{};
    std::array<double, measureCount> m_cohortSd{};
    std::vector<double> m_cohortBand;
    std::vector<double> m_cohortCategory;
    int m_cohortBoys = 0;
    int m_cohortGirls = 0;
    // Per class, reused.
    std::vector<int> m_size;
    std::vector<double> m_sum; // sums, then means
    std::vector<double> m_squares;
    std::vector<int> m_bandCount;
    std::vector<int> m_sexCount;
    std::vector<int> m_categoryCount;
    std::vector<int> m_pinyinCount;
};

bool better(const BalanceState::Cost &delta) {
    return delta.hard < 0 || (delta.hard == 0 && delta.soft < 0.0);
}

// Puts every movable student without a class where it costs least, in a seeded order so that no
// order of the rows (often by school or by score) shapes the classes.
// `placed` hears now and then how many are placed and answers false to stop part-way (a school-sized
// table takes a moment, the largest table allowed much longer); then the answer is false too.
std::vector<int> unplaced(const BalanceState &state) {
    std::vector<int> waiting;
    for (const int student : state.movable()) {
        if (state.classOf(student) == 0)
            waiting.push_back(student);
    }
    return waiting;
}

bool placeUnplaced(BalanceState &state, Random &random, const std::function<bool(long long placed)> &placed) {
    std::vector<int> waiting = unplaced(state);
    for (std::size_t i = waiting.size(); i > 1; --i)
        std::swap(waiting[i - 1], waiting[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);
    for (std::size_t done = 0; done < waiting.size(); ++done) {
        if (done % 256 == 255 && !placed(static_cast<long long>(done)))
            return false;
        const int student = waiting[done];
        int best = 1;
        BalanceState::Cost bestDelta = state.moveDelta(student, 1);
        for (int cls = 2; cls <= state.classCount(); ++cls) {
            const BalanceState::Cost delta = state.moveDelta(student, cls);
            if (delta < bestDelta) {
                bestDelta = delta;
                best = cls;
            }
        }
        state.move(student, best);
    }
    return true;
}

// One proposal: a student moves to another class (only where sizes may differ), or two students of
// different classes change places, the partner mostly of the same sex and category so that the shares
// stay as they are.
struct Proposal {
    int student = -1;
    int partner = -1; // -1: a move
    int to = 0;
};

// Shares of the proposals: exchanges with one of the closest students, then with any student of the
// same sex and category, the rest with anyone.
constexpr double neighbourShare = 0.7;
constexpr double stratumShare = 0.9;

// Share of the proposals that try to mend a broken group while some group is broken. Chance exchanges
// mend a group rarely: only a few students of the cohort are in groups, and a keep-together member
// must find the one class that takes the group.
constexpr double repairShare = 0.05;
// Share of the proposals that exchange a student of a class whose counts are beyond their bounds with
// anyone, while some class's are: the soft costs count for nothing until the rules hold.
constexpr double countRepairShare = 0.5;
// Random picks tried before a repair gives way to an ordinary proposal.
constexpr int repairTries = 32;

// An exchange that mends one broken group: a movable member where it breaks the group changes places
// with a student of its sex and category in a class where it would not (keep-together: the group's
// class; keep-apart: a class without another member), so the counts stay as they are.
bool proposeRepair(const BalanceState &state, Random &random, Proposal &p) {
    const int rule = random.below(state.ruleCount());
    if (state.ruleCost(rule) == 0)
        return false;
    const std::vector<int> &members = state.ruleMembers(rule);
    const bool together = state.ruleKind(rule) == StudentGroup::Kind::Together;
    const int gathering = together ? state.ruleClass(rule) : 0;
    std::vector<int> misplaced;
    for (const int member : members) {
        if (state.keepsClass(member))
            continue;
        const int cls = state.classOf(member);
        const bool wrong =
            together ? cls != gathering : std::any_of(members.begin(), members.end(), [&](int other) {
                return other != member && state.classOf(other) == cls;
            });
        if (wrong)
            misplaced.push_back(member);
    }
    if (misplaced.empty())
        return false;
    const int student = misplaced[random.below(static_cast<int>(misplaced.size()))];
    int to = gathering;
    if (!together) {
        to = 0;
        for (int attempt = 0; attempt < repairTries && to == 0; ++attempt) {
            const int cls = 1 + random.below(state.classCount());
            if (std::none_of(members.begin(), members.end(), [&](int m) { return state.classOf(m) == cls; }))
                to = cls;
        }
    }
    if (to == 0)
        return false;
    const std::vector<int> &stratum = state.stratumMembers(state.stratumOf(student));
    for (int attempt = 0; attempt < repairTries; ++attempt) {
        const int partner = stratum[random.below(static_cast<int>(stratum.size()))];
        if (state.classOf(partner) == to) {
            p.student = student;
            p.partner = partner;
            return true;
        }
    }
    return false;
}

// The movable students of the classes whose size, sexes or categories lie beyond their bounds. Exchanges
// within a stratum, most of the proposals, leave these counts as they are, and a chance exchange of
// two strata seldom falls on such a class when there are many.
std::vector<int> brokenStudents(const BalanceState &state) {
    std::vector<int> students;
    if (state.cost().hard == 0)
        return students;
    std::vector<char> broken(static_cast<std::size_t>(state.classCount()) + 1, 0);
    for (int cls = 1; cls <= state.classCount(); ++cls)
        broken[static_cast<std::size_t>(cls)] = state.classHardCounts(cls) > 0;
    for (const int student : state.movable()) {
        if (broken[static_cast<std::size_t>(state.classOf(student))])
            students.push_back(student);
    }
    return students;
}

// The movable students of the classes that cost most, as they were when last gathered.
std::vector<int> focusStudents(const BalanceState &state) {
    const int classes = state.classCount();
    std::vector<std::pair<double, int>> costs;
    costs.reserve(static_cast<std::size_t>(classes));
    for (int cls = 1; cls <= classes; ++cls)
        costs.emplace_back(-state.classSoft(cls), cls);
    const int focus = std::max(1, classes / focusDivisor);
    std::partial_sort(costs.begin(), costs.begin() + focus, costs.end());
    std::vector<char> chosen(static_cast<std::size_t>(classes) + 1, 0);
    for (int k = 0; k < focus; ++k)
        chosen[static_cast<std::size_t>(costs[static_cast<std::size_t>(k)].second)] = 1;
    std::vector<int> students;
    for (const int student : state.movable()) {
        if (chosen[static_cast<std::size_t>(state.classOf(student))])
            students.push_back(student);
    }
    return students;
}

Proposal propose(const BalanceState &state, Random &random, const std::vector<int> &focus,
                 const std::vector<int> &broken) {
    const std::vector<int> &movable = state.movable();
    Proposal p;
    // Only while a group is broken, so that a search without groups draws the same numbers as ever.
    if (state.ruleCost() > 0 && random.unit() < repairShare && proposeRepair(state, random, p))
        return p;
    // Likewise only while some class's counts are beyond their bounds.
    if (!broken.empty() && random.unit() < countRepairShare) {
        // The partner, or for sizes the class moved to, mostly from another such class: one below a
        // bound takes what one above gives.
        p.student = broken[random.below(static_cast<int>(broken.size()))];
        const double kind = random.unit();
        const std::vector<int> &from = kind < 0.6 ? broken : movable;
        const int other = from[random.below(static_cast<int>(from.size()))];
        if (kind < 0.2)
            p.to = state.classOf(other);
        else
            p.partner = other;
        return p;
    }
    if (!focus.empty() && random.unit() < focusShare)
        p.student = focus[random.below(static_cast<int>(focus.size()))];
    else
        p.student = movable[random.below(static_cast<int>(movable.size()))];
    const double kind = random.unit();
    // Moves keep sizes within one only where some classes are one larger; they also mend sizes a
    // starting division left further apart.
    if ((state.sizesUneven() || state.cost().hard > 0) && kind < 0.1) {
        p.to = 1 + random.below(state.classCount());
        return p;
    }
    const std::vector<int> &stratum = state.stratumMembers(state.stratumOf(p.student));
    const std::vector<int> &near = state.neighbours(p.student);
    if (kind < neighbourShare && !near.empty()) {
        p.partner = near[random.below(static_cast<int>(near.size()))];
    } else if (kind < stratumShare && stratum.size() > 1)
        p.partner = stratum[random.below(static_cast<int>(stratum.size()))];
    else
        p.partner = movable[random.below(static_cast<int>(movable.size()))];
    return p;
}

} // namespace

OptimiseOptions optimiseOptions(const DivisionSettings &settings) {
    OptimiseOptions options;
    const auto on = [](int flag) {
        return flag == 1;
    };
    options.total = on(settings.isAvgTotal);
    options.bands = on(settings.isAvgInter);
    return options;
}

OptimiseResult optimise(std::vector<StudentRow> &rows, int classCount, const OptimiseOptions &options,
                        const OptimiseObserver &observer) {
    if (classCount < 1)
        return {OptimiseOutcome::Refused, "班级数必须大于0"};
    if (!(options.seconds > 0.0) || options.seconds > 3600.0)
        return {OptimiseOutcome::Refused, "优化时间必须大于0秒，且不超过3600秒"};
    const std::function<bool()> stopRequested = [&] {
        return observer.stopRequested && observer.stopRequested();
    };
    FigureMeter meter(rows, classCount);
    const auto rowClasses = [&] {
        std::vector<int> classes(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            classes[i] = rows[i].classId;
        return classes;
    };
    const auto unchanged = [&] {
        OptimiseResult result{OptimiseOutcome::Stopped, {}};
        result.start = result.end = meter.measure(rowClasses());
        return result;
    };
    if (stopRequested())
        return unchanged();

    BalanceState state(rows, classCount, options);
    Random random(options.seed);
    // Progress counts the students to place and then the steps of the search.
    const long long steps = std::max(1LL, std::llround(options.seconds * stepsPerSecond));
    const long long placing = static_cast<long long>(unplaced(state).size());
    const long long total = placing + steps;
    const auto placed = [&](long long done) {
        if (observer.progress)
            observer.progress(done, total);
        return !stopRequested();
    };
    if (!placeUnplaced(state, random, placed))
        return unchanged();

    bool stopped = false;
    std::vector<int> best = state.classes();
    BalanceState::Cost bestCost = state.cost();
    // The rows fixed beyond the classes are in no class for the state as for the report.
    const OptimiseFigures startFigures = meter.measure(best);
    // The best classes no worse than the start on any figure; the start itself to begin with.
    std::vector<int> preferred = best;
    BalanceState::Cost preferredCost = bestCost;
    const auto consider = [&] {
        if (!(state.cost() < preferredCost))
            return;
        if (meter.measure(state.classes()).worseThan(startFigures))
            return;
        preferredCost = state.cost();
        preferred = state.classes();
    };
    if (classCount > 1 && state.movable().size() > 1) {
        // The starting temperature is the typical worsening of a random exchange, so a search that
        // starts from a good division does not throw it away, and one that starts from nothing can
        // still climb out of the first local minimum.
        double worsening = 0.0;
        int worse = 0;
        for (int probe = 0; probe < 2000; ++probe) {
            const Proposal p = propose(state, random, {}, {});
            if (p.partner < 0 || state.classOf(p.partner) == state.classOf(p.student))
                continue;
            const BalanceState::Cost delta = state.swapDelta(p.student, p.partner);
            if (delta.hard == 0 && delta.soft > 0.0) {
                worsening += delta.soft;
                ++worse;
            }
        }
        double temperature = worse > 0 ? hotShare * worsening / worse : 1.0;
        // Worsening proposals seen and accepted, fading so that the share follows the search.
        double worseSeen = 0.0;
        double worseTaken = 0.0;
        std::vector<int> focus;
        std::vector<int> broken;
        for (long long step = 0; step < steps; ++step) {
            if (step % coolEvery == 0) {
                if (step > 0) {
                    const double progress = static_cast<double>(step) / static_cast<double>(steps);
                    const double wanted = acceptFirst * std::pow(acceptLast / acceptFirst, progress);
                    const double taken = (worseTaken + wanted) / (worseSeen + 1.0);
                    temperature *=
                        std::clamp(std::pow(wanted / taken, coolingGain), 1.0 / coolingStep, coolingStep);
                    worseSeen *= 0.5;
                    worseTaken *= 0.5;
                }
                if (state.cost() < bestCost) {
                    bestCost = state.cost();
                    best = state.classes();
                }
                focus = focusStudents(state);
                broken = brokenStudents(state);
            }
            if (step % considerEvery == 0)
                consider();
            if (step % reportEvery == 0 && step > 0) {
                if (observer.progress)
                    observer.progress(placing + step, total);
                if (observer.figures)
                    observer.figures(startFigures, meter.measure(best));
                if (stopRequested()) {
                    stopped = true;
                    break;
                }
                state.refreshCost();
            }
            const Proposal p = propose(state, random, focus, broken);
            BalanceState::Cost delta;
            if (p.partner < 0) {
                if (p.to == state.classOf(p.student))
                    continue;
                delta = state.moveDelta(p.student, p.to);
            } else {
                if (state.classOf(p.partner) == state.classOf(p.student))
                    continue;
                delta = state.swapDelta(p.student, p.partner);
            }
            bool accept = better(delta) || (delta.hard == 0 && delta.soft <= 0.0);
            if (!accept && delta.hard == 0) {
                worseSeen += 1.0;
                accept = random.unit() < std::exp(-delta.soft / temperature);
                worseTaken += accept ? 1.0 : 0.0;
            }
            if (!accept)
                continue;
            if (p.partner < 0)
                state.move(p.student, p.to);
            else
                state.swap(p.student, p.partner);
        }
    }
    state.refreshCost();
    if (state.cost() < bestCost) {
        bestCost = state.cost();
        best = state.classes();
    }
    consider();
    // The lowest cost wins unless it is worse than the start on some figure and classes as good on the
    // hard rules were found that are not.
    if (preferredCost.hard == bestCost.hard && meter.measure(best).worseThan(startFigures))
        best = preferred;
    if (observer.progress && !stopped)
        observer.progress(total, total);

    for (const int student : state.movable()) {
        rows[student].classId = best[student];
        rows[student].type = Placement::Placed;
    }
    OptimiseResult result;
    result.outcome = stopped ? OptimiseOutcome::Stopped : OptimiseOutcome::Done;
    result.start = startFigures;
    result.end = meter.measure(rowClasses());
    if (observer.figures)
        observer.figures(result.start, result.end);
    return result;
}

bool OptimiseFigures::worseThan(const OptimiseFigures &other) const {
    // Figures worked out from different sums of the same scores differ in the last digits.
    constexpr double hair = 1e-9;
    return subjectMean > other.subjectMean + hair || totalMean > other.totalMean + hair ||
           subjectSd > other.subjectSd + hair || bands > other.bands + hair || sex > other.sex + hair ||
           category > other.category + hair || samePinyinPairs > other.samePinyinPairs ||
           unplaced > other.unplaced;
}

OptimiseFigures optimiseFigures(const std::vector<StudentRow> &rows, int classCount) {
    std::vector<int> classes(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        classes[i] = rows[i].classId;
    return FigureMeter(rows, classCount).measure(classes);
}

} // namespace fenban
