#include "store/history.h"

#include "store/adjustments.h"
#include "store/database.h"
#include "store/division_runner.h"
#include "store/project_copy.h"
#include "store/projects.h"
#include "store/student_edits.h"
#include "store/students.h"
#include "store/transaction.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using fenban::store::DivisionRunner;
using fenban::store::HistoryEntry;
using fenban::store::MovedStudent;
using fenban::store::Placing;
using fenban::store::ProjectStore;
using fenban::store::StudentRecord;
using fenban::store::StudentStore;
using fenban::testing::StudentBuilder;
using fenban::testing::TempDatabase;
namespace store = fenban::store;

namespace fenban::store {
inline void PrintTo(const MovedStudent &moved, std::ostream *out) {
    *out << moved.studentId << ' ' << moved.name.toStdString() << ' ' << moved.fromClass << "->"
         << moved.toClass;
}
inline void PrintTo(const Placing &placing, std::ostream *out) {
    *out << placing.studentId << ':' << placing.classId << '/' << placing.type;
}
} // namespace fenban::store

namespace {

// Student n is 学生n. Students 1..11 sit in class (n-1)%3+1 as placed (1); student 12 is in no class.
StudentRecord student(qint64 id) {
    StudentBuilder builder(id);
    builder.name(QStringLiteral("学生%1").arg(id))
        .sex(id % 2 ? QStringLiteral("男") : QStringLiteral("女"))
        .scoresBy([id](std::size_t i) { return 40 + (id * 7 + static_cast<int>(i) * 13) % 60; })
        .pinyin(QStringLiteral("XUE SHENG %1").arg(id));
    if (id <= 11)
        builder.inClass(int((id - 1) % 3 + 1)).type(1);
    return builder;
}

QList<StudentRecord> cohort() {
    QList<StudentRecord> students;
    for (qint64 id = 1; id <= 12; ++id)
        students.append(student(id));
    return students;
}

class History : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高一"), 3}));
        ASSERT_EQ(StudentStore(db.connection()).replaceAll(1, cohort()).kind, store::ReplaceOutcome::Written);
    }

    QSqlDatabase connection() const { return db.connection(); }

    // Every column of every student, so that a failed change can be shown to have left them alone.
    QStringList students() const {
        return db.query(QStringLiteral("SELECT * FROM qx_1 ORDER BY student_id"));
    }
    QStringList placings() const {
        return db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 ORDER BY student_id"));
    }
    int snapshotCount(int projectId = 1) const {
        return db.query(QStringLiteral("SELECT count(*) FROM qx_history WHERE project_id=%1").arg(projectId))
            .value(0)
            .toInt();
    }

    QList<HistoryEntry> entries(int projectId = 1) const {
        const auto found = store::history(connection(), projectId);
        EXPECT_TRUE(found) << found.error().toStdString();
        return found ? found.value() : QList<HistoryEntry>{};
    }
    QStringList actions(int projectId = 1) const {
        QStringList list;
        for (const HistoryEntry &entry : entries(projectId))
            list.append(entry.action);
        return list;
    }
    int newestId() const { return entries().value(0).id; }
    int classOf(qint64 id) const {
        return db.query(QStringLiteral("SELECT class_id FROM qx_1 WHERE student_id=%1").arg(id))
            .value(0)
            .toInt();
    }
    // A class other than the student's own.
    int otherClass(qint64 id) const { return classOf(id) % 3 + 1; }
    // A student whose class differs from that of `id`.
    qint64 inAnotherClass(qint64 id) const {
        return db
            .query(QStringLiteral("SELECT min(student_id) FROM qx_1 WHERE class_id NOT IN (0, %1)")
                       .arg(classOf(id)))
            .value(0)
            .toLongLong();
    }

    QList<Placing> snapshot(int id) const {
        const auto found = store::snapshotPlacings(connection(), 1, id);
        EXPECT_TRUE(found) << found.error().toStdString();
        return found ? found.value() : QList<Placing>{};
    }
    // The snapshot in the form placings() reads the table.
    QStringList asRows(const QList<Placing> &list) const {
        QStringList rows;
        for (const Placing &placing : list)
            rows.append(
                QStringLiteral("%1|%2|%3").arg(placing.studentId).arg(placing.classId).arg(placing.type));
        return rows;
    }

    QList<MovedStudent> moved(int fromId, int toId = 0) const {
        const auto found = store::diff(connection(), 1, fromId, toId);
        EXPECT_TRUE(found) << found.error().toStdString();
        return found ? found.value() : QList<MovedStudent>{};
    }

    store::RunOutcome divide() { return DivisionRunner(connection(), *engine).divide(1, {}); }
    store::RunOutcome redivide(const QList<int> &classes) {
        return DivisionRunner(connection(), *engine).redivide(1, classes, {});
    }
    void move(qint64 id, int toClass, bool fix = true) {
        const fenban::Status moved = store::moveStudent(connection(), 1, id, toClass, fix);
        ASSERT_TRUE(moved) << moved.error().toStdString();
    }

    TempDatabase db;
    std::unique_ptr<fenban::DivisionEngine> engine = fenban::makeFastEngine();
};

