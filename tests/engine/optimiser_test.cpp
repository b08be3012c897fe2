#include "cohort.h"
#include "engine/optimiser.h"
#include "engine/rules.h"
#include "engine/student_groups.h"
#include "intake.h"
#include "intake_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace fenban {
namespace {

OptimiseOptions quick(std::uint64_t seed = 1) {
    OptimiseOptions options;
    options.seconds = 0.05;
    options.seed = seed;
    return options;
}

long pinyinPairs(const std::vector<StudentRow> &rows, int classes) {
    std::map<std::pair<int, std::string>, long> together;
    long pairs = 0;
    for (const StudentRow &row : rows) {
        if (row.classId >= 1 && row.classId <= classes && !row.pingyin.empty())
            pairs += together[{row.classId, row.pingyin}]++;
    }
    return pairs;
}

// Checks every hard rule on a cohort whose fixed students leave the shares reachable.
void expectHardRules(const std::vector<StudentRow> &before, const std::vector<StudentRow> &after,
                     int classes) {
    ASSERT_EQ(before.size(), after.size());
    std::map<std::string, int> cohort; // "男", "女" and categories, over the students that can be placed
    std::vector<std::map<std::string, int>> perClass(static_cast<std::size_t>(classes) + 1);
    int placeable = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const StudentRow &row = after[i];
        // A student fixed to no class is not fixed to anything: it is placed like any other.
        const bool fixed = before[i].type == Placement::Fixed && before[i].classId > 0;
        if (fixed) {
            EXPECT_EQ(row.classId, before[i].classId) << "fixed student " << row.studentId << " moved";
            EXPECT_EQ(row.type, Placement::Fixed);
            if (row.classId < 1 || row.classId > classes)
                continue;
        } else {
            ASSERT_GE(row.classId, 1) << "student " << row.studentId << " left without a class";
            ASSERT_LE(row.classId, classes);
            EXPECT_EQ(row.type, Placement::Placed);
        }
        ++placeable;
        const std::string sex(trimBlanks(row.sex));
        const std::string category(trimBlanks(row.pfType));
        auto &counts = perClass[static_cast<std::size_t>(row.classId)];
        ++counts["#size"];
        for (const std::string &key : {sex == "男" || sex == "女" ? sex : std::string(),
                                       category.empty() ? std::string() : "类:" + category}) {
            if (key.empty())
                continue;
            ++cohort[key];
            ++counts[key];
        }
    }
    cohort["#size"] = placeable;
    for (int c = 1; c <= classes; ++c) {
        for (const auto &[key, total] : cohort) {
            const int count = perClass[static_cast<std::size_t>(c)][key];
            EXPECT_GE(count, total / classes) << key << " in class " << c;
            EXPECT_LE(count, (total + classes - 1) / classes) << key << " in class " << c;
        }
    }
}

double worstSubjectMeanDeviation(const std::vector<StudentRow> &rows, int classes) {
    double worst = 0.0;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        double cohort = 0.0;
        std::map<int, std::pair<double, int>> perClass;
        for (const StudentRow &row : rows) {
            cohort += row.scores[s];
            if (row.classId >= 1 && row.classId <= classes) {
                perClass[row.classId].first += row.scores[s];
                ++perClass[row.classId].second;
            }
        }
        cohort /= static_cast<double>(rows.size());
        for (const auto &[c, sum] : perClass)
            worst = std::max(worst, std::abs(sum.first / sum.second - cohort));
    }
    return worst;
}

double worstBandDeviation(const std::vector<StudentRow> &rows, int classes) {
    double worst = 0.0;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        std::map<int, double> target;
        std::map<std::pair<int, int>, int> count;
        for (const StudentRow &row : rows) {
            target[scoreBand(row.scores[s])] += 1.0 / classes;
            if (row.classId >= 1 && row.classId <= classes)
                ++count[{row.classId, scoreBand(row.scores[s])}];
        }
        for (int c = 1; c <= classes; ++c) {
            for (const auto &[band, share] : target)
                worst = std::max(worst, std::abs(count[{c, band}] - share));
        }
    }
    return worst;
}

struct CohortCase {
    const char *name;
    int students;
    int classes;
    cohort::Shape shape;
};

class OptimiserRules : public ::testing::TestWithParam<CohortCase> {};

