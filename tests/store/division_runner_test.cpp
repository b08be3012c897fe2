#include "store/division_runner.h"

#include "store/database.h"
#include "store/project_copy.h"
#include "store/project_lock.h"
#include "store/projects.h"
#include "store/settings.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <limits>
#include <utility>

using fenban::store::DivisionRunner;
using fenban::store::RunOutcome;
using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;

namespace {

// Twelve students, boys and girls, with spread scores and one category.
QList<StudentRecord> cohort() {
    QList<StudentRecord> students;
    for (int id = 1; id <= 12; ++id) {
        students.append(
            fenban::testing::StudentBuilder(id)
                .name(QStringLiteral("学生%1").arg(id))
                .sex(id % 2 ? QStringLiteral("男") : QStringLiteral("女"))
                .scoresBy([id](std::size_t i) { return 40 + (id * 7 + static_cast<int>(i) * 13) % 60; })
                .pinyin(QStringLiteral("XUE SHENG %1").arg(id))
                .category(id <= 4 ? QStringLiteral("艺术") : QString()));
    }
    return students;
}

class Division : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 3}));
        ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, cohort()).kind,
                  fenban::store::ReplaceOutcome::Written);
    }
    QStringList classesAndTypes() const {
        return db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 ORDER BY student_id"));
    }
    RunOutcome divide() { return DivisionRunner(db.connection(), *engine).divide(1, observer()); }
    fenban::DivisionObserver observer() {
        fenban::DivisionObserver watcher;
        watcher.message = [this](const std::string &line) {
            lines.push_back(line);
        };
        return watcher;
    }

    TempDatabase db;
    std::unique_ptr<fenban::DivisionEngine> engine = fenban::makeFastEngine();
    std::vector<std::string> lines;
};

} // namespace

TEST_F(Division, PlacesEveryStudentAndWritesClassesAndCodes) {
    const RunOutcome outcome = divide();
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT class_id, count(*) FROM qx_1 GROUP BY class_id ORDER BY 1")),
              (QStringList{QStringLiteral("1|4"), QStringLiteral("2|4"), QStringLiteral("3|4")}));
    EXPECT_EQ(db.query(QStringLiteral("SELECT DISTINCT type FROM qx_1 WHERE pfType='艺术'")),
              QStringList{QStringLiteral("3")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT DISTINCT type FROM qx_1 WHERE pfType=''")),
              QStringList{QStringLiteral("1")});
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "更新结束");
}

TEST_F(Division, SettingsThatCannotBeReadRefuseBeforeAnythingChanges) {
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    const QStringList divided = classesAndTypes();
    const struct {
        QString statement;
        QString message;
    } cases[] = {
        {QStringLiteral("UPDATE config SET wtNum=NULL"), QStringLiteral("微调次数")},
        {QStringLiteral("UPDATE config SET inter=NULL"), QStringLiteral("分数间隔权重")},
        {QStringLiteral("UPDATE config SET is_man=NULL"), QStringLiteral("先男后女")},
        {QStringLiteral("DELETE FROM config"), QStringLiteral("不存在该班别的参数设置")},
        {QStringLiteral("UPDATE qx_info SET num=0"), QStringLiteral("班级数必须大于0")},
    };
    for (const auto &c : cases) {
        db.query(QStringLiteral("BEGIN"));
        db.query(c.statement);
        const RunOutcome outcome = divide();
        EXPECT_EQ(outcome.kind, RunOutcome::Failed) << c.statement.toStdString();
        EXPECT_TRUE(outcome.message.contains(c.message)) << outcome.message.toStdString();
        EXPECT_EQ(classesAndTypes(), divided);
        db.query(QStringLiteral("ROLLBACK"));
    }
}