// ---------------------------------------------------------------------------------------------
// A change and its snapshot are one transaction: when the snapshot cannot be written, the change
// is not made either.

// The error each change reports (empty when it went through).
QString errorOf(const fenban::Status &status) {
    return status ? QString() : status.error();
}
template <typename T> QString errorOf(const fenban::Result<T> &result) {
    return result ? QString() : result.error();
}
QString errorOf(const store::RunOutcome &outcome) {
    return outcome.kind == store::RunOutcome::Done ? QString() : outcome.message;
}
QString errorOf(const store::ReplaceOutcome &outcome) {
    return outcome.kind == store::ReplaceOutcome::Written ? QString() : outcome.error;
}

struct FailingChange {
    const char *label;
    std::function<QString(History &, QSqlDatabase)> run;
};

class SnapshotFailure : public History, public ::testing::WithParamInterface<FailingChange> {};

TEST_P(SnapshotFailure, LeavesTheStudentsAsTheyWereAndNoSnapshot) {
    // A second project whose divided students copyStudents can bring into project 1.
    ASSERT_TRUE(ProjectStore(connection()).create({QStringLiteral("高二"), 3}));
    ASSERT_EQ(StudentStore(connection())
                  .replaceAll(2, {StudentBuilder(101).name(QStringLiteral("外来")).inClass(2).type(1)})
                  .kind,
              store::ReplaceOutcome::Written);
    db.refuseWrites(QStringLiteral("refuse_snapshots"), QStringLiteral("INSERT"),
                    QStringLiteral("qx_history"), QStringLiteral("1 = 1"), QStringLiteral("no room"));
    const QStringList before = students();
    const QStringList history = db.query(QStringLiteral("SELECT * FROM qx_history ORDER BY id"));

    // Failing for the snapshot, not for anything checked before the change was written.
    const QString error = GetParam().run(*this, connection());
    EXPECT_TRUE(error.contains(QStringLiteral("no room"))) << error.toStdString();
    EXPECT_EQ(students(), before);
    EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM qx_history ORDER BY id")), history);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SnapshotFailure,
    ::testing::Values(FailingChange{"divide",
                                    [](History &test, QSqlDatabase) {
                                        return errorOf(test.divide());
                                    }},
                      FailingChange{"redivide",
                                    [](History &test, QSqlDatabase) {
                                        return errorOf(test.redivide({1, 2}));
                                    }},
                      FailingChange{"move",
                                    [](History &, QSqlDatabase db) {
                                        return errorOf(store::moveStudent(db, 1, 1, 2, true));
                                    }},
                      FailingChange{"swap",
                                    [](History &, QSqlDatabase db) {
                                        return errorOf(store::swapStudents(db, 1, 1, 2, true));
                                    }},
                      FailingChange{"edit_class",
                                    [](History &, QSqlDatabase db) {
                                        StudentRecord changed = student(1);
                                        changed.classId = 3;
                                        return errorOf(store::updateStudent(db, 1, 1, changed));
                                    }},
                      FailingChange{"copy_from",
                                    [](History &, QSqlDatabase db) {
                                        return errorOf(store::copyStudents(db, 2, 1, false));
                                    }},
                      FailingChange{"import",
                                    [](History &, QSqlDatabase db) {
                                        return errorOf(StudentStore(db).replaceAll(1, {student(1)}));
                                    }}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(History, AFailedRestoreKeepsTheClassesItWouldHaveReplaced) {
    const int imported = newestId();
    move(1, 3);
    const QStringList before = students();
    const int count = snapshotCount();
    db.refuseWrites(QStringLiteral("refuse_snapshots"), QStringLiteral("INSERT"),
                    QStringLiteral("qx_history"), QStringLiteral("1 = 1"), QStringLiteral("no room"));
    EXPECT_FALSE(store::restore(connection(), 1, imported));
    EXPECT_EQ(students(), before);
    EXPECT_EQ(snapshotCount(), count);
}

// ---------------------------------------------------------------------------------------------

TEST_F(History, ListsEveryChangeNewestFirstWithTimeAndSummary) {
    ASSERT_EQ(divide().kind, store::RunOutcome::Done);
    const int divided = newestId();
    ASSERT_EQ(redivide({1, 3}).kind, store::RunOutcome::Done);
    move(12, otherClass(12));
    ASSERT_TRUE(store::restore(connection(), 1, divided));

    EXPECT_EQ(actions(), (QStringList{QStringLiteral("恢复 #%1").arg(divided), QStringLiteral("调整"),
                                      QStringLiteral("重新分班 1,3"), QStringLiteral("分班"),
                                      QStringLiteral("导入学生")}));
    const QList<HistoryEntry> list = entries();
    const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    const QRegularExpression summary(QStringLiteral("^总分均分最大偏差 \\d+\\.\\d\\d$"));
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(list[i].id, list[i - 1].id);
        }
        EXPECT_TRUE(time.match(list[i].time).hasMatch()) << list[i].time.toStdString();
        EXPECT_TRUE(summary.match(list[i].summary).hasMatch()) << list[i].summary.toStdString();
    }
}

