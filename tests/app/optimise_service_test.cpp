#include "app/division_service.h"

#include "service_fixture.h"
#include "store/optimise_settings.h"

using fenban::app::DivisionProgress;
using fenban::app::runDivision;
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
    const RunOutcome outcome = runDivision(db.path(), {1, {}}, recording());
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

TEST_F(OptimiseAfterDivision, WithoutTheSettingOrForARedivisionTheExactDivisionStands) {
    for (const bool on : {false, true}) {
        optimiseAfterDivision(on);
        lines.clear();
        const RunOutcome outcome = on ? runDivision(db.connection(), {1, {1, 2}}, recording())
                                      : runDivision(db.connection(), {1, {}}, recording());
        ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
        EXPECT_FALSE(lines.contains(QStringLiteral("开始优化均衡"))) << on;
        EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
    }
}

// Stopping during the optimisation keeps the division already written and drops the search.
TEST_F(OptimiseAfterDivision, StoppingTheOptimisationKeepsTheDivision) {
    optimiseAfterDivision(true);
    DivisionProgress progress = recording();
    progress.cancelled = [this] {
        return lines.contains(QStringLiteral("开始优化均衡"));
    };
    const RunOutcome outcome = runDivision(db.path(), {1, {}}, progress);
    EXPECT_EQ(outcome.kind, RunOutcome::Cancelled);
    EXPECT_EQ(outcome.message, QStringLiteral("已停止优化均衡，分班结果已保存"));
    EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id BETWEEN 1 AND 3")),
              QStringList{QStringLiteral("11")});
}

TEST_F(OptimiseAfterDivision, AFailingOptimisationSaysTheDivisionWasSaved) {
    optimiseAfterDivision(true);
    db.query(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON qx_1 WHEN NEW.student_id = 12 "
                            "BEGIN SELECT RAISE(ABORT, 'injected failure'); END"));
    const RunOutcome outcome = runDivision(db.path(), {1, {}}, recording());
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_TRUE(outcome.message.startsWith(QStringLiteral("分班已完成，但优化均衡失败: ")))
        << outcome.message.toStdString();
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("injected failure")));
    EXPECT_EQ(unplaced(), QStringList{QStringLiteral("12")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id BETWEEN 1 AND 3")),
              QStringList{QStringLiteral("11")});
}

} // namespace