TEST_P(OptimiserRules, HardRulesHoldAndHomophonesAreParted) {
    const CohortCase &c = GetParam();
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        cohort::Shape shape = c.shape;
        shape.students = c.students;
        const std::vector<StudentRow> before = cohort::make(shape, seed);
        std::vector<StudentRow> rows = before;
        const OptimiseResult result = optimise(rows, c.classes, quick(seed));
        ASSERT_EQ(result.outcome, OptimiseOutcome::Done) << result.message;
        expectHardRules(before, rows, c.classes);
        EXPECT_EQ(pinyinPairs(rows, c.classes), 0) << c.name << " seed " << seed;
    }
}

cohort::Shape shapeOf(int categories, double fixedShare, int fixedClassLimit, double oddSexShare,
                      int pinyinValues, double leftoverShare) {
    cohort::Shape shape;
    shape.categories = categories;
    shape.categoryShare = 0.3;
    shape.fixedShare = fixedShare;
    shape.fixedClassLimit = fixedClassLimit;
    shape.oddSexShare = oddSexShare;
    shape.pinyinValues = pinyinValues;
    shape.leftoverShare = leftoverShare;
    return shape;
}

INSTANTIATE_TEST_SUITE_P(
    Cohorts, OptimiserRules,
    ::testing::Values(CohortCase{"from nothing", 120, 4, shapeOf(2, 0.0, 4, 0.0, 0, 0.0)},
                      CohortCase{"earlier classes", 200, 6, shapeOf(3, 0.0, 6, 0.0, 0, 1.0)},
                      CohortCase{"odd and empty sexes", 150, 5, shapeOf(1, 0.0, 5, 0.2, 0, 0.5)},
                      CohortCase{"fixed students", 240, 6, shapeOf(3, 0.05, 6, 0.02, 0, 0.5)},
                      CohortCase{"fixed beyond the classes", 90, 3, shapeOf(0, 0.05, 5, 0.0, 0, 0.5)},
                      CohortCase{"homophones", 180, 6, shapeOf(2, 0.0, 6, 0.0, 150, 0.3)},
                      CohortCase{"one class", 30, 1, shapeOf(2, 0.1, 1, 0.1, 0, 0.5)},
                      CohortCase{"more classes than students", 5, 8, shapeOf(1, 0.0, 8, 0.0, 0, 0.5)}),
    [](const auto &info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// Keep-apart and keep-together groups on a made-up cohort, each broken where the search starts:
// twins of different sex together, a pair and a larger group apart, a mixed threesome together, a
// group with a fixed member together, one student in two groups, and a number no student has.
std::vector<StudentGroup> brokenGroups(std::vector<StudentRow> &rows, int classes) {
    std::vector<std::int64_t> boys;
    std::vector<std::int64_t> girls;
    int fixedRow = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const StudentRow &row = rows[i];
        if (row.type == Placement::Fixed) {
            if (fixedRow < 0 && row.classId >= 1 && row.classId <= classes)
                fixedRow = static_cast<int>(i);
            continue;
        }
        const std::string_view sex = trimBlanks(row.sex);
        (sex == boyText ? boys : sex == girlText ? girls : boys).push_back(row.studentId);
    }
    if (fixedRow < 0) {
        fixedRow = 0;
        std::erase(boys, rows[0].studentId);
        std::erase(girls, rows[0].studentId);
        rows[0].type = Placement::Fixed;
        rows[0].classId = 2;
    }
    using Kind = StudentGroup::Kind;
    const std::vector<StudentGroup> groups{
        {Kind::Together, {boys[0], girls[0]}},
        {Kind::Apart, {boys[1], boys[2], 987654321}},
        {Kind::Apart, {girls[1], boys[3], girls[2], boys[4]}},
        {Kind::Together, {boys[5], girls[3], girls[4]}},
        {Kind::Together, {rows[fixedRow].studentId, boys[6], girls[5]}},
        {Kind::Apart, {boys[0], boys[1]}},
    };
    // Apart members start in one class, together members spread over the classes.
    for (StudentRow &row : rows) {
        for (const StudentGroup &group : groups) {
            const auto at = std::find(group.studentIds.begin(), group.studentIds.end(), row.studentId);
            if (at == group.studentIds.end() || row.type == Placement::Fixed)
                continue;
            row.classId =
                group.kind == Kind::Apart ? 1 : 1 + static_cast<int>(at - group.studentIds.begin()) % classes;
        }
    }
    return groups;
}

class OptimiserGroups : public ::testing::TestWithParam<CohortCase> {};

TEST_P(OptimiserGroups, EveryGroupIsHonouredAndTheOtherRulesHold) {
    const CohortCase &c = GetParam();
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        cohort::Shape shape = c.shape;
        shape.students = c.students;
        std::vector<StudentRow> before = cohort::make(shape, seed);
        OptimiseOptions options = quick(seed);
        options.groups = brokenGroups(before, c.classes);
        ASSERT_FALSE(groupViolations(before, options.groups).empty());
        std::vector<StudentRow> rows = before;
        ASSERT_EQ(optimise(rows, c.classes, options).outcome, OptimiseOutcome::Done);
        EXPECT_TRUE(groupViolations(rows, options.groups).empty()) << c.name << " seed " << seed;
        expectHardRules(before, rows, c.classes);
        EXPECT_EQ(pinyinPairs(rows, c.classes), 0) << c.name << " seed " << seed;

        std::vector<StudentRow> again = before;
        optimise(again, c.classes, options);
        EXPECT_EQ(again, rows);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cohorts, OptimiserGroups,
    ::testing::Values(CohortCase{"from nothing", 120, 4, shapeOf(2, 0.0, 4, 0.0, 0, 0.0)},
                      CohortCase{"odd and empty sexes", 150, 5, shapeOf(1, 0.0, 5, 0.2, 0, 0.5)},
                      CohortCase{"fixed students", 240, 6, shapeOf(3, 0.05, 6, 0.02, 0, 0.5)},
                      CohortCase{"homophones", 180, 6, shapeOf(2, 0.0, 6, 0.0, 150, 0.3)},
                      // Where chance exchanges seldom bring a member to the one class its group needs.
                      CohortCase{"many classes", 1500, 30, shapeOf(2, 0.0, 30, 0.0, 0, 0.0)}),
    [](const auto &info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

// Earlier classes that hold each category in a few of many classes: exchanges within a sex and category,
// most of the proposals, cannot mend that, and a chance exchange seldom falls on the last class left
// beyond its share.
TEST(Optimiser, CategoriesHeapedInFewOfManyClassesAreSpreadWithinAShortSearch) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        cohort::Shape shape = shapeOf(2, 0.0, 30, 0.0, 0, 1.0);
        shape.students = 1500;
        std::vector<StudentRow> before = cohort::make(shape, seed);
        std::stable_sort(before.begin(), before.end(), [](const StudentRow &a, const StudentRow &b) {
            return trimBlanks(a.pfType) > trimBlanks(b.pfType);
        });
        for (std::size_t i = 0; i < before.size(); ++i) {
            before[i].classId = 1 + static_cast<int>(i * 30 / before.size());
            before[i].type = Placement::Placed;
        }
        std::vector<StudentRow> rows = before;
        ASSERT_EQ(optimise(rows, 30, quick(seed)).outcome, OptimiseOutcome::Done);
        expectHardRules(before, rows, 30);
    }
}

TEST(Optimiser, GroupsFixedStudentsBreakAreKeptAsFarAsTheyAllow) {
    std::vector<StudentRow> rows = cohort::intake(60, 5);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].classId = 1 + static_cast<int>(i % 3);
    // Two fixed members in one class break the apart group whatever happens; two fixed members in
    // two classes break the together group. The movable members start where they make it worse.
    const auto fix = [&](std::size_t i, int cls) {
        rows[i].type = Placement::Fixed;
        rows[i].classId = cls;
        return rows[i].studentId;
    };
    const auto at = [&](std::size_t i, int cls) {
        rows[i].classId = cls;
        return rows[i].studentId;
    };
    using Kind = StudentGroup::Kind;
    OptimiseOptions options = quick();
    options.groups = {{Kind::Apart, {fix(0, 1), fix(1, 1), at(2, 1), at(3, 1)}},
                      {Kind::Together, {fix(4, 2), fix(5, 3), at(6, 1), at(7, 1)}}};
    const std::vector<StudentRow> before = rows;
    ASSERT_EQ(optimise(rows, 3, options).outcome, OptimiseOutcome::Done);
    const std::vector<GroupViolation> left = groupViolations(rows, options.groups);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].classIds, std::vector<int>{1});
    EXPECT_NE(rows[2].classId, 1);
    EXPECT_NE(rows[3].classId, 1);
    EXPECT_EQ(left[1].classIds, (std::vector<int>{2, 3}));
    EXPECT_EQ(rows[6].classId, rows[7].classId);
    expectHardRules(before, rows, 3);
}