TEST_F(History, AProjectWithoutHistoryKeepsItsClassesBeforeTheFirstChange) {
    const QStringList before = placings();
    db.query(QStringLiteral("DELETE FROM qx_history"));
    move(1, 2);
    EXPECT_EQ(actions(), (QStringList{QStringLiteral("调整"), QStringLiteral("原有分班")}));
    EXPECT_EQ(asRows(snapshot(entries().value(1).id)), before);
    EXPECT_EQ(asRows(snapshot(newestId())), placings());
}

TEST_F(History, ASummaryFunctionWritesTheSummaryLine) {
    const fenban::Status moved = store::moveStudent(
        connection(), 1, 1, 2, true, [](const std::vector<fenban::StudentRow> &rows, int classes) {
            return QStringLiteral("%1名学生%2个班").arg(rows.size()).arg(classes);
        });
    ASSERT_TRUE(moved) << moved.error().toStdString();
    EXPECT_EQ(entries().value(0).summary, QStringLiteral("12名学生3个班"));
}

// ---------------------------------------------------------------------------------------------

TEST_F(History, RestorePutsBackClassesAndPlacementCodesAndCanBeUndone) {
    ASSERT_EQ(divide().kind, store::RunOutcome::Done);
    const int divided = newestId();
    const QStringList afterDivision = placings();
    EXPECT_EQ(asRows(snapshot(divided)), afterDivision);

    move(1, otherClass(1), true);
    ASSERT_TRUE(store::swapStudents(connection(), 1, 2, inAnotherClass(2), false));
    const QStringList adjusted = placings();
    const int adjustedId = newestId();
    ASSERT_NE(adjusted, afterDivision);

    ASSERT_TRUE(store::restore(connection(), 1, divided));
    EXPECT_EQ(placings(), afterDivision);
    EXPECT_EQ(actions().value(0), QStringLiteral("恢复 #%1").arg(divided));
    EXPECT_EQ(asRows(snapshot(newestId())), afterDivision);

    ASSERT_TRUE(store::restore(connection(), 1, adjustedId));
    EXPECT_EQ(placings(), adjusted);
    EXPECT_EQ(actions().value(0), QStringLiteral("恢复 #%1").arg(adjustedId));
}

