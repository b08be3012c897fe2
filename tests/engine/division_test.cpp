#include "run_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace fenban;
using namespace fenban::testing;

namespace {

template <class Engine> class Division : public ::testing::Test {
protected:
    std::unique_ptr<DivisionEngine> engine = Engine::make();
};

using Engines = ::testing::Types<ReferenceEngine, FastEngine>;
TYPED_TEST_SUITE(Division, Engines);

std::vector<int> classesOf(const std::vector<StudentRow> &rows, const std::vector<int> &ids) {
    std::vector<int> classes;
    for (const int id : ids)
        classes.push_back(byId(rows, id).classId);
    return classes;
}

const std::vector<std::string> boysFirstNoTuning{"对男的进行分",      "微调结束", "男的结束",
                                                 "对女的进行分",      "微调结束", "女的结束",
                                                 "正在刷新数据.....", "更新结束"};

} // namespace

TYPED_TEST(Division, SixBoysOverThreeClasses) {
    const struct {
        const char *why;
        std::vector<std::array<double, 9>> scores; // totals 600, 590, ... 550
        std::vector<int> classes;
    } cases[] = {
        {"fewest shared bands",
         {{70, 70, 70, 70, 70, 70, 60, 60, 60},
          {80, 80, 80, 80, 80, 60, 50, 40, 40},
          {90, 90, 90, 50, 50, 50, 50, 50, 60},
          {75, 75, 75, 75, 75, 65, 40, 40, 50},
          {70, 70, 70, 70, 70, 70, 50, 50, 40},
          {60, 60, 60, 60, 60, 60, 60, 60, 70}},
         {1, 2, 3, 3, 2, 1}},
        {"ties go to the earliest class",
         {{67, 67, 67, 67, 67, 67, 66, 66, 66},
          {66, 66, 66, 66, 66, 65, 65, 65, 65},
          {65, 65, 65, 65, 64, 64, 64, 64, 64},
          {63, 63, 63, 63, 63, 63, 64, 64, 64},
          {62, 62, 62, 62, 62, 62, 62, 63, 63},
          {61, 61, 61, 61, 61, 61, 61, 61, 62}},
         {1, 2, 3, 1, 2, 3}},
    };
    for (const auto &tc : cases) {
        std::vector<StudentRow> rows;
        // Listed out of order: the run orders by total.
        for (const int i : {3, 0, 5, 1, 4, 2})
            rows.push_back(student(i + 1, "男", tc.scores[i]));
        const Trace trace = divide(*this->engine, rows, 3, withTuning(-1));
        EXPECT_EQ(trace.lines, boysFirstNoTuning);
        EXPECT_EQ(classesOf(rows, {1, 2, 3, 4, 5, 6}), tc.classes) << tc.why;
        for (const StudentRow &row : rows)
            EXPECT_EQ(row.type, Placement::Placed);
    }
}

TYPED_TEST(Division, EqualTotalsArePlacedByStudentNumber) {
    std::vector<StudentRow> rows{student(9, "男", flat(50)), student(4, "男", flat(50)),
                                 student(6, "男", flat(50))};
    divide(*this->engine, rows, 3, withTuning(-1));
    EXPECT_EQ(classesOf(rows, {4, 6, 9}), (std::vector<int>{1, 2, 3}));
}

// Real student numbers have up to 18 digits; cut to 32 bits, these two would come before 2.
TYPED_TEST(Division, EqualTotalsArePlacedByTheWholeStudentNumber) {
    constexpr std::int64_t beyond32Bits = 4'294'967'297;
    constexpr std::int64_t eighteenDigits = 123'456'789'012'345'678;
    std::vector<StudentRow> rows{student(eighteenDigits, "男", flat(50)),
                                 student(beyond32Bits, "男", flat(50)), student(2, "男", flat(50))};
    divide(*this->engine, rows, 3, withTuning(-1));
    EXPECT_EQ(byId(rows, 2).classId, 1);
    EXPECT_EQ(byId(rows, beyond32Bits).classId, 2);
    EXPECT_EQ(byId(rows, eighteenDigits).classId, 3);
}

