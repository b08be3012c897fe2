#include "engine/optimiser.h"

#include "engine/balance_state.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace fenban {

namespace {

// Steps the search takes per second of budget: about what one core of a school desktop does on a cohort
// of 3,000 students, so that a budget in seconds is roughly kept without reading the clock.
constexpr double stepsPerSecond = 1.0e6;
constexpr long long reportEvery = 1 << 16;
constexpr long long coolEvery = 1 << 10;

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

Proposal propose(const BalanceState &state, Random &random) {
    const std::vector<int> &movable = state.movable();
    Proposal p;
    // Only while a group is broken, so that a search without groups draws the same numbers as ever.
    if (state.ruleCost() > 0 && random.unit() < repairShare && proposeRepair(state, random, p))
        return p;
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
    if (stopRequested())
        return {OptimiseOutcome::Stopped, {}};

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
        return {OptimiseOutcome::Stopped, {}};

    bool stopped = false;
    std::vector<int> best = state.classes();
    BalanceState::Cost bestCost = state.cost();
    if (classCount > 1 && state.movable().size() > 1) {
        // The starting temperature is the typical worsening of a random exchange, so a search that
        // starts from a good division does not throw it away, and one that starts from nothing can
        // still climb out of the first local minimum.
        double worsening = 0.0;
        int worse = 0;
        for (int probe = 0; probe < 2000; ++probe) {
            const Proposal p = propose(state, random);
            if (p.partner < 0 || state.classOf(p.partner) == state.classOf(p.student))
                continue;
            const BalanceState::Cost delta = state.swapDelta(p.student, p.partner);
            if (delta.hard == 0 && delta.soft > 0.0) {
                worsening += delta.soft;
                ++worse;
            }
        }
        const double hot = worse > 0 ? 0.02 * worsening / worse : 1.0;
        const double cold = hot * 1e-3;
        double temperature = hot;
        for (long long step = 0; step < steps; ++step) {
            if (step % coolEvery == 0) {
                temperature =
                    hot * std::pow(cold / hot, static_cast<double>(step) / static_cast<double>(steps));
                if (state.cost() < bestCost) {
                    bestCost = state.cost();
                    best = state.classes();
                }
            }
            if (step % reportEvery == 0 && step > 0) {
                if (observer.progress)
                    observer.progress(placing + step, total);
                if (stopRequested()) {
                    stopped = true;
                    break;
                }
                state.refreshCost();
            }
            const Proposal p = propose(state, random);
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
            const bool accept =
                better(delta) || (delta.hard == 0 &&
                                  (delta.soft <= 0.0 || random.unit() < std::exp(-delta.soft / temperature)));
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
    if (observer.progress && !stopped)
        observer.progress(total, total);

    for (const int student : state.movable()) {
        rows[student].classId = best[student];
        rows[student].type = Placement::Placed;
    }
    if (stopped)
        return {OptimiseOutcome::Stopped, {}};
    return {};
}

} // namespace fenban
