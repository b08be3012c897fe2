#include "store/division_runner.h"

#include "store/database.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using fenban::OptimiseObserver;
using fenban::OptimiseOptions;
using fenban::OptimiseOutcome;
using fenban::OptimiseResult;
using fenban::StudentRow;
using fenban::store::DivisionRunner;
using fenban::store::RunOutcome;
using fenban::testing::TempDatabase;

namespace {

// Nine students in three classes, divided by hand; student 9 has no sex and so no class, as the
// exact division leaves such a student.
QList<fenban::store::StudentRecord> divided() {
    QList<fenban::store::StudentRecord> students;
    for (int id = 1; id <= 9; ++id) {
        students.append(fenban::testing::StudentBuilder(id)
                            .name(QStringLiteral("学生%1").arg(id))
                            .sex(id == 9  ? QString()
                                 : id % 2 ? QStringLiteral("男")
                                          : QStringLiteral("女"))
                            .scores(50 + id * 5)
                            .pinyin(QStringLiteral("XUE SHENG %1").arg(id))
                            .inClass(id == 9 ? 0 : (id - 1) % 3 + 1)
                            .type(id == 9 ? 0 : 1));
    }
    return students;
}

// An optimiser for the test: moves student 1 into class 3 and ends as told, doing `meanwhile`
// first.
struct MovingOptimiser {
    OptimiseResult result;
    std::function<void()> meanwhile = {};
    OptimiseOptions *seen = nullptr;

    OptimiseResult operator()(std::vector<StudentRow> &rows, int, const OptimiseOptions &options,
                              const OptimiseObserver &) const {
        if (meanwhile)
            meanwhile();
        if (seen)
            *seen = options;
        rows.front().classId = 3;
        return result;
    }
};

class Optimise : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 3}));
        ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, divided()).kind,
                  fenban::store::ReplaceOutcome::Written);
        before = classesAndTypes();
    }
    QStringList classesAndTypes() const {
        return db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 ORDER BY student_id"));
    }
    RunOutcome optimise(const DivisionRunner::Optimiser &optimiser = {},
                        const std::function<bool()> &keep = {}, double seconds = 0.002) {
        DivisionRunner runner(db.connection(), *engine);
        if (optimiser)
            runner.useOptimiser(optimiser);
        return runner.optimise(1, seconds, 7, {}, keep);
    }

    TempDatabase db;
    std::unique_ptr<fenban::DivisionEngine> engine = fenban::makeFastEngine();
    QStringList before;
};

} // namespace

TEST_F(Optimise, PlacesTheStudentWithoutSexAndKeepsTheClassesEven) {
    const RunOutcome outcome = optimise();
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_TRUE(outcome.withoutSex.isEmpty());
    EXPECT_EQ(db.query(QStringLiteral(
                  "SELECT class_id, count(*), min(type), max(type) FROM qx_1 GROUP BY 1 ORDER BY 1")),
              (QStringList{QStringLiteral("1|3|1|1"), QStringLiteral("2|3|1|1"), QStringLiteral("3|3|1|1")}));
}

TEST_F(Optimise, TheProjectsTicksChooseWhatIsBalancedAndTheBudgetIsPassedOn) {
    db.query(QStringLiteral("UPDATE config SET is_avg_ch=0, is_avg_total=0, is_avg_inter=0"));
    // The subject ticks of the settings window: 语文 (bit 2) off.
    db.query(QStringLiteral("UPDATE optimise_config SET after_division=0, subjects=507 WHERE id=1"));
    OptimiseOptions seen;
    ASSERT_EQ(optimise(MovingOptimiser{{}, {}, &seen}, {}, 2.5).kind, RunOutcome::Done);
    EXPECT_EQ(seen.seconds, 2.5);
    EXPECT_EQ(seen.seed, 7U);
    EXPECT_FALSE(seen.subjects[*fenban::subjectIndexOfCode("C")]);
    EXPECT_TRUE(seen.subjects[*fenban::subjectIndexOfCode("M")]);
    EXPECT_FALSE(seen.total);
    EXPECT_FALSE(seen.bands);
}