// Students copied from a project that was never divided arrive fixed, but in no class.
TEST(Optimiser, StudentsFixedToNoClassArePlacedLikeAnyOther) {
    cohort::Shape shape = shapeOf(2, 0.0, 4, 0.0, 0, 0.0);
    shape.students = 40;
    std::vector<StudentRow> before = cohort::make(shape, 3);
    for (std::size_t i = 0; i < before.size(); ++i) {
        before[i].type = Placement::Fixed;
        before[i].classId = i == 0 ? 2 : i % 3 == 0 ? -1 : 0;
    }
    before[1].type = Placement::Waiting;
    std::vector<StudentRow> rows = before;
    const OptimiseResult result = optimise(rows, 4, quick());
    ASSERT_EQ(result.outcome, OptimiseOutcome::Done) << result.message;
    expectHardRules(before, rows, 4);
    EXPECT_EQ(rows[0].classId, 2);
    EXPECT_EQ(rows[0].type, Placement::Fixed);
}

TEST(Optimiser, ImprovesTheExactDivisionOfARealisticIntake) {
    std::vector<StudentRow> rows = cohort::intake(240, 3);
    const auto engine = makeFastEngine();
    ASSERT_EQ(engine->divide(rows, 6, DivisionSettings{}, {}).outcome, DivisionOutcome::Done);
    const std::vector<StudentRow> divided = rows;
    const long pairsBefore = pinyinPairs(rows, 6);
    OptimiseOptions options = quick();
    options.seconds = 1.0;
    ASSERT_EQ(optimise(rows, 6, options).outcome, OptimiseOutcome::Done);
    expectHardRules(divided, rows, 6);
    EXPECT_LE(pinyinPairs(rows, 6), pairsBefore);

    // The worst class mean of any subject comes far closer to the cohort's, and no 10-point band is
    // left more uneven than the exact division left it.
    EXPECT_LT(worstSubjectMeanDeviation(rows, 6), worstSubjectMeanDeviation(divided, 6) / 2);
    EXPECT_LE(worstBandDeviation(rows, 6), worstBandDeviation(divided, 6));
}

