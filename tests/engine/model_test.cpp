#include "engine/distribute.h"
#include "engine/rules.h"
#include "engine/student.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <deque>
#include <stdexcept>

using namespace fenban;

namespace {

// Students live in a deque so that the class's references stay valid as more are made.
struct ClassBuilder {
    std::deque<Tstudent> students;
    Tdistribute cls;

    Tstudent &add(int id, const std::string &sex, double math, const std::string &pinyin = "P") {
        Tstudent &s = students.emplace_back();
        s.setInfo(id, "n", 0, sex, Placement::Waiting, pinyin);
        s.setScores(math, 0, 0, 0, 0, 0, 0, 0, 0);
        cls.addStudent(s);
        return s;
    }
};

} // namespace

TEST(Rules, RoundingGoesToTheEvenNeighbourOnHalves) {
    const struct {
        double value;
        int rounded;
    } cases[] = {{72.5, 72}, {73.5, 74}, {6.5, 6}, {7.5, 8}, {72.49, 72},     {72.51, 73},     {-0.5, 0},
                 {-1.5, -2}, {-2.6, -3}, {0.0, 0}, {NAN, 0}, {1e20, INT_MAX}, {-1e20, INT_MIN}};
    for (const auto &c : cases)
        EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
}

TEST(Rules, ScoreBandTruncatesAndStaysWithinTheTable) {
    const struct {
        double score;
        int band;
    } cases[] = {{0, 0},   {9.99, 0},     {60, 6},       {69.5, 6},     {100, 10}, {-5, 0},
                 {-15, 0}, {10000, 1000}, {10010, 1000}, {1e300, 1000}, {NAN, 0},  {INFINITY, 1000}};
    for (const auto &c : cases)
        EXPECT_EQ(scoreBand(c.score), c.band) << c.score;
}

TEST(Rules, TrimmingDropsBlanksAtBothEndsOnly) {
    const struct {
        std::string_view text, trimmed;
    } cases[] = {{" 男", "男"},      {"女 ", "女"}, {"\t男\t", "男"}, {"\u3000女\u3000 ", "女"},
                 {"男 女", "男 女"}, {"", ""},      {"   ", ""}};
    for (const auto &c : cases)
        EXPECT_EQ(trimBlanks(c.text), c.trimmed) << c.text;
}

TEST(Student, TotalAndAverageFollowTheScores) {
    Tstudent s;
    s.setScores(90, 80, 70, 60, 50, 40, 30, 20, 10);
    EXPECT_EQ(s.total, 450);
    EXPECT_EQ(s.average, 50);
    EXPECT_EQ(s.score(2), 70);
    EXPECT_EQ(s.measure(totalMeasure), 450);
}

TEST(Student, SameScoresComparesTheNineScoresOnly) {
    Tstudent a, b;
    a.setInfo(1, "甲", 0, "男", Placement::Waiting, "JIA");
    b.setInfo(2, "乙", 1, "女", Placement::Fixed, "YI");
    a.setScores(90, 80, 70, 60, 50, 40, 30, 20, 10);
    b.setScores(90, 80, 70, 60, 50, 40, 30, 20, 10);
    EXPECT_TRUE(a.sameScores(b));
    // Same total, one point moved between subjects.
    b.setScores(90, 80, 70, 60, 50, 40, 30, 21, 9);
    EXPECT_FALSE(a.sameScores(b));
}

TEST(Distribute, SexCountsTrimTheStudentButNotTheQuestion) {
    ClassBuilder c;
    c.add(1, " 男 ", 0);
    c.add(2, "男", 0);
    c.add(3, "\u3000女", 0);
    c.add(4, "x", 0);
    c.add(5, "", 0);
    EXPECT_EQ(c.cls.count, 5);
    EXPECT_EQ(c.cls.countBySex("男"), 2);
    EXPECT_EQ(c.cls.countBySex("女"), 1);
    EXPECT_EQ(c.cls.countBySex(" 男"), 0);
    EXPECT_EQ(c.cls.countBySex("x"), 0);
}

TEST(Distribute, AveragesOfAnEmptyClassAreAnError) {
    Tdistribute empty;
    EXPECT_THROW(empty.avgTotal(), std::domain_error);
    EXPECT_THROW(empty.avgMath(), std::domain_error);
    EXPECT_THROW(empty.avgShengwu(), std::domain_error);
}