// A stopped search is written only when the teacher chooses to keep it, and the choice is asked
// only of a stopped search.
TEST_F(Optimise, AStoppedSearchIsWrittenOnlyWhenKept) {
    const struct {
        OptimiseOutcome ended;
        std::optional<bool> keep; // empty: no question given
        RunOutcome::Kind kind;
        bool asked;
    } cases[] = {
        {OptimiseOutcome::Stopped, std::nullopt, RunOutcome::Cancelled, false},
        {OptimiseOutcome::Stopped, false, RunOutcome::Cancelled, true},
        {OptimiseOutcome::Stopped, true, RunOutcome::Done, true},
        {OptimiseOutcome::Done, false, RunOutcome::Done, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        bool asked = false;
        std::function<bool()> keep;
        if (c.keep) {
            keep = [&asked, answer = *c.keep] {
                asked = true;
                return answer;
            };
        }
        const RunOutcome outcome = optimise(MovingOptimiser{{c.ended, {}}}, keep);
        EXPECT_EQ(outcome.kind, c.kind) << outcome.message.toStdString();
        EXPECT_EQ(asked, c.asked);
        const QStringList student1 = db.query(QStringLiteral("SELECT class_id FROM qx_1 WHERE student_id=1"));
        EXPECT_EQ(student1,
                  QStringList{c.kind == RunOutcome::Done ? QStringLiteral("3") : QStringLiteral("1")});
        db.query(QStringLiteral("UPDATE qx_1 SET class_id=1 WHERE student_id=1"));
        EXPECT_EQ(classesAndTypes(), before);
    }
}

TEST_F(Optimise, ARefusalOrAFailureWhileWritingKeepsThePreviousDivision) {
    RunOutcome outcome = optimise(MovingOptimiser{{OptimiseOutcome::Refused, "不能优化"}});
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_EQ(outcome.message, QStringLiteral("不能优化"));
    EXPECT_EQ(classesAndTypes(), before);

    db.refuseWrites(QStringLiteral("refuse"), QStringLiteral("UPDATE"), QStringLiteral("qx_1"),
                    QStringLiteral("NEW.student_id = 9"), QStringLiteral("injected failure"));
    // Student 1 is moved and student 9 placed; the update of 9 fails after that of 1 succeeded.
    outcome =
        optimise([](std::vector<StudentRow> &rows, int, const OptimiseOptions &, const OptimiseObserver &) {
            rows.front().classId = 3;
            rows.back().classId = 1;
            rows.back().type = fenban::Placement::Placed;
            return OptimiseResult{};
        });
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("injected failure")))
        << outcome.message.toStdString();
    EXPECT_EQ(classesAndTypes(), before);
}

TEST_F(Optimise, SettingsThatCannotBeUsedAreRefusedBeforeAnythingChanges) {
    const struct {
        QString statement; // run inside a transaction that is rolled back afterwards
        QString message;
    } cases[] = {
        {QStringLiteral("DELETE FROM config"), QStringLiteral("不存在该班别的参数设置")},
        {QStringLiteral("UPDATE config SET is_man=NULL"),
         QStringLiteral("分班设置中的“先男后女”为空，请在分班设置中填写")},
        {QStringLiteral("UPDATE qx_info SET num=0"), QStringLiteral("班级数必须大于0")},
    };
    for (const auto &c : cases) {
        db.query(QStringLiteral("BEGIN"));
        db.query(c.statement);
        const RunOutcome outcome = optimise();
        EXPECT_EQ(outcome.kind, RunOutcome::Failed) << c.statement.toStdString();
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(classesAndTypes(), before);
        db.query(QStringLiteral("ROLLBACK"));
    }
}

// Another program (here: a second connection) writes while the search works in memory; the run
// must neither report success over it nor undo it.
TEST_F(Optimise, ARunIsRefusedWhenAnotherWriterChangedItsProjectMeanwhile) {
    auto other = fenban::store::Database::open(db.location());
    ASSERT_TRUE(other) << other.error().toStdString();
    const QSqlDatabase second = other.value()->connection();
    const struct {
        QString statement;
        QString message;
    } cases[] = {
        {QStringLiteral("UPDATE qx_1 SET class_id=2 WHERE student_id=4"),
         QStringLiteral("优化期间学生数据已被修改，请重新优化")},
        {QStringLiteral("UPDATE qx_1 SET math=math+1 WHERE student_id=7"),
         QStringLiteral("优化期间学生数据已被修改，请重新优化")},
        {QStringLiteral("UPDATE config SET is_avg_ch=0"),
         QStringLiteral("优化期间班级数或分班设置已被修改，请重新优化")},
        {QStringLiteral("UPDATE qx_info SET num=4"),
         QStringLiteral("优化期间班级数或分班设置已被修改，请重新优化")},
    };
    for (const auto &c : cases) {
        QStringList leftByOther;
        const RunOutcome outcome =
            optimise(MovingOptimiser{{}, [&] {
                                         ASSERT_TRUE(QSqlQuery(second).exec(c.statement));
                                         leftByOther = classesAndTypes();
                                     }});
        EXPECT_EQ(outcome.kind, RunOutcome::Failed) << c.statement.toStdString();
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(classesAndTypes(), leftByOther);
    }
}
