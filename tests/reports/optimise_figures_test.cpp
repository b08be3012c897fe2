#include "engine/optimiser.h"
#include "intake.h"
#include "intake_shapes.h"
#include "reports/balance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fenban {
namespace {

void expectReportsFigures(const std::vector<StudentRow> &rows, int classes, const std::string &name) {
    const OptimiseFigures figures = optimiseFigures(rows, classes);
    const reports::BalanceReport report = reports::balanceReport(rows, classes);
    // Added up in the same order, so equal to the last digit.
    EXPECT_DOUBLE_EQ(figures.subjectMean, report.worstSubjectMeanDev()) << name;
    EXPECT_DOUBLE_EQ(figures.totalMean, report.worstTotalMeanDev()) << name;
    EXPECT_DOUBLE_EQ(figures.subjectSd, report.worstSubjectSdDev()) << name;
    EXPECT_DOUBLE_EQ(figures.bands, report.worstBandDev()) << name;
    EXPECT_DOUBLE_EQ(figures.sex, report.worstSexDev()) << name;
    EXPECT_DOUBLE_EQ(figures.category, report.worstCategoryDev()) << name;
    EXPECT_EQ(figures.samePinyinPairs, report.samePinyinPairs) << name;
    EXPECT_EQ(figures.unplaced, static_cast<long long>(report.unplaced.size())) << name;
}

// Shaped intakes with lone categories, homophones, zeros and fixed students, as they come (nobody
// placed), spread over the classes with some left out and some beyond them, and after the optimiser.
TEST(OptimiseFigures, EqualTheBalanceReportsFigures) {
    for (const std::uint32_t seed : {1u, 4u, 5u, 11u}) {
        cohort::ShapedIntake intake = cohort::shapedIntake(seed, {3, 12, 20, 40});
        const std::string name = intake.description;
        expectReportsFigures(intake.rows, intake.classes, name + " unplaced");
        for (std::size_t i = 0; i < intake.rows.size(); ++i) {
            StudentRow &row = intake.rows[i];
            if (row.type != Placement::Fixed)
                row.classId = i % 17 == 0   ? 0
                              : i % 29 == 0 ? intake.classes + 1
                                            : 1 + static_cast<int>(i * 7 % 13) % intake.classes;
        }
        expectReportsFigures(intake.rows, intake.classes, name + " spread");
        OptimiseOptions options;
        options.seconds = 0.05;
        options.groups = intake.groups;
        const OptimiseResult result = optimise(intake.rows, intake.classes, options);
        expectReportsFigures(intake.rows, intake.classes, name + " optimised");
        EXPECT_EQ(result.end, optimiseFigures(intake.rows, intake.classes)) << name;
    }
    std::vector<StudentRow> rows = cohort::intake(300, 2);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].classId = 1 + static_cast<int>(i % 7);
    expectReportsFigures(rows, 7, "realistic");
    expectReportsFigures(rows, 9, "two classes empty");
    expectReportsFigures({}, 3, "no rows");
    expectReportsFigures(rows, 0, "no classes");
}

} // namespace
} // namespace fenban
