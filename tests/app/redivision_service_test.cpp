#include "app/division_service.h"

#include "intake.h"
#include "reports/balance.h"
#include "store/division_runner.h"
#include "store/optimise_settings.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::app::runDivision;
using fenban::store::RunOutcome;

namespace {

constexpr int classCount = 6;
const std::vector<int> chosen{1, 2};

// 240 made-up students in six classes, divided and evened out by the optimiser, as a teacher finds
// them before re-dividing two classes.
class RedivisionService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), classCount}));
        QList<fenban::store::StudentRecord> records;
        for (const fenban::StudentRow &row : fenban::cohort::intake(240, 11)) {
            fenban::store::StudentRecord record;
            record.studentId = row.studentId;
            record.name = QString::fromStdString(row.name);
            record.sex = QString::fromStdString(row.sex);
            for (std::size_t i = 0; i < fenban::subjectCount; ++i)
                record.scores[i] = row.scores[i];
            record.pingyin = QString::fromStdString(row.pingyin);
            record.pfType = QString::fromStdString(row.pfType);
            records.append(record);
        }
        ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, records).kind,
                  fenban::store::ReplaceOutcome::Written);
        optimiseAfterDivision(true);
        const RunOutcome divided = runDivision(db.connection(), {1, {}});
        ASSERT_EQ(divided.kind, RunOutcome::Done) << divided.message.toStdString();
        divisionRows = rows();
    }
    void optimiseAfterDivision(bool on) {
        ASSERT_TRUE(fenban::store::OptimiseSettingsStore(db.connection()).write(1, {1, on}));
    }
    std::vector<fenban::StudentRow> rows() const {
        return fenban::store::readStudentRows(db.connection(), 1).value();
    }
    static std::vector<fenban::reports::BalanceFigure> figures(const std::vector<fenban::StudentRow> &rows) {
        return fenban::reports::balanceSummary(fenban::reports::balanceReport(rows, classCount, chosen));
    }
    // Figures of the chosen classes that grew from `before` to `after`, by name.
    static std::vector<std::string> worse(const std::vector<fenban::reports::BalanceFigure> &before,
                                          const std::vector<fenban::reports::BalanceFigure> &after) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (after[i].value > before[i].value + 1e-9)
                names.push_back(after[i].name);
        }
        return names;
    }
    // Every student outside the chosen classes, with its class.
    static std::vector<std::pair<std::int64_t, int>> others(const std::vector<fenban::StudentRow> &rows) {
        std::vector<std::pair<std::int64_t, int>> kept;
        for (const fenban::StudentRow &row : rows) {
            if (row.classId != 1 && row.classId != 2)
                kept.emplace_back(row.studentId, row.classId);
        }
        return kept;
    }
    void restoreDivision() {
        for (const fenban::StudentRow &row : divisionRows)
            db.query(QStringLiteral("UPDATE qx_1 SET class_id=%1, type=%2 WHERE student_id=%3")
                         .arg(row.classId)
                         .arg(static_cast<int>(row.type))
                         .arg(row.studentId));
    }

    fenban::testing::TempDatabase db;
    std::vector<fenban::StudentRow> divisionRows;
};

} // namespace

TEST_F(RedivisionService, TheChosenClassesEndNoWorseWhereTheExactRedivisionAloneMakesThemWorse) {
    const auto before = figures(divisionRows);

    // The exact re-division alone: the case this guards against.
    optimiseAfterDivision(false);
    ASSERT_EQ(runDivision(db.connection(), {1, {1, 2}}).kind, RunOutcome::Done);
    ASSERT_FALSE(worse(before, figures(rows())).empty())
        << "the exact re-division no longer makes them worse";

    restoreDivision();
    ASSERT_EQ(figures(rows())[3].value, before[3].value);
    optimiseAfterDivision(true);
    const RunOutcome outcome = runDivision(db.connection(), {1, {1, 2}});
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    const auto after = rows();
    EXPECT_EQ(worse(before, figures(after)), std::vector<std::string>{});
    EXPECT_EQ(others(after), others(divisionRows));
    // The teacher sees the chosen classes' figures before and after.
    ASSERT_FALSE(outcome.summary.isEmpty());
    EXPECT_EQ(outcome.summary.first(), QStringLiteral("所选班级重新分班前后:"));
    EXPECT_TRUE(outcome.summary.last().contains(QStringLiteral(" → ")));
}

// With one subject ticked the search is free to spread the others: where neither the re-divided nor
// the original classes can be evened out without some figure growing, they stay as they were.
TEST_F(RedivisionService, ClassesThatCannotBeEvenedOutWithoutAWorseFigureStayAsTheyWere) {
    const auto before = figures(divisionRows);
    fenban::store::OptimiseSettings mathOnly{1, true};
    mathOnly.subjects.fill(false);
    mathOnly.subjects[0] = true;
    ASSERT_TRUE(fenban::store::OptimiseSettingsStore(db.connection()).write(1, mathOnly));
    const RunOutcome outcome = runDivision(db.connection(), {1, {1, 2}});
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(worse(before, figures(rows())), std::vector<std::string>{});
    EXPECT_EQ(others(rows()), others(divisionRows));
}
