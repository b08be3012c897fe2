#pragma once

#include "engine/division.h"
#include "engine/student_groups.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fenban {

// What the optimiser balances and how long it may search.
struct OptimiseOptions {
    // Work allowed, in seconds of this machine's single core. The search counts its steps rather than
    // reading a clock, so the same seed on the same rows gives the same classes on any machine; the
    // seconds only say how many steps it may take.
    double seconds = 10.0;
    std::uint64_t seed = 1;
    // Subjects (subject order) whose class means, spreads and bands are evened out; the total of the
    // nine scores counts when `total` is set, the 10-point bands when `bands` is set.
    std::array<bool, subjectCount> subjects{true, true, true, true, true, true, true, true, true};
    bool total = true;
    bool bands = true;
    // Keep-apart and keep-together groups, kept as hard rules like the homophones; a number no row
    // has is passed over.
    std::vector<StudentGroup> groups;
};

// The worst deviations over classes 1..K, as the balance report measures them: the cohort is every row,
// placed or not, means and spreads count over non-empty classes, all nine subjects.
struct OptimiseFigures {
    double subjectMean = 0, totalMean = 0, subjectSd = 0, bands = 0, sex = 0, category = 0;
    long long samePinyinPairs = 0;
    long long unplaced = 0;

    bool operator==(const OptimiseFigures &) const = default;
    // Whether some figure is larger than the other's (beyond rounding).
    bool worseThan(const OptimiseFigures &other) const;
};

OptimiseFigures optimiseFigures(const std::vector<StudentRow> &rows, int classCount);

struct OptimiseObserver {
    // Steps done out of all the search may take; called now and then.
    std::function<void(long long done, long long total)> progress;
    // About as often as progress: the figures of the rows before the search (after the unplaced are
    // placed) and of the best classes so far.
    std::function<void(const OptimiseFigures &start, const OptimiseFigures &best)> figures;
    // Asked now and then; answering true stops the search (outcome Stopped).
    std::function<bool()> stopRequested;
};

enum class OptimiseOutcome { Done, Stopped, Refused };

struct OptimiseResult {
    OptimiseOutcome outcome = OptimiseOutcome::Done;
    std::string message; // for Refused: why, for the user (UTF-8)
    // The figures before the search (after the unplaced are placed) and of the classes left in the rows.
    OptimiseFigures start{}, end{};
};

// The balance options a project's division settings ask for: the total and the bands follow their
// ticks; the subjects are chosen apart from these settings (every subject here).
OptimiseOptions optimiseOptions(const DivisionSettings &settings);

// Moves and exchanges students between classes 1..classCount so that the classes become as equal as
// possible, starting from the classes the rows carry. Hard rules, as far as fixed students allow:
// fixed rows (Placement::Fixed) keep their class, those fixed to class 0 or below are placed like the
// rest; every other row ends in a class, including those with an empty sex; class sizes differ by at most
// one; in every class the boys, the girls and each category lie within the floor and ceiling of their share
// of the cohort; no two students with the same (non-empty) pinyin form share a class where the cohort allows
// it, and never more such pairs than the rows started with; likewise the options' groups: no two members of a
// keep-apart group in one class, the members of a keep-together group in one class (that of its fixed members
// where it has some), and never further from that than the rows started. Soft: class means and spreads of the
// chosen subjects and of the total, and 10-point band counts. Of classes equal on the hard rules it
// prefers, over the lowest cost, the best found that is no worse than the start on any figure, so that
// balancing the chosen measures does not unbalance one the teacher sees. Done and Stopped leave the best
// classes found in the rows (every unfixed row gets Placement::Placed); Refused, and Stopped before every
// student had a class, leave the rows as they were.
OptimiseResult optimise(std::vector<StudentRow> &rows, int classCount, const OptimiseOptions &options,
                        const OptimiseObserver &observer = {});

} // namespace fenban