TEST_F(History, RestoreLeavesStudentsAddedSinceAndSkipsStudentsGoneSince) {
    const int imported = newestId();
    move(1, 3);
    ASSERT_TRUE(store::insertStudent(connection(), 1,
                                     StudentBuilder(20).name(QStringLiteral("插班生")).inClass(2).type(2)));
    ASSERT_TRUE(store::deleteStudent(connection(), 1, 5));

    ASSERT_TRUE(store::restore(connection(), 1, imported));
    QStringList expected;
    for (qint64 id = 1; id <= 12; ++id) {
        if (id != 5)
            expected.append(QStringLiteral("%1|%2|%3")
                                .arg(id)
                                .arg(id <= 11 ? (id - 1) % 3 + 1 : 0)
                                .arg(id <= 11 ? 1 : 0));
    }
    expected.append(QStringLiteral("20|2|2"));
    EXPECT_EQ(placings(), expected);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1 WHERE student_id=5")),
              QStringList{QStringLiteral("0")});
}

TEST_F(History, AnUnknownSnapshotIsNamedAndChangesNothing) {
    ASSERT_TRUE(ProjectStore(connection()).create({QStringLiteral("高二"), 3}));
    ASSERT_EQ(StudentStore(connection()).replaceAll(2, {student(1)}).kind, store::ReplaceOutcome::Written);
    const int otherProjects = entries(2).value(0).id;
    const QStringList before = students();
    const int count = snapshotCount();
    for (const int id : {999, otherProjects}) {
        const fenban::Status restored = store::restore(connection(), 1, id);
        ASSERT_FALSE(restored);
        EXPECT_EQ(restored.error(), QStringLiteral("分班历史中没有第%1号记录").arg(id));
        const auto compared = store::diff(connection(), 1, id);
        ASSERT_FALSE(compared);
        EXPECT_EQ(compared.error(), QStringLiteral("分班历史中没有第%1号记录").arg(id));
    }
    EXPECT_EQ(students(), before);
    EXPECT_EQ(snapshotCount(), count);
}

// ---------------------------------------------------------------------------------------------

TEST_F(History, DiffNamesTheStudentsWhoseClassDiffers) {
    const int imported = newestId();
    move(1, 2);
    const int first = newestId();
    ASSERT_TRUE(store::swapStudents(connection(), 1, 2, 3, true)); // 2 (class 2) <-> 3 (class 3)
    const int second = newestId();

    EXPECT_EQ(moved(imported, first), (QList<MovedStudent>{{1, QStringLiteral("学生1"), 1, 2}}));
    EXPECT_EQ(moved(first, second),
              (QList<MovedStudent>{{2, QStringLiteral("学生2"), 2, 3}, {3, QStringLiteral("学生3"), 3, 2}}));
    EXPECT_EQ(moved(second, imported), (QList<MovedStudent>{{1, QStringLiteral("学生1"), 2, 1},
                                                            {2, QStringLiteral("学生2"), 3, 2},
                                                            {3, QStringLiteral("学生3"), 2, 3}}));
    EXPECT_EQ(moved(second, second), QList<MovedStudent>{});
    // A change of placement code alone is no move.
    StudentRecord unfixed = student(1);
    unfixed.classId = 2;
    unfixed.type = 1;
    ASSERT_TRUE(store::updateStudent(connection(), 1, 1, unfixed));
    EXPECT_NE(newestId(), second);
    EXPECT_EQ(moved(second), QList<MovedStudent>{});
}

TEST_F(History, DiffWithTheClassesNowShowsStudentsOnOneSideOnly) {
    const int imported = newestId();
    move(4, 3);
    ASSERT_TRUE(store::deleteStudent(connection(), 1, 5));
    ASSERT_TRUE(
        store::insertStudent(connection(), 1, StudentBuilder(20).name(QStringLiteral("插班生")).inClass(2)));
    const int latest = newestId();
    const QList<MovedStudent> expected{
        {4, QStringLiteral("学生4"), 1, 3}, {5, QString(), 2, -1}, {20, QStringLiteral("插班生"), -1, 2}};
    EXPECT_EQ(moved(imported), expected);
    EXPECT_EQ(moved(imported, latest), expected);
    EXPECT_EQ(moved(latest, imported), (QList<MovedStudent>{{4, QStringLiteral("学生4"), 3, 1},
                                                            {5, QString(), -1, 2},
                                                            {20, QStringLiteral("插班生"), 2, -1}}));
}