TYPED_TEST(Division, ClassHoldingTheSamePinyinIsPassedOver) {
    const struct {
        const char *why;
        std::vector<StudentRow> kept;
        int expected;
    } cases[] = {
        {"taken even with more boys",
         {student(1, "男", flat(50), "WANG WU", Placement::Fixed, 1),
          student(2, "男", flat(50), "", Placement::Fixed, 2),
          student(3, "男", flat(50), "", Placement::Fixed, 2)},
         2},
        {"all classes hold it: as if no test",
         {student(1, "男", flat(50), "WANG WU", Placement::Fixed, 1),
          student(2, "男", flat(50), "WANG WU", Placement::Fixed, 2),
          student(3, "男", flat(50), "", Placement::Fixed, 1)},
         2},
        {"all classes hold it: bands decide",
         {student(1, "男", flat(90), "WANG WU", Placement::Fixed, 1),
          student(2, "男", flat(20), "WANG WU", Placement::Fixed, 2)},
         1},
    };
    for (const auto &tc : cases) {
        std::vector<StudentRow> rows = tc.kept;
        rows.push_back(student(10, "男", flat(20), "WANG WU"));
        divide(*this->engine, rows, 2, withTuning(-1));
        EXPECT_EQ(byId(rows, 10).classId, tc.expected) << tc.why;
    }
}

TYPED_TEST(Division, GirlsBalanceOnGirlsButShareBandsWithEveryone) {
    std::vector<StudentRow> rows{student(1, "男", flat(95)), student(2, "男", flat(55)),
                                 student(3, "女", flat(92))};
    divide(*this->engine, rows, 2, withTuning(-1));
    EXPECT_EQ(classesOf(rows, {1, 2, 3}), (std::vector<int>{1, 2, 2}));
}

TYPED_TEST(Division, SexTextsAreTrimmedAndOddOnesStayOut) {
    std::vector<StudentRow> rows{student(1, "女 ", flat(80), {}, Placement::Placed, 4),
                                 student(2, "\u3000男", flat(70), {}, Placement::PlacedInCategory, 2),
                                 student(3, "", flat(60), {}, Placement::Placed, 3),
                                 student(4, "x", flat(50)),
                                 student(5, "男女", flat(40), {}, Placement::Waiting, 1)};
    divide(*this->engine, rows, 2, withTuning(0));
    EXPECT_EQ(byId(rows, 1).type, Placement::Placed);
    EXPECT_EQ(byId(rows, 1).classId, 1);
    EXPECT_EQ(byId(rows, 2).type, Placement::Placed);
    EXPECT_EQ(byId(rows, 2).classId, 1);
    for (const int odd : {3, 4, 5}) {
        EXPECT_EQ(byId(rows, odd).classId, 0) << odd;
        EXPECT_EQ(byId(rows, odd).type, Placement::Waiting) << odd;
    }
}

TYPED_TEST(Division, IsManOneAloneGoesBoysFirst) {
    for (const int isMan : {0, 1, 2, -1}) {
        std::vector<StudentRow> rows{student(1, "男", flat(50)), student(2, "女", flat(50))};
        const Trace trace = divide(*this->engine, rows, 2, withTuning(-1, isMan));
        const bool boysFirst = isMan == 1;
        ASSERT_EQ(trace.lines.size(), 8u);
        EXPECT_EQ(trace.lines[0], boysFirst ? "对男的进行分" : "对女的进行分") << isMan;
        EXPECT_EQ(trace.lines[3], boysFirst ? "对女的进行分" : "对男的进行分") << isMan;
        // The first sex placed takes the first class; the other shares all its bands and goes on.
        EXPECT_EQ(byId(rows, boysFirst ? 1 : 2).classId, 1) << isMan;
        EXPECT_EQ(byId(rows, boysFirst ? 2 : 1).classId, 2) << isMan;
    }
}

