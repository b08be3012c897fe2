#include "app/division_service.h"
#include "app/optimise_service.h"

#include "service_fixture.h"
#include "store/database.h"
#include "store/optimise_settings.h"

using fenban::app::DivisionProgress;
using fenban::app::OptimisationRun;
using fenban::app::OptimiseProgress;
using fenban::app::runDivision;
using fenban::app::runOptimisation;
using fenban::store::RunOutcome;

namespace {

// Student 12 has no sex: the exact division leaves it in class 0, the optimiser places it.
class OptimiseAfterDivision : public fenban::testing::ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        db.query(QStringLiteral("UPDATE qx_1 SET sex='' WHERE student_id=12"));
    }
    void optimiseAfterDivision(bool on) {
        ASSERT_TRUE(fenban::store::OptimiseSettingsStore(db.connection()).write(1, {1, on}));
    }
    DivisionProgress recording() {
        DivisionProgress progress;
        progress.line = [this](const QString &line) {
            lines.append(line);
        };
        progress.passes = [this](long done, long total) {
            passes.emplace_back(done, total);
        };
        return progress;
    }
    QStringList unplaced() const {
        return db.query(QStringLiteral("SELECT student_id FROM qx_1 WHERE class_id=0 ORDER BY 1"));
    }

    QStringList lines;
    std::vector<std::pair<long, long>> passes;
};

TEST_F(OptimiseAfterDivision, AWholeDivisionIsOptimisedWhenTheProjectAsks) {
    optimiseAfterDivision(true);
    const RunOutcome outcome = runDivision(db.location(), {1, {}}, recording());
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_TRUE(outcome.withoutSex.isEmpty());
    EXPECT_TRUE(unplaced().isEmpty());
    const qsizetype divided = lines.lastIndexOf(QStringLiteral("更新结束"));
    ASSERT_GE(divided, 0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.mid(divided + 1),
              (QStringList{QStringLiteral("开始优化均衡"), QStringLiteral("优化均衡完成")}));
    ASSERT_FALSE(passes.empty());
    EXPECT_EQ(passes.back().first, passes.back().second);
}

TEST_F(OptimiseAfterDivision, WithoutTheSettingTheExactDivisionStandsAndARedivisionStaysInItsClasses) {
    for (const bool on : {false, true}) {
        optimiseAfterDivision(on);
        lines.clear();
        // Divided exactly first, so that student 12 is in no class.
        const RunOutcome outcome = on ? runDivision(db.connection(), {1, {1, 2}}, recording())
                                      : runDivision(db.connection(), {1, {}}, recording());
        ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
        EXPECT_EQ(lines.contains(QStringLiteral("开始优化均衡")), on);
        // A re-division's optimisation works on the chosen classes' students only.
        EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
        EXPECT_EQ(outcome.summary.value(0),
                  on ? QStringLiteral("所选班级重新分班前后:") : QStringLiteral("均衡情况:"));
    }
}

// Stopping during the optimisation keeps the division already written and drops the search.
TEST_F(OptimiseAfterDivision, StoppingTheOptimisationKeepsTheDivision) {
    optimiseAfterDivision(true);
    DivisionProgress progress = recording();
    progress.cancelled = [this] {
        return lines.contains(QStringLiteral("开始优化均衡"));
    };
    const RunOutcome outcome = runDivision(db.location(), {1, {}}, progress);
    EXPECT_EQ(outcome.kind, RunOutcome::Cancelled);
    EXPECT_EQ(outcome.message, QStringLiteral("已停止优化均衡，分班结果已保存"));
    // The window refreshes its grid on this, and still names the student the division left out.
    EXPECT_TRUE(outcome.written);
    ASSERT_EQ(outcome.withoutSex.size(), 1);
    EXPECT_EQ(outcome.withoutSex.front().studentId, 12);
    EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id BETWEEN 1 AND 3")),
              QStringList{QStringLiteral("11")});
}

TEST_F(OptimiseAfterDivision, AFailingOptimisationSaysTheDivisionWasSaved) {
    optimiseAfterDivision(true);
    db.refuseWrites(QStringLiteral("refuse"), QStringLiteral("UPDATE"), QStringLiteral("qx_1"),
                    QStringLiteral("NEW.student_id = 12"), QStringLiteral("injected failure"));
    const RunOutcome outcome = runDivision(db.location(), {1, {}}, recording());
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("分班已完成，但优化均衡失败: ")))
        << outcome.message.toStdString();
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("injected failure")));
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.withoutSex.size(), 1);
    EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id BETWEEN 1 AND 3")),
              QStringList{QStringLiteral("11")});
}

using OptimiseService = OptimiseAfterDivision;