// ---------------------------------------------------------------------------------------------

TEST_F(History, OnlyTheNewestSnapshotsAreKeptPerProject) {
    ASSERT_TRUE(ProjectStore(connection()).create({QStringLiteral("高二"), 3}));
    ASSERT_EQ(StudentStore(connection()).replaceAll(2, {student(1)}).kind, store::ReplaceOutcome::Written);
    const int extra = 7;
    {
        store::Transaction transaction(connection());
        ASSERT_TRUE(transaction.begun());
        for (int i = 1; i < store::keptSnapshots + extra; ++i)
            ASSERT_TRUE(store::recordSnapshot(connection(), 1, QString::number(i)));
        ASSERT_TRUE(transaction.commit());
    }
    move(1, 2); // the pruning of an ordinary change
    const QStringList list = actions();
    ASSERT_EQ(list.size(), store::keptSnapshots);
    EXPECT_EQ(list.first(), QStringLiteral("调整"));
    EXPECT_EQ(list.last(), QString::number(extra + 1));
    EXPECT_EQ(actions(2), QStringList{QStringLiteral("导入学生")});
}

TEST_F(History, DeletingAProjectDeletesItsHistoryOnly) {
    ASSERT_TRUE(ProjectStore(connection()).create({QStringLiteral("高二"), 3}));
    ASSERT_EQ(StudentStore(connection()).replaceAll(2, {student(1), student(2)}).kind,
              store::ReplaceOutcome::Written);
    ASSERT_TRUE(store::moveStudent(connection(), 2, 1, 3, true));
    move(1, 2);
    ASSERT_TRUE(ProjectStore(connection()).remove(1));
    EXPECT_EQ(snapshotCount(1), 0);
    EXPECT_EQ(actions(2), (QStringList{QStringLiteral("调整"), QStringLiteral("导入学生")}));
}

TEST_F(History, ImportingStudentsStartsANewHistory) {
    ASSERT_EQ(divide().kind, store::RunOutcome::Done);
    move(12, 1);
    ASSERT_EQ(StudentStore(connection()).replaceAll(1, {student(1), student(30)}).kind,
              store::ReplaceOutcome::Written);
    EXPECT_EQ(actions(), QStringList{QStringLiteral("导入学生")});
    EXPECT_EQ(asRows(snapshot(newestId())), placings());
}

TEST_F(History, AnOlderFileGetsTheHistoryTableWhenOpenedAndRecordsTheFirstChange) {
    const QStringList before = placings();
    db.query(QStringLiteral("DROP TABLE qx_history"));
    const auto reopened = store::Database::open(db.location());
    ASSERT_TRUE(reopened) << reopened.error().toStdString();
    const fenban::Status moved = store::moveStudent(reopened.value()->connection(), 1, 1, 2, true);
    ASSERT_TRUE(moved) << moved.error().toStdString();
    EXPECT_EQ(actions(), (QStringList{QStringLiteral("调整"), QStringLiteral("原有分班")}));
    EXPECT_EQ(asRows(snapshot(entries().value(1).id)), before);
}

// ---------------------------------------------------------------------------------------------

TEST_F(History, EditsRecordOnlyWhenTheyChangeWhereStudentsStand) {
    const int count = snapshotCount();
    StudentRecord edited = student(1);
    edited.scores[0] = 99;
    edited.name = QStringLiteral("改名");
    ASSERT_TRUE(store::updateStudent(connection(), 1, 1, edited));
    EXPECT_EQ(snapshotCount(), count);

    edited.type = 2;
    ASSERT_TRUE(store::updateStudent(connection(), 1, 1, edited));
    EXPECT_EQ(snapshotCount(), count + 1);
    edited.classId = 3;
    ASSERT_TRUE(store::updateStudent(connection(), 1, 1, edited));
    EXPECT_EQ(actions().value(0), QStringLiteral("调整"));
    EXPECT_EQ(snapshotCount(), count + 2);
    EXPECT_EQ(asRows(snapshot(newestId())), placings());
}