TYPED_TEST(Division, TuningPassesFollowWtNum) {
    const std::string idle = "微调替换0人，已经调整过的学生再符合替换条件有0人次";
    const struct {
        int wtNum;
        int linesPerSex;
    } cases[] = {{-1, 0}, {-7, 0}, {0, 1}, {2, 3}};
    for (const auto &tc : cases) {
        std::vector<StudentRow> rows{student(1, "男", flat(50)), student(2, "女", flat(60))};
        const Trace trace = divide(*this->engine, rows, 2, withTuning(tc.wtNum));
        std::vector<std::string> expected{"对男的进行分"};
        expected.insert(expected.end(), static_cast<std::size_t>(tc.linesPerSex), idle);
        expected.insert(expected.end(), {"微调结束", "男的结束", "对女的进行分"});
        expected.insert(expected.end(), static_cast<std::size_t>(tc.linesPerSex), idle);
        expected.insert(expected.end(), {"微调结束", "女的结束", "正在刷新数据.....", "更新结束"});
        EXPECT_EQ(trace.lines, expected) << tc.wtNum;
        ASSERT_EQ(trace.progress.size(), 2u * tc.linesPerSex);
        for (std::size_t i = 0; i < trace.progress.size(); ++i)
            EXPECT_EQ(trace.progress[i], std::make_pair(static_cast<long>(i) + 1, 2L * tc.linesPerSex));
    }
}

TYPED_TEST(Division, NothingPlacedYetMeansNoTuningLine) {
    // Girls first, and there are none and nobody is fixed: the girls' passes have nothing to measure.
    std::vector<StudentRow> rows{student(1, "男", flat(50))};
    const Trace trace = divide(*this->engine, rows, 2, withTuning(1, 0));
    EXPECT_EQ(trace.lines[0], "对女的进行分");
    EXPECT_EQ(trace.lines[1], "微调结束");
    EXPECT_EQ(std::count_if(trace.lines.begin(), trace.lines.end(),
                            [](const std::string &l) { return l.starts_with("微调替换"); }),
              2);
    EXPECT_EQ(trace.progress.size(), 4u);
}

TYPED_TEST(Division, FixedStudentsKeepTheirClassAndCountInIt) {
    std::vector<StudentRow> rows{student(1, "男", flat(50), {}, Placement::Fixed, 2),
                                 student(2, "男", flat(50), {}, Placement::Fixed, 9),
                                 student(3, "男", flat(80)), student(4, "男", flat(70)),
                                 student(5, "男", flat(60))};
    divide(*this->engine, rows, 2, withTuning(-1));
    EXPECT_EQ(classesOf(rows, {1, 2}), (std::vector<int>{2, 9}));
    EXPECT_EQ(byId(rows, 1).type, Placement::Fixed);
    EXPECT_EQ(byId(rows, 2).type, Placement::Fixed);
    // Class 2 starts with one boy, so the first two newcomers go to class 1 (the one fixed to
    // class 9 counts nowhere).
    EXPECT_EQ(classesOf(rows, {3, 4, 5}), (std::vector<int>{1, 1, 2}));
}

TYPED_TEST(Division, FixedStudentCountsOnlyInItsOwnCategoryPass) {
    std::vector<StudentRow> rows{student(1, "男", flat(50), {}, Placement::Fixed, 1, "A"),
                                 student(2, "男", flat(50), {}, Placement::Waiting, 0, "A"),
                                 student(3, "男", flat(50), {}, Placement::Waiting, 0, "B"),
                                 student(4, "男", flat(50))};
    divide(*this->engine, rows, 2, withTuning(-1));
    EXPECT_EQ(classesOf(rows, {1, 2, 3, 4}), (std::vector<int>{1, 2, 1, 2}));
    const std::vector<Placement> types{byId(rows, 1).type, byId(rows, 2).type, byId(rows, 3).type,
                                       byId(rows, 4).type};
    EXPECT_EQ(types, (std::vector<Placement>{Placement::Fixed, Placement::PlacedInCategory,
                                             Placement::PlacedInCategory, Placement::Placed}));
}