TEST_F(Division, AFailureWhileWritingKeepsThePreviousDivision) {
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    db.query(QStringLiteral("UPDATE qx_1 SET class_id=7, type=1 WHERE student_id=9"));
    const QStringList before = classesAndTypes();
    db.refuseWrites(QStringLiteral("refuse"), QStringLiteral("UPDATE"), QStringLiteral("qx_1"),
                    QStringLiteral("NEW.student_id = 9"), QStringLiteral("injected failure"));
    const RunOutcome outcome = divide();
    EXPECT_EQ(outcome.kind, RunOutcome::Failed);
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("injected failure")))
        << outcome.message.toStdString();
    EXPECT_EQ(classesAndTypes(), before);
}

// The closing line says the classes are updated; it comes only once they are, never before a failed write.
TEST_F(Division, TheClosingLineComesOnlyOnceTheClassesAreWritten) {
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "更新结束");
    const struct {
        const char *name;
        std::function<RunOutcome()> run;
        const char *closing;
    } cases[] = {
        {"divide", [this] { return divide(); }, "更新结束"},
        {"redivide",
         [this] {
             return DivisionRunner(db.connection(), *engine).redivide(1, {1, 3}, observer());
         },
         "重新分班结束"},
    };
    for (const auto &c : cases) {
        lines.clear();
        ASSERT_EQ(c.run().kind, RunOutcome::Done) << c.name;
        ASSERT_FALSE(lines.empty()) << c.name;
        EXPECT_EQ(lines.back(), c.closing) << c.name;

        // The snapshot is written with every run's classes, in the same transaction.
        db.refuseWrites(QStringLiteral("refuse"), QStringLiteral("INSERT"), QStringLiteral("qx_history"),
                        QStringLiteral("1 = 1"), QStringLiteral("injected failure"));
        const std::vector<std::string> succeeded = lines;
        lines.clear();
        EXPECT_EQ(c.run().kind, RunOutcome::Failed) << c.name;
        // Everything up to the closing line, as on success.
        EXPECT_EQ(lines, std::vector<std::string>(succeeded.begin(), succeeded.end() - 1)) << c.name;
        if (db.isServer()) {
            db.query(QStringLiteral("DROP TRIGGER refuse ON qx_history"));
            db.query(QStringLiteral("DROP FUNCTION refuse()"));
        } else {
            db.query(QStringLiteral("DROP TRIGGER refuse"));
        }
    }
}

TEST_F(Division, RedivisionTouchesOnlyTheChosenClasses) {
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    const QStringList before =
        db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 WHERE class_id=2"));
    const RunOutcome outcome = DivisionRunner(db.connection(), *engine).redivide(1, {1, 3}, observer());
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 WHERE class_id=2")),
              before);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id IN (1, 3)")),
              QStringList{QStringLiteral("8")});
    EXPECT_EQ(lines.back(), "重新分班结束");

    const QStringList divided = classesAndTypes();
    const RunOutcome empty = DivisionRunner(db.connection(), *engine).redivide(1, {}, observer());
    EXPECT_EQ(empty.kind, RunOutcome::Failed);
    EXPECT_EQ(empty.message, QStringLiteral("请选择要重新分班的班级"));
    EXPECT_EQ(classesAndTypes(), divided);
}

TEST_F(Division, StoredCountsOutOfBoundsAndUnknownClassesAreRefusedBeforeAnythingChanges) {
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    const QStringList divided = classesAndTypes();
    const struct {
        QString statement;  // run inside a transaction that is rolled back afterwards
        QList<int> classes; // empty: a whole division
        QString message;
    } cases[] = {
        {QStringLiteral("UPDATE qx_info SET num=100000000"), {}, QStringLiteral("班级数必须在1到1000之间")},
        {QStringLiteral("UPDATE qx_info SET num=1001"), {1, 2}, QStringLiteral("班级数必须在1到1000之间")},
        {QStringLiteral("UPDATE config SET wtNum=100000000"), {}, QStringLiteral("微调次数不能超过1000")},
        {QStringLiteral("UPDATE config SET wtNum=1001"), {1, 2}, QStringLiteral("微调次数不能超过1000")},
        {QStringLiteral("SELECT 1"), {3, 9}, QStringLiteral("班级号必须在1到3之间: 9")},
        {QStringLiteral("SELECT 1"), {2, -1}, QStringLiteral("班级号必须在1到3之间: -1")},
        {QStringLiteral("SELECT 1"), {0}, QStringLiteral("班级号必须在1到3之间: 0")},
    };
    for (const auto &c : cases) {
        db.query(QStringLiteral("BEGIN"));
        db.query(c.statement);
        DivisionRunner runner(db.connection(), *engine);
        const RunOutcome outcome = c.classes.isEmpty() ? runner.divide(1) : runner.redivide(1, c.classes);
        EXPECT_EQ(outcome.kind, RunOutcome::Failed) << c.statement.toStdString();
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(classesAndTypes(), divided);
        db.query(QStringLiteral("ROLLBACK"));
    }
}