TEST_F(History, HandAdjustmentsAreThoseSinceTheLastDivision) {
    const auto adjusted = [this] {
        const auto found = store::hasHandAdjustments(connection(), 1);
        EXPECT_TRUE(found) << found.error().toStdString();
        return found && found.value();
    };
    EXPECT_FALSE(adjusted());
    ASSERT_EQ(divide().kind, store::RunOutcome::Done);
    EXPECT_FALSE(adjusted());
    move(12, otherClass(12));
    EXPECT_TRUE(adjusted());
    ASSERT_EQ(divide().kind, store::RunOutcome::Done);
    EXPECT_FALSE(adjusted());
    // Going back to the adjusted classes brings the hand work back with them.
    const auto snapshots = store::history(connection(), 1);
    ASSERT_TRUE(snapshots);
    ASSERT_TRUE(store::restore(connection(), 1, snapshots.value().at(1).id));
    EXPECT_TRUE(adjusted());
}

// ---------------------------------------------------------------------------------------------

struct RefusedAdjustment {
    const char *label;
    std::function<fenban::Status(QSqlDatabase)> run;
    QString message;
};

class RefusedAdjustmentTest : public History, public ::testing::WithParamInterface<RefusedAdjustment> {};

TEST_P(RefusedAdjustmentTest, NamesTheFaultAndWritesNothing) {
    const QStringList before = students();
    const int count = snapshotCount();
    const fenban::Status status = GetParam().run(connection());
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error(), GetParam().message);
    EXPECT_EQ(students(), before);
    EXPECT_EQ(snapshotCount(), count);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedAdjustmentTest,
    ::testing::Values(
        RefusedAdjustment{"move_unknown_student",
                          [](QSqlDatabase db) { return store::moveStudent(db, 1, 99, 2, true); },
                          QStringLiteral("学号不存在: 99")},
        RefusedAdjustment{"move_to_class_0",
                          [](QSqlDatabase db) { return store::moveStudent(db, 1, 1, 0, true); },
                          QStringLiteral("班级号必须在1到3之间: 0")},
        RefusedAdjustment{"move_past_last_class",
                          [](QSqlDatabase db) { return store::moveStudent(db, 1, 1, 4, false); },
                          QStringLiteral("班级号必须在1到3之间: 4")},
        RefusedAdjustment{"move_into_own_class",
                          [](QSqlDatabase db) { return store::moveStudent(db, 1, 2, 2, true); },
                          QStringLiteral("学生已在2班: 2 学生2")},
        RefusedAdjustment{"move_in_unknown_project",
                          [](QSqlDatabase db) { return store::moveStudent(db, 9, 1, 2, true); },
                          QStringLiteral("不存在编号为9的分班项目")},
        RefusedAdjustment{"swap_unknown_student",
                          [](QSqlDatabase db) { return store::swapStudents(db, 1, 1, 99, true); },
                          QStringLiteral("学号不存在: 99")},
        RefusedAdjustment{"swap_student_in_no_class",
                          [](QSqlDatabase db) { return store::swapStudents(db, 1, 12, 1, true); },
                          QStringLiteral("学生未分班: 12 学生12")},
        RefusedAdjustment{"swap_one_class",
                          [](QSqlDatabase db) { return store::swapStudents(db, 1, 1, 4, true); },
                          QStringLiteral("两名学生在同一个班: 1 学生1、4 学生4")},
        RefusedAdjustment{"swap_with_itself",
                          [](QSqlDatabase db) { return store::swapStudents(db, 1, 1, 1, true); },
                          QStringLiteral("学生重复: 1 学生1")}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(History, MovesAndSwapsFixTheStudentsUnlessAskedNotTo) {
    move(1, 2, true);
    move(4, 3, false);
    ASSERT_TRUE(store::swapStudents(connection(), 1, 2, 3, true));
    ASSERT_TRUE(store::swapStudents(connection(), 1, 5, 6, false));
    EXPECT_EQ(db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_1 WHERE student_id<=6 "
                                      "ORDER BY student_id")),
              (QStringList{QStringLiteral("1|2|2"), QStringLiteral("2|3|2"), QStringLiteral("3|2|2"),
                           QStringLiteral("4|3|1"), QStringLiteral("5|3|1"), QStringLiteral("6|2|1")}));
    EXPECT_EQ(actions().mid(0, 4), QStringList(4, QStringLiteral("调整")));
}

} // namespace