TYPED_TEST(Division, CategoryIsSpreadOverAllClassesFirst) {
    std::vector<StudentRow> rows;
    for (int i = 0; i < 4; ++i) {
        rows.push_back(student(10 + i, "男", flat(90 - 10 * i), {}, Placement::Waiting, 0, "体育"));
        rows.push_back(student(20 + i, "女", flat(85 - 10 * i), {}, Placement::Waiting, 0, "体育"));
    }
    for (int i = 0; i < 8; ++i)
        rows.push_back(
            student(30 + i, i % 2 ? "男" : "女", flat(40 + i), {}, Placement::PlacedInCategory, 1));
    rows.push_back(student(41, "x", flat(70), {}, Placement::Placed, 2, "体育"));
    rows.push_back(student(42, "女", flat(70), {}, Placement::Waiting, 0, "美术"));

    const Trace trace = divide(*this->engine, rows, 4, withTuning(2));
    ASSERT_EQ(trace.result.outcome, DivisionOutcome::Done);
    std::map<int, std::pair<int, int>> categoryPerClass; // class -> boys, girls of the category
    for (int i = 0; i < 4; ++i) {
        const StudentRow &boy = byId(rows, 10 + i);
        const StudentRow &girl = byId(rows, 20 + i);
        EXPECT_EQ(boy.type, Placement::PlacedInCategory);
        EXPECT_EQ(girl.type, Placement::PlacedInCategory);
        ++categoryPerClass[boy.classId].first;
        ++categoryPerClass[girl.classId].second;
    }
    EXPECT_EQ(categoryPerClass,
              (std::map<int, std::pair<int, int>>{{1, {1, 1}}, {2, {1, 1}}, {3, {1, 1}}, {4, {1, 1}}}));
    EXPECT_EQ(byId(rows, 41).type, Placement::PlacedInCategory);
    EXPECT_EQ(byId(rows, 41).classId, 0);
    EXPECT_EQ(byId(rows, 42).type, Placement::PlacedInCategory);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(byId(rows, 30 + i).type, Placement::Placed);
        EXPECT_NE(byId(rows, 30 + i).classId, 0);
    }
    // One pass per category in byte order of the names, then the rest: 3 placement passes.
    EXPECT_EQ(std::count(trace.lines.begin(), trace.lines.end(), "更新结束"), 3);
    EXPECT_EQ(trace.progress.back(), std::make_pair(18L, 18L));
}

TYPED_TEST(Division, ClassCountBelowOneIsRefused) {
    for (const int numClass : {0, -3}) {
        std::vector<StudentRow> rows{student(1, "男", flat(50), {}, Placement::Placed, 2)};
        const auto before = rows;
        const Trace trace = divide(*this->engine, rows, numClass, withTuning(0));
        EXPECT_EQ(trace.result.outcome, DivisionOutcome::Refused);
        EXPECT_EQ(trace.result.message, "班级数必须大于0");
        EXPECT_TRUE(trace.lines.empty());
        EXPECT_EQ(rows, before);
    }
}

TYPED_TEST(Division, CancelledRunLeavesTheRowsAlone) {
    std::vector<StudentRow> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back(
            student(i + 1, i % 2 ? "男" : "女", flat(40 + 3 * i), {}, static_cast<Placement>(i % 3), i % 4));
    const auto before = rows;
    const Trace trace = divide(*this->engine, rows, 3, withTuning(3), 2);
    EXPECT_EQ(trace.result.outcome, DivisionOutcome::Cancelled);
    EXPECT_EQ(rows, before);
    EXPECT_EQ(trace.progress.size(), 2u);
    EXPECT_EQ(trace.lines.back().substr(0, 12), "微调替换");
}
