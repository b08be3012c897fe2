#include "reports/chart_figures.h"

#include "support/student_builder.h"

#include <gtest/gtest.h>

using fenban::reports::BoxFigures;
using fenban::reports::boxFigures;
using fenban::reports::chartFigures;
using fenban::store::StudentRecord;
using fenban::testing::StudentBuilder;

namespace {

struct BoxCase {
    const char *name;
    std::vector<double> values;
    BoxFigures expected;
};

class BoxFiguresTest : public testing::TestWithParam<BoxCase> {};

TEST_P(BoxFiguresTest, QuartilesInterpolateBetweenTheSortedValues) {
    const auto box = boxFigures(GetParam().values);
    ASSERT_TRUE(box);
    EXPECT_EQ(*box, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoxFiguresTest,
    testing::Values(BoxCase{"one", {7.0}, {7.0, 7.0, 7.0, 7.0, 7.0}},
                    BoxCase{"two", {10.0, 0.0}, {0.0, 2.5, 5.0, 7.5, 10.0}},
                    // Positions 1.25, 2.5 and 3.75 of 0, 10, 20, 40, 80 (given unsorted).
                    BoxCase{"five", {40.0, 0.0, 80.0, 10.0, 20.0}, {0.0, 10.0, 20.0, 40.0, 80.0}},
                    BoxCase{"four", {1.0, 2.0, 3.0, 4.0}, {1.0, 1.75, 2.5, 3.25, 4.0}}),
    [](const testing::TestParamInfo<BoxCase> &info) { return std::string(info.param.name); });

TEST(BoxFiguresTest, NoValuesGiveNoBox) {
    EXPECT_FALSE(boxFigures({}));
}

TEST(ChartFiguresTest, CohortMeansCountEveryStudentAndBoxesOnlyTheClassesOneToK) {
    // Subject 0 is missing for the student in class 0: the subject mean skips it, the total counts 0.
    const QList<StudentRecord> students{
        StudentBuilder(1).inClass(0).scores(10.0).score(0, std::nullopt),
        StudentBuilder(2).inClass(1).scores(20.0), StudentBuilder(3).inClass(1).scores(30.0),
        StudentBuilder(4).inClass(3).scores(40.0), // beyond the two classes of the project
    };
    const auto figures = chartFigures(students, 2);
    EXPECT_DOUBLE_EQ(figures.cohortMean[0], 30.0);
    EXPECT_DOUBLE_EQ(figures.cohortMean[1], 25.0);
    EXPECT_DOUBLE_EQ(figures.cohortMean[9], (80.0 + 180.0 + 270.0 + 360.0) / 4.0);
    ASSERT_EQ(figures.totalBoxes.size(), 2u);
    ASSERT_TRUE(figures.totalBoxes[0]);
    EXPECT_EQ(*figures.totalBoxes[0], (BoxFigures{180.0, 202.5, 225.0, 247.5, 270.0}));
    EXPECT_FALSE(figures.totalBoxes[1]);
}

} // namespace