TEST_F(OptimiseService, MeasuresTheBalanceBeforeAndAfterTheWrittenClasses) {
    optimiseAfterDivision(false);
    ASSERT_EQ(runDivision(db.connection(), {1, {}}).kind, RunOutcome::Done);
    std::vector<std::pair<long long, long long>> steps;
    OptimiseProgress progress;
    progress.steps = [&steps](long long done, long long total) {
        steps.emplace_back(done, total);
    };
    const OptimisationRun run = runOptimisation(db.location(), {1, 0.002, 3}, progress);
    ASSERT_EQ(run.outcome.kind, RunOutcome::Done) << run.outcome.message.toStdString();
    ASSERT_TRUE(run.before && run.after);
    EXPECT_EQ(run.before->placed, 11);
    ASSERT_EQ(run.before->unplaced.size(), 1U);
    EXPECT_EQ(run.before->unplaced.front().studentId, 12);
    EXPECT_EQ(run.after->placed, 12);
    EXPECT_TRUE(run.after->unplaced.empty());
    EXPECT_TRUE(unplaced().isEmpty());
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().first, steps.back().second);
}

TEST_F(OptimiseService, WithoutSecondsTheProjectsBudgetIsUsedAndChecked) {
    db.query(QStringLiteral("UPDATE optimise_config SET seconds=0.5, after_division=0 WHERE id=1"));
    OptimisationRun run = runOptimisation(db.connection(), {1, std::nullopt, 1});
    EXPECT_EQ(run.outcome.kind, RunOutcome::Failed);
    EXPECT_EQ(run.outcome.message, QStringLiteral("优化时间必须在1到600秒之间"));
    EXPECT_EQ(unplaced().size(), 12);

    run = runOptimisation(db.connection(), {1, 0.002, 1});
    EXPECT_EQ(run.outcome.kind, RunOutcome::Done) << run.outcome.message.toStdString();
    EXPECT_TRUE(unplaced().isEmpty());
}

// A stopped search changes nothing unless the teacher keeps it; then it counts as done and is measured.
TEST_F(OptimiseService, AStopChangesNothingUnlessKept) {
    for (const bool keep : {false, true}) {
        OptimiseProgress progress;
        progress.stopRequested = [] {
            return true;
        };
        progress.keepOnStop = [keep] {
            return keep;
        };
        const QStringList before = classes();
        const OptimisationRun run = runOptimisation(db.connection(), {1, 0.002, 1}, progress);
        EXPECT_EQ(run.outcome.kind, keep ? RunOutcome::Done : RunOutcome::Cancelled);
        EXPECT_TRUE(run.before.has_value());
        EXPECT_EQ(run.after.has_value(), keep);
        if (!keep) {
            EXPECT_EQ(classes(), before);
        }
    }
}

// The classes are committed before their figures are read: when only the figures cannot be read, the
// run is done and the teacher is told just that, never that something was not saved.
TEST_F(OptimiseService, FiguresThatCannotBeReadAfterTheWriteLeaveTheRunDone) {
    OptimiseProgress progress;
    progress.stopRequested = [] {
        return true;
    };
    // Asked after the search and before the write; the rules' table gone, the figures cannot be read.
    progress.keepOnStop = [this] {
        db.query(QStringLiteral("ALTER TABLE qx_groups RENAME TO qx_groups_gone"));
        return true;
    };
    const OptimisationRun run = runOptimisation(db.connection(), {1, 0.002, 1}, progress);
    ASSERT_EQ(run.outcome.kind, RunOutcome::Done) << run.outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT action FROM qx_history WHERE project_id=1 ORDER BY id DESC"))
                  .value(0),
              QStringLiteral("优化均衡"));
    EXPECT_TRUE(run.before.has_value());
    EXPECT_FALSE(run.after.has_value());
    EXPECT_EQ(run.figuresMissing, QStringLiteral("优化结果已保存，只是无法读取优化后的均衡度"));
}

TEST_F(OptimiseService, AMissingProjectOrFileFailsWithTheReason) {
    OptimisationRun run = runOptimisation(db.connection(), {9, 1.0, 1});
    EXPECT_EQ(run.outcome.kind, RunOutcome::Failed);
    EXPECT_EQ(run.outcome.message, QStringLiteral("不存在编号为9的分班项目"));
    EXPECT_FALSE(run.before.has_value());

    const QString path = notADatabase();
    run = runOptimisation(path, {1, 0.002, 1});
    EXPECT_EQ(run.outcome.kind, RunOutcome::Failed);
    EXPECT_EQ(run.outcome.message, fenban::store::Database::open(path).error());
}

} // namespace