// Two absent students' zeros in a narrow, ceiling-heavy subject (577 students in 18 classes) leave the
// spread of the classes they land in beyond any division's reach; the search must not trade the 10-point
// bands and the means for it.
TEST(Optimiser, AnUnreachableSpreadDoesNotUnbalanceTheOtherFigures) {
    cohort::ShapedIntake intake = cohort::shapedIntake(8);
    const auto engine = makeFastEngine();
    ASSERT_EQ(engine->divide(intake.rows, intake.classes, DivisionSettings{}, {}).outcome,
              DivisionOutcome::Done);
    const OptimiseFigures divided = optimiseFigures(intake.rows, intake.classes);
    OptimiseOptions options = quick();
    options.seconds = 0.3;
    const OptimiseResult result = optimise(intake.rows, intake.classes, options);
    ASSERT_EQ(result.outcome, OptimiseOutcome::Done);
    // The bands may give a little for the means, which the exact division left far off; not a class
    // half full of one band.
    EXPECT_LT(result.end.bands, divided.bands + 1.5);
    EXPECT_LT(result.end.subjectMean, divided.subjectMean / 2);
    EXPECT_LT(result.end.totalMean, divided.totalMean);
}

TEST(Optimiser, SameSeedSameClassesOtherSeedOtherClasses) {
    const std::vector<StudentRow> start = cohort::intake(150, 9);
    std::vector<StudentRow> first = start, second = start, other = start;
    optimise(first, 5, quick(7));
    optimise(second, 5, quick(7));
    optimise(other, 5, quick(8));
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
}

// Fixed students, groups, lone categories and homophones take other ways through the search.
TEST(Optimiser, SameSeedSameClassesOnShapedIntakes) {
    for (const std::uint32_t seed : {3u, 12u}) {
        const cohort::ShapedIntake intake = cohort::shapedIntake(seed, {4, 10, 20, 40});
        OptimiseOptions options = quick(seed);
        options.groups = intake.groups;
        std::vector<StudentRow> first = intake.rows, second = intake.rows;
        const OptimiseResult one = optimise(first, intake.classes, options);
        const OptimiseResult two = optimise(second, intake.classes, options);
        EXPECT_EQ(first, second) << intake.description;
        EXPECT_EQ(one.start, two.start);
        EXPECT_EQ(one.end, two.end);
    }
}