TEST(Distribute, AverageFamilyNamesEachMeasure) {
    std::deque<Tstudent> students(2);
    Tdistribute cls;
    students[0].setScores(10, 20, 30, 40, 50, 60, 70, 80, 90);
    students[1].setScores(11, 21, 31, 41, 51, 61, 71, 81, 91.5);
    for (Tstudent &s : students)
        cls.addStudent(s);
    const double expected[] = {10.5, 20.5, 30.5, 40.5, 50.5, 60.5, 70.5, 80.5, 90.75, 450 + 4.75};
    const double actual[] = {cls.avgMath(),     cls.avgEnglish(), cls.avgChinese(), cls.avgWuli(),
                             cls.avgZhengzhi(), cls.avgLishi(),   cls.avgTiyu(),    cls.avgDili(),
                             cls.avgShengwu(),  cls.avgTotal()};
    for (std::size_t m = 0; m < measureCount; ++m) {
        EXPECT_EQ(actual[m], expected[m]) << m;
        EXPECT_EQ(cls.average(m), expected[m]) << m;
    }
}

TEST(Distribute, CountInBandSharesTheTruncatedBand) {
    ClassBuilder c;
    for (const double math : {70.0, 79.0, 80.0, 69.99})
        c.add(1, "男", math);
    EXPECT_EQ(c.cls.countInBand("M", 79.5), 2);
    EXPECT_EQ(c.cls.countInBand("M", 60), 1);
    EXPECT_EQ(c.cls.countInBand("E", 0), 4);
    EXPECT_EQ(c.cls.countInBand("X", 50), 0);
    EXPECT_EQ(c.cls.countInBand("", 70), 0);
}

TEST(Distribute, OutOfRangeScoresFoldIntoTheEndBands) {
    ClassBuilder c;
    c.add(1, "男", -15);
    c.add(2, "男", 5);
    c.add(3, "男", 12000);
    c.add(4, "男", 10005);
    EXPECT_EQ(c.cls.countInBand("M", -3), 2);
    EXPECT_EQ(c.cls.countInBand("M", 1e9), 2);
    BandTargets targets{};
    targets[0] = 3;
    EXPECT_EQ(c.cls.bandSwapTest("M", targets, 1e9, -1e9), 1);
}

TEST(Distribute, BandSwapVerdicts) {
    // The class holds `countOut` math scores in band 6 and `countIn` in band 8; the test asks about
    // giving up a 65 and taking in an 85.
    const struct {
        const char *why;
        std::string_view code;
        double out, in;
        int countOut, targetOut, countIn, targetIn, inter, verdict;
    } cases[] = {
        {"surplus out, shortage in", "M", 65, 85, 6, 5, 3, 4, 0, 1},
        {"on target both, 0 is not above 0", "M", 65, 85, 5, 5, 4, 4, 0, -1},
        {"surplus of two beats tolerance 0", "M", 65, 85, 7, 5, 4, 4, 0, 1},
        {"surplus of two within tolerance 3", "M", 65, 85, 7, 5, 4, 4, 3, -1},
        {"surplus of two against tolerance 1", "M", 65, 85, 7, 5, 4, 4, 1, 1},
        {"same band", "M", 65, 68, 7, 5, 0, 4, 0, 0},
        {"unknown code", "Q", 65, 85, 6, 5, 3, 4, 0, 0},
    };
    for (const auto &c : cases) {
        ClassBuilder b;
        b.cls.inter = c.inter;
        for (int i = 0; i < c.countOut; ++i)
            b.add(i, "男", 61);
        for (int i = 0; i < c.countIn; ++i)
            b.add(100 + i, "男", 88);
        BandTargets targets{};
        targets[6] = c.targetOut;
        targets[8] = c.targetIn;
        EXPECT_EQ(b.cls.bandSwapTest(c.code, targets, c.out, c.in), c.verdict) << c.why;
    }
}

TEST(Distribute, PinyinTests) {
    ClassBuilder c;
    EXPECT_FALSE(c.cls.hasPinyin(""));
    EXPECT_FALSE(c.cls.hasOtherWithPinyin(7, "LI SI"));
    c.add(7, "男", 0, "LI SI");
    c.add(8, "男", 0, "");
    EXPECT_TRUE(c.cls.hasPinyin("LI SI"));
    EXPECT_FALSE(c.cls.hasPinyin("li si"));
    EXPECT_FALSE(c.cls.hasPinyin("LI SI "));
    EXPECT_TRUE(c.cls.hasPinyin(""));
    EXPECT_FALSE(c.cls.hasOtherWithPinyin(7, "LI SI"));
    EXPECT_TRUE(c.cls.hasOtherWithPinyin(9, "LI SI"));
    c.add(9, "男", 0, "LI SI");
    EXPECT_TRUE(c.cls.hasOtherWithPinyin(7, "LI SI"));
}
