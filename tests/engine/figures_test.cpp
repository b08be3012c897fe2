#include "engine/pass.h"

#include "run_support.h"

#include <gtest/gtest.h>

using namespace fenban;
using fenban::testing::flat;
using fenban::testing::student;

namespace {

std::vector<StudentRow> mathScores(const std::vector<double> &scores, Placement type = Placement::Placed) {
    std::vector<StudentRow> rows;
    for (const double math : scores) {
        auto scores9 = flat(0);
        scores9[0] = math;
        rows.push_back(student(static_cast<int>(rows.size()) + 1, "男", scores9, {}, type));
    }
    return rows;
}

} // namespace

TEST(PassFigures, BandTargetsAreHeadCountsPerClassRoundedHalfToEven) {
    const struct {
        int inBand, classes, target;
    } cases[] = {{26, 4, 6}, {30, 4, 8}, {27, 4, 7}, {2, 4, 0}, {1, 1, 1}, {3, 2, 2}};
    for (const auto &c : cases) {
        const auto rows = mathScores(std::vector<double>(static_cast<std::size_t>(c.inBand), 74.5));
        const auto figures = passFigures(rows, c.classes);
        ASSERT_TRUE(figures);
        EXPECT_EQ(figures->bandTargets[0][7], c.target) << c.inBand << "/" << c.classes;
        EXPECT_EQ(figures->bandTargets[0][6], 0);
        // Every other subject scored 0: all in band 0.
        EXPECT_EQ(figures->bandTargets[1][0], c.target);
    }
}

TEST(PassFigures, OnlyPlacedRowsCount) {
    auto rows = mathScores({70, 71, 72, 79.99});
    rows[0].type = Placement::Waiting;
    rows[1].type = Placement::Fixed; // fixed rows count whatever class they name
    rows[1].classId = 9;
    rows[2].type = Placement::PlacedInCategory;
    const auto figures = passFigures(rows, 1);
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->bandTargets[0][7], 3);
    EXPECT_EQ(figures->placedAvg[0], 74); // 222.99 / 3
}

TEST(PassFigures, PlacedAveragesRoundHalfToEven) {
    const struct {
        std::vector<double> math;
        int average;
    } cases[] = {{{70, 75}, 72}, {{73, 74}, 74}, {{0.5}, 0}, {{1.5}, 2}, {{60, 60, 61}, 60}};
    for (const auto &c : cases) {
        const auto figures = passFigures(mathScores(c.math), 3);
        ASSERT_TRUE(figures);
        EXPECT_EQ(figures->placedAvg[0], c.average);
    }
}

TEST(PassFigures, TotalAverageIsTheAverageOfRowTotals) {
    std::vector<StudentRow> rows{
        student(1, "男", {90, 80, 70, 60, 50, 40, 30, 20, 10}, {}, Placement::Placed),
        student(2, "女", flat(50.5), {}, Placement::Placed)};
    const auto figures = passFigures(rows, 2);
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->placedAvg[totalMeasure], 452); // (450 + 454.5) / 2 = 452.25
    EXPECT_EQ(figures->placedAvg[0], 70);             // (90 + 50.5) / 2 = 70.25
}

TEST(PassFigures, NothingPlacedGivesNoFigures) {
    EXPECT_FALSE(passFigures(mathScores({70, 80}, Placement::Waiting), 2));
    EXPECT_FALSE(passFigures({}, 2));
}

TEST(PassFigures, OutOfRangeScoresCountInTheEndBands) {
    const auto figures = passFigures(mathScores({-20, -5, 3, 20000, 10001}), 1);
    ASSERT_TRUE(figures);
    EXPECT_EQ(figures->bandTargets[0][0], 3);
    EXPECT_EQ(figures->bandTargets[0][highestBand], 2);
}