// Balancing one subject alone lets the others drift: the lowest cost leaves some figure worse than
// the well balanced start, and the search ends instead with the best classes that are not.
TEST(Optimiser, PrefersClassesNoWorseOnAnyFigureThanTheStart) {
    std::vector<StudentRow> rows = cohort::intake(240, 6);
    OptimiseOptions everything = quick();
    everything.seconds = 0.5;
    ASSERT_EQ(optimise(rows, 6, everything).outcome, OptimiseOutcome::Done);
    const std::vector<StudentRow> balanced = rows;

    OptimiseOptions oneSubject = quick(2);
    oneSubject.seconds = 0.3;
    oneSubject.subjects.fill(false);
    oneSubject.subjects[0] = true;
    oneSubject.total = false;
    oneSubject.bands = false;
    int heard = 0;
    OptimiseObserver observer;
    OptimiseFigures heardStart;
    observer.figures = [&](const OptimiseFigures &start, const OptimiseFigures &) {
        heardStart = start;
        ++heard;
    };
    const OptimiseResult result = optimise(rows, 6, oneSubject, observer);
    ASSERT_EQ(result.outcome, OptimiseOutcome::Done);
    EXPECT_EQ(result.start, optimiseFigures(balanced, 6));
    EXPECT_EQ(result.end, optimiseFigures(rows, 6));
    EXPECT_FALSE(result.end.worseThan(result.start))
        << "mean " << result.end.subjectMean << " > " << result.start.subjectMean << ", total "
        << result.end.totalMean << " > " << result.start.totalMean << ", sd " << result.end.subjectSd << " > "
        << result.start.subjectSd << ", bands " << result.end.bands << " > " << result.start.bands;
    EXPECT_GT(heard, 1);
    EXPECT_EQ(heardStart, result.start);
    expectHardRules(balanced, rows, 6);
}

TEST(Optimiser, StoppedBeforeTheFirstStepChangesNothingAndLaterKeepsTheBest) {
    const std::vector<StudentRow> start = cohort::intake(120, 4);
    std::vector<StudentRow> rows = start;
    OptimiseObserver stopAtOnce;
    stopAtOnce.stopRequested = [] {
        return true;
    };
    EXPECT_EQ(optimise(rows, 4, quick(), stopAtOnce).outcome, OptimiseOutcome::Stopped);
    EXPECT_EQ(rows, start);

    int asked = 0;
    long long lastDone = 0;
    OptimiseObserver stopLater;
    stopLater.stopRequested = [&] {
        return ++asked > 2;
    };
    stopLater.progress = [&](long long done, long long total) {
        EXPECT_LE(done, total);
        lastDone = done;
    };
    OptimiseOptions longer = quick();
    longer.seconds = 5;
    EXPECT_EQ(optimise(rows, 4, longer, stopLater).outcome, OptimiseOutcome::Stopped);
    EXPECT_GT(lastDone, 0);
    expectHardRules(start, rows, 4);
}

TEST(Optimiser, RefusesWhatItCannotDo) {
    std::vector<StudentRow> rows = cohort::intake(10, 1);
    const std::vector<StudentRow> start = rows;
    EXPECT_EQ(optimise(rows, 0, quick()).outcome, OptimiseOutcome::Refused);
    OptimiseOptions none = quick();
    none.seconds = 0;
    EXPECT_EQ(optimise(rows, 2, none).outcome, OptimiseOutcome::Refused);
    EXPECT_EQ(rows, start);
    std::vector<StudentRow> empty;
    EXPECT_EQ(optimise(empty, 3, quick()).outcome, OptimiseOutcome::Done);
}

TEST(Optimiser, SettingsTicksChooseTotalAndBands) {
    DivisionSettings settings;
    settings.isAvgCh = 0;    // read by the exact division only
    settings.isAvgTotal = 2; // only 1 is on
    settings.isAvgInter = 0;
    const OptimiseOptions options = optimiseOptions(settings);
    EXPECT_TRUE(options.subjects[*subjectIndexOfCode("C")]);
    EXPECT_FALSE(options.total);
    EXPECT_FALSE(options.bands);
    settings.isAvgTotal = 1;
    settings.isAvgInter = 1;
    EXPECT_TRUE(optimiseOptions(settings).total);
    EXPECT_TRUE(optimiseOptions(settings).bands);
}

} // namespace
} // namespace fenban
