#include "cohort.h"
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