TEST_F(Division, NegativeTuningPassesStillMeanNoFineTuning) {
    db.query(QStringLiteral("UPDATE config SET wtNum=-5"));
    const RunOutcome outcome = divide();
    EXPECT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
}

// Another program (here: a second connection) writes while the engine works in memory. The run
// must not report success over what it wrote, nor undo it.
TEST_F(Division, ARunIsRefusedWhenAnotherWriterChangedItsProjectMeanwhile) {
    auto other = fenban::store::Database::open(db.location());
    ASSERT_TRUE(other) << other.error().toStdString();
    const QSqlDatabase second = other.value()->connection();
    const auto exec = [&](const QString &sql) {
        return [&, sql] {
            ASSERT_TRUE(QSqlQuery(second).exec(sql)) << sql.toStdString();
        };
    };
    const struct {
        std::function<void()> write;
        QString message;
        // On a server the run holds the project's lock, which keeps this writer out altogether.
        bool lockedOut = false;
    } cases[] = {
        {[&] {
             // A new import: every student back in no class.
             const auto import = fenban::store::StudentStore(second).replaceAll(1, cohort());
             if (db.isServer()) {
                 EXPECT_EQ(import.kind, fenban::store::ReplaceOutcome::Failed);
                 EXPECT_EQ(import.error, fenban::store::projectBusyMessage());
             } else {
                 ASSERT_EQ(import.kind, fenban::store::ReplaceOutcome::Written);
             }
         },
         QStringLiteral("分班期间学生数据已被修改，请重新分班"), true},
        {exec(QStringLiteral("UPDATE qx_1 SET class_id=class_id%3+1 WHERE student_id=5")),
         QStringLiteral("分班期间学生数据已被修改，请重新分班")},
        {exec(QStringLiteral("UPDATE qx_1 SET math=math+1 WHERE student_id=7")),
         QStringLiteral("分班期间学生数据已被修改，请重新分班")},
        {exec(QStringLiteral("UPDATE config SET inter=inter+1")),
         QStringLiteral("分班期间班级数或分班设置已被修改，请重新分班")},
    };
    for (const auto &c : cases) {
        for (const bool whole : {true, false}) {
            ASSERT_EQ(divide().kind, RunOutcome::Done);
            bool written = false;
            QStringList leftByOther;
            fenban::DivisionObserver meddling;
            meddling.message = [&](const std::string &) {
                if (std::exchange(written, true))
                    return;
                c.write();
                leftByOther = db.query(QStringLiteral("SELECT * FROM qx_1 ORDER BY student_id"));
            };
            DivisionRunner runner(db.connection(), *engine);
            const RunOutcome outcome =
                whole ? runner.divide(1, meddling) : runner.redivide(1, {1, 2}, meddling);
            ASSERT_TRUE(written);
            if (c.lockedOut && db.isServer()) {
                EXPECT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
                continue;
            }
            EXPECT_EQ(outcome.kind, RunOutcome::Failed);
            EXPECT_EQ(outcome.message, c.message);
            EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM qx_1 ORDER BY student_id")), leftByOther);
        }
    }
}

