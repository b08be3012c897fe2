#include "app/division_service.h"

#include "service_fixture.h"
#include "store/database.h"
#include "store/optimise_settings.h"

using fenban::app::checkDivisionRequest;
using fenban::app::DivisionProgress;
using fenban::app::DivisionRequest;
using fenban::app::runDivision;
using fenban::store::RunOutcome;

namespace {

class DivisionService : public fenban::testing::ServiceTest {
protected:
    // The exact division; optimisation after it is tested on its own.
    void SetUp() override {
        ServiceTest::SetUp();
        ASSERT_TRUE(fenban::store::OptimiseSettingsStore(db.connection()).write(1, {10, false}));
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

    QStringList lines;
    std::vector<std::pair<long, long>> passes;
};

TEST_F(DivisionService, DividesOnAConnectionOfItsOwnAndReportsLinesAndPasses) {
    const RunOutcome outcome = runDivision(db.location(), {1, {}}, recording());
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT class_id, count(*) FROM qx_1 GROUP BY class_id ORDER BY 1")),
              (QStringList{QStringLiteral("1|4"), QStringLiteral("2|4"), QStringLiteral("3|4")}));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QStringLiteral("更新结束"));
    ASSERT_FALSE(passes.empty());
    EXPECT_EQ(passes.back().first, passes.back().second);
}

TEST_F(DivisionService, RedividesOnlyTheChosenClassesOnTheGivenConnection) {
    ASSERT_EQ(runDivision(db.connection(), {1, {}}).kind, RunOutcome::Done);
    // Class 3 as no division would leave it: two students swapped by hand.
    const auto first = [this](int classId) {
        return db
            .query(QStringLiteral("SELECT min(student_id) FROM qx_1 WHERE pfType='' AND class_id=%1")
                       .arg(classId))
            .value(0);
    };
    const QString fromFirst = first(1), fromThird = first(3);
    db.query(QStringLiteral("UPDATE qx_1 SET class_id=3 WHERE student_id=%1").arg(fromFirst));
    db.query(QStringLiteral("UPDATE qx_1 SET class_id=1 WHERE student_id=%1").arg(fromThird));
    const QStringList third =
        db.query(QStringLiteral("SELECT student_id FROM qx_1 WHERE class_id=3 ORDER BY 1"));
    const RunOutcome outcome = runDivision(db.connection(), {1, {1, 2}}, recording());
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT student_id FROM qx_1 WHERE class_id=3 ORDER BY 1")), third);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id IN (1, 2)")),
              QStringList{QStringLiteral("8")});
    EXPECT_FALSE(lines.isEmpty());
}

TEST_F(DivisionService, ACancelledRunLeavesTheClassesAsTheyWere) {
    const QStringList before = classes();
    DivisionProgress progress = recording();
    progress.cancelled = [] {
        return true;
    };
    EXPECT_EQ(runDivision(db.location(), {1, {}}, progress).kind, RunOutcome::Cancelled);
    EXPECT_EQ(classes(), before);
}

TEST_F(DivisionService, StudentsWithoutSexAreNamedInTheOutcome) {
    db.query(QStringLiteral("UPDATE qx_1 SET sex='' WHERE student_id IN (5, 2)"));
    const RunOutcome outcome = runDivision(db.location(), {1, {}});
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    ASSERT_EQ(outcome.withoutSex.size(), 2);
    EXPECT_EQ(outcome.withoutSex[0].studentId, 2);
    EXPECT_EQ(outcome.withoutSex[1].name, QStringLiteral("学生5"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT student_id FROM qx_1 WHERE class_id=0 ORDER BY 1")),
              (QStringList{QStringLiteral("2"), QStringLiteral("5")}));
}

TEST_F(DivisionService, AFileThatCannotBeOpenedFailsTheRunWithTheReason) {
    const QString path = notADatabase();
    const QString reason = fenban::store::Database::open(path).error();
    ASSERT_FALSE(reason.isEmpty());
    const RunOutcome outcome = runDivision(path, {1, {}}, recording());
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_EQ(outcome.message, reason);
    EXPECT_TRUE(lines.isEmpty());
}

TEST_F(DivisionService, RequestsNamingAMissingProjectOrClassAreRefusedAsGiven) {
    const struct {
        DivisionRequest request;
        QString error; // empty: accepted
    } cases[] = {
        {{1, {}}, {}},
        {{1, {1, 3}}, {}},
        {{1, {2, 0}}, QStringLiteral("班级号必须在1到3之间: 0")},
        {{1, {4}}, QStringLiteral("班级号必须在1到3之间: 4")},
        {{1, {-1}}, QStringLiteral("班级号必须在1到3之间: -1")},
        {{9, {}}, QStringLiteral("不存在编号为9的分班项目")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error.toStdString());
        const auto checked = checkDivisionRequest(db.connection(), c.request);
        EXPECT_EQ(static_cast<bool>(checked), c.error.isEmpty());
        EXPECT_EQ(checked.error(), c.error);
    }
}

} // namespace
