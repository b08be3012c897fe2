#include "cohort.h"
#include "intake.h"
#include "run_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace fenban;
using namespace fenban::testing;

namespace {

// Sanitizer builds set FENBAN_DIFF_SCALE below 1 to run fewer cohorts.
int scaled(int cohorts) {
    const char *scale = std::getenv("FENBAN_DIFF_SCALE");
    const double factor = scale ? std::atof(scale) : 1.0;
    return std::max(1, static_cast<int>(cohorts * factor));
}

// The same for the size of a cohort that both engines divide once.
int scaledSize(int students) {
    const char *scale = std::getenv("FENBAN_DIFF_SCALE");
    return scale ? std::max(64, static_cast<int>(students * std::atof(scale) * 3)) : students;
}

struct Case {
    cohort::Shape shape;
    int numClass = 4;
    DivisionSettings settings;
};

template <class T> T pick(std::mt19937 &rng, std::initializer_list<T> values) {
    return *(values.begin() + std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng));
}

Case randomCase(std::mt19937 &rng, int maxStudents) {
    Case c;
    std::uniform_real_distribution<double> share(0.0, 1.0);
    c.numClass = std::uniform_int_distribution<int>(1, 6)(rng);
    c.settings.wtNum = pick(rng, {-1, 0, 4, 50});
    // Fifty passes per sex stay quick for the reference only on small cohorts.
    const int students = c.settings.wtNum == 50 ? std::min(maxStudents, 30) : maxStudents;
    c.shape.students = std::uniform_int_distribution<int>(0, students)(rng);
    c.shape.categories = std::uniform_int_distribution<int>(0, 3)(rng);
    c.shape.categoryShare = share(rng) * 0.5;
    c.shape.fixedShare = share(rng) * 0.25;
    c.shape.fixedClassLimit = c.numClass + 2; // some point at classes the pass does not have
    c.shape.oddSexShare = share(rng) < 0.5 ? 0.0 : 0.15;
    c.shape.zeroShare = share(rng) * 0.1;
    c.shape.pinyinValues = share(rng) < 0.4 ? std::max(1, c.shape.students / 3) : 0;
    for (int *flag : {&c.settings.isAvgPerson, &c.settings.isAvgTotal, &c.settings.isAvgCh,
                      &c.settings.isAvgMath, &c.settings.isAvgEng, &c.settings.isAvgInter})
        *flag = pick(rng, {0, 1, 1, 2});
    c.settings.isMan = pick(rng, {0, 1, 2});
    c.settings.inter = pick(rng, {0, 1, 3});
    return c;
}

// Divides (and, with six classes, re-divides two of them) with both engines and demands the same
// rows, lines, progress and outcome.
void compareEngines(const Case &c, std::uint32_t seed) {
    static const auto reference = makeReferenceEngine();
    static const auto fast = makeFastEngine();
    const std::vector<StudentRow> cohort = cohort::make(c.shape, seed);
    auto slowRows = cohort;
    auto fastRows = cohort;
    // Cancelling somewhere in the middle now and then, to see both stop at the same point.
    const long cancelAfter = seed % 7 == 0 ? static_cast<long>(seed % 5) : -1;
    const Trace slow = divide(*reference, slowRows, c.numClass, c.settings, cancelAfter);
    const Trace quick = divide(*fast, fastRows, c.numClass, c.settings, cancelAfter);
    ASSERT_EQ(fastRows, slowRows) << "seed " << seed;
    ASSERT_EQ(quick.lines, slow.lines) << "seed " << seed;
    ASSERT_EQ(quick, slow) << "seed " << seed;
    if (c.numClass != 6 || slow.result.outcome != DivisionOutcome::Done)
        return;
    const std::vector<int> chosen{static_cast<int>(seed % 6) + 1, static_cast<int>((seed + 3) % 6) + 1};
    const Trace slowAgain = redivide(*reference, slowRows, chosen, c.settings);
    const Trace quickAgain = redivide(*fast, fastRows, chosen, c.settings);
    ASSERT_EQ(fastRows, slowRows) << "seed " << seed << " re-division";
    ASSERT_EQ(quickAgain, slowAgain) << "seed " << seed << " re-division";
}

} // namespace

TEST(Differential, VariedCohorts) {
    std::mt19937 rng(20240601);
    const int cohorts = scaled(1200);
    for (int i = 0; i < cohorts; ++i) {
        const Case c = randomCase(rng, 120);
        compareEngines(c, static_cast<std::uint32_t>(i) + 1);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(Differential, ManySmallCohorts) {
    std::mt19937 rng(777);
    const int cohorts = scaled(400);
    for (int i = 0; i < cohorts; ++i) {
        const Case c = randomCase(rng, 12);
        compareEngines(c, static_cast<std::uint32_t>(i) + 100000);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(Differential, EveryCaseOfSixClassesIsRedivided) {
    std::mt19937 rng(4242);
    const int cohorts = scaled(200);
    for (int i = 0; i < cohorts; ++i) {
        Case c = randomCase(rng, 72);
        c.numClass = 6;
        c.shape.fixedClassLimit = 8;
        compareEngines(c, static_cast<std::uint32_t>(i) * 7 + 1); // never cancelled: re-division runs
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// Hundreds of students of a sex over many classes: the partners of a mover span several words of
// the band planes and many totals, which the small cohorts above never reach; re-divided in part
// too, where every exchange is re-checked.
TEST(Differential, LargeCohortsOverManyClasses) {
    struct Large {
        const char *name;
        std::vector<StudentRow> rows;
        int numClass;
        DivisionSettings settings;
    };
    DivisionSettings fewPasses;
    fewPasses.wtNum = 2;
    DivisionSettings noTotal = fewPasses;
    noTotal.isAvgTotal = 0;
    noTotal.inter = 0;
    DivisionSettings boysFirst = fewPasses;
    boysFirst.isMan = 1;
    boysFirst.inter = 3;
    boysFirst.isAvgCh = 0;
    cohort::Shape odd;
    odd.students = 450;
    odd.categories = 2;
    odd.fixedShare = 0.1;
    odd.fixedClassLimit = 18;
    odd.oddSexShare = 0.15;
    odd.zeroShare = 0.05;
    odd.pinyinValues = 150;
    const std::vector<Large> cases{
        {"intake", cohort::intake(scaledSize(700), 1), 20, fewPasses},
        {"total not judged", cohort::intake(scaledSize(500), 2), 25, noTotal},
        {"odd rows", cohort::make(odd, 3), 15, boysFirst},
    };
    static const auto reference = makeReferenceEngine();
    static const auto fast = makeFastEngine();
    for (const Large &c : cases) {
        auto slowRows = c.rows;
        auto fastRows = c.rows;
        const Trace slow = divide(*reference, slowRows, c.numClass, c.settings);
        const Trace quick = divide(*fast, fastRows, c.numClass, c.settings);
        ASSERT_EQ(fastRows, slowRows) << c.name;
        ASSERT_EQ(quick, slow) << c.name;
        const std::vector<int> chosen{2, 5, 7, 11};
        const Trace slowAgain = redivide(*reference, slowRows, chosen, c.settings);
        const Trace quickAgain = redivide(*fast, fastRows, chosen, c.settings);
        ASSERT_EQ(fastRows, slowRows) << c.name << " re-division";
        ASSERT_EQ(quickAgain, slowAgain) << c.name << " re-division";
    }
}