TEST_F(Division, AWriterHoldingTheLockBeyondTheWaitRefusesEveryWrite) {
    FENBAN_FILE_ONLY();
    ASSERT_EQ(divide().kind, RunOutcome::Done);
    const QStringList divided = classesAndTypes();
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高二"), 3}));
    auto other = fenban::store::Database::open(db.path());
    ASSERT_TRUE(other) << other.error().toStdString();
    QSqlQuery holder(other.value()->connection());
    ASSERT_TRUE(holder.exec(QStringLiteral("BEGIN IMMEDIATE")));
    // A short wait keeps the test quick; the program waits longer before giving up.
    db.query(QStringLiteral("PRAGMA busy_timeout=50"));

    const QString busy = QStringLiteral("数据库正被其他程序修改，请稍后再试");
    const RunOutcome division = divide();
    EXPECT_EQ(division.kind, RunOutcome::Failed);
    EXPECT_TRUE(division.message.startsWith(busy)) << division.message.toStdString();
    const auto import = fenban::store::StudentStore(db.connection()).replaceAll(1, cohort());
    EXPECT_EQ(import.kind, fenban::store::ReplaceOutcome::Failed);
    EXPECT_TRUE(import.error.startsWith(busy)) << import.error.toStdString();
    const auto copy = fenban::store::copyStudents(db.connection(), 1, 2, false);
    ASSERT_FALSE(copy);
    EXPECT_TRUE(copy.error().contains(busy)) << copy.error().toStdString();

    ASSERT_TRUE(holder.exec(QStringLiteral("ROLLBACK")));
    EXPECT_EQ(classesAndTypes(), divided);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_2")), QStringList{QStringLiteral("0")});
}

TEST_F(Division, ImpossibleStoredScoresAreDividedLikeAnyOther) {
    const double huge = std::numeric_limits<double>::max();
    const double infinity = std::numeric_limits<double>::infinity();
    db.query(QStringLiteral("UPDATE qx_1 SET math=1e308, english=-1e308 WHERE student_id=1"));
    db.query(QStringLiteral("UPDATE qx_1 SET math=-9.3e18, chinese=9.3e18 WHERE student_id=2"));
    QSqlQuery update(db.connection());
    ASSERT_TRUE(
        update.prepare(QStringLiteral("UPDATE qx_1 SET wuli=?, zhengzhi=?, tiyu=? WHERE student_id=3")));
    for (const double value : {huge, infinity, -infinity})
        update.addBindValue(value);
    ASSERT_TRUE(update.exec());
    db.query(QStringLiteral("UPDATE config SET is_avg_inter=1, inter=2"));

    const RunOutcome outcome = divide();
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id BETWEEN 1 AND 3")),
              QStringList{QStringLiteral("12")});
    const RunOutcome again = DivisionRunner(db.connection(), *engine).redivide(1, {1, 2});
    EXPECT_EQ(again.kind, RunOutcome::Done) << again.message.toStdString();
}

// The run writes classes back by student number, so a number must reach the table as it left it.
TEST(DivisionOfLongStudentNumbers, EveryStudentIsPlacedAndKeepsItsNumber) {
    TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 2}));
    QList<StudentRecord> students = cohort();
    const qint64 numbers[] = {18211510101, 123456789012345678, 4294967297, -999999999999999999};
    for (std::size_t i = 0; i < std::size(numbers); ++i)
        students[static_cast<qsizetype>(i)].studentId = numbers[i];
    ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, students).kind,
              fenban::store::ReplaceOutcome::Written);
    const auto engine = fenban::makeFastEngine();
    const RunOutcome outcome = DivisionRunner(db.connection(), *engine).divide(1, {});
    ASSERT_EQ(outcome.kind, RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE class_id NOT IN (1, 2)")),
              QStringList{QStringLiteral("0")});
    const auto stored = fenban::store::StudentStore(db.connection()).byClass(1);
    ASSERT_TRUE(stored);
    QList<qint64> storedNumbers;
    for (const StudentRecord &record : stored.value())
        storedNumbers.append(record.studentId);
    for (const qint64 number : numbers)
        EXPECT_EQ(storedNumbers.count(number), 1) << number;
}
