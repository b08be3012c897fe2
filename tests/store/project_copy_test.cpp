#include "store/project_copy.h"

#include "store/division_runner.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

using fenban::store::copyStudents;
using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;

namespace {

StudentRecord student(int id, int classId, int type, const QString &sex = QStringLiteral("男")) {
    return fenban::testing::StudentBuilder(id)
        .name(QStringLiteral("学生%1").arg(id))
        .sex(sex)
        .inClass(classId)
        .type(type)
        .scoresBy([id](std::size_t i) { return 50 + (id * 3 + static_cast<int>(i)) % 40; })
        .pinyin(QStringLiteral("XUE SHENG %1").arg(id));
}

// Project 1 is the divided source, project 2 the target of the copies.
class ProjectCopy : public ::testing::Test {
protected:
    void SetUp() override {
        fenban::store::ProjectStore projects(db.connection());
        ASSERT_TRUE(projects.create({QStringLiteral("去年"), 3}));
        ASSERT_TRUE(projects.create({QStringLiteral("今年"), 3}));
        fenban::store::StudentStore students(db.connection());
        ASSERT_EQ(students.replaceAll(1, {student(1, 1, 1), student(2, 2, 3), student(3, 3, 2)}).kind,
                  fenban::store::ReplaceOutcome::Written);
    }
    QStringList rows(int project) const {
        return db.query(
            QStringLiteral("SELECT student_id, class_id, type, student_name FROM qx_%1 ORDER BY student_id")
                .arg(project));
    }

    TempDatabase db;
};

} // namespace

TEST_F(ProjectCopy, AddingBringsEveryStudentFixedToItsClassAndLeavesTheSourceAlone) {
    const QStringList source = rows(1);
    ASSERT_TRUE(copyStudents(db.connection(), 1, 2, false));
    EXPECT_EQ(rows(2), (QStringList{QStringLiteral("1|1|2|学生1"), QStringLiteral("2|2|2|学生2"),
                                    QStringLiteral("3|3|2|学生3")}));
    EXPECT_EQ(rows(1), source);
}

TEST_F(ProjectCopy, AClashIsRefusedAndOverwritingReplacesOnlyTheSharedStudents) {
    fenban::store::StudentStore students(db.connection());
    StudentRecord mine = student(2, 0, 0);
    mine.name = QStringLiteral("本届同号");
    ASSERT_EQ(students.replaceAll(2, {mine, student(9, 0, 0)}).kind, fenban::store::ReplaceOutcome::Written);
    const QStringList before = rows(2);

    const auto clash = copyStudents(db.connection(), 1, 2, false);
    ASSERT_FALSE(clash);
    EXPECT_EQ(clash.error(), QStringLiteral("导入数据出错!数据可能已经存在，请采用覆盖方式导入"));
    EXPECT_EQ(rows(2), before);

    ASSERT_TRUE(copyStudents(db.connection(), 1, 2, true));
    EXPECT_EQ(rows(2), (QStringList{QStringLiteral("1|1|2|学生1"), QStringLiteral("2|2|2|学生2"),
                                    QStringLiteral("3|3|2|学生3"), QStringLiteral("9|0|0|学生9")}));
}

// Students in no class cannot arrive fixed to one: they wait for the next division like imported ones.
TEST_F(ProjectCopy, ASourceWithNoClassesIsRefusedAndStudentsWithoutAClassAreCounted) {
    fenban::store::ProjectStore projects(db.connection());
    fenban::store::StudentStore students(db.connection());
    ASSERT_TRUE(projects.create({QStringLiteral("未分班"), 3}));
    ASSERT_TRUE(projects.create({QStringLiteral("空"), 3}));
    ASSERT_TRUE(projects.create({QStringLiteral("一半"), 3}));
    ASSERT_EQ(students.replaceAll(3, {student(31, 0, 0), student(32, 0, 2)}).kind,
              fenban::store::ReplaceOutcome::Written);
    ASSERT_EQ(students.replaceAll(5, {student(51, 2, 1), student(52, 0, 0), student(53, 0, 2)}).kind,
              fenban::store::ReplaceOutcome::Written);
    const struct {
        int source;
        QString refused;
    } refusals[] = {{3, QStringLiteral("该分班项目还没有分班")}, {4, QStringLiteral("该分班项目没有学生")}};
    for (const auto &r : refusals) {
        const auto copied = copyStudents(db.connection(), r.source, 2, true);
        ASSERT_FALSE(copied) << r.source;
        EXPECT_EQ(copied.error(), r.refused);
        EXPECT_TRUE(rows(2).isEmpty());
    }
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_history WHERE project_id = 2")),
              QStringList{QStringLiteral("0")});

    const auto copied = copyStudents(db.connection(), 5, 2, false);
    ASSERT_TRUE(copied) << copied.error().toStdString();
    EXPECT_EQ(copied.value().students, 3);
    EXPECT_EQ(copied.value().withoutClass, 2);
    EXPECT_EQ(rows(2), (QStringList{QStringLiteral("51|2|2|学生51"), QStringLiteral("52|0|0|学生52"),
                                    QStringLiteral("53|0|0|学生53")}));
}

TEST_F(ProjectCopy, TheCurrentProjectCannotBeCopiedIntoItself) {
    const auto self = copyStudents(db.connection(), 1, 1, true);
    ASSERT_FALSE(self);
    EXPECT_EQ(self.error(), QStringLiteral("不能导入当前分班项目本身"));
    EXPECT_FALSE(copyStudents(db.connection(), 7, 2, false));
}

TEST_F(ProjectCopy, ADivisionAfterwardsKeepsTheCopiedStudentsInTheirClasses) {
    ASSERT_TRUE(copyStudents(db.connection(), 1, 2, false));
    fenban::store::StudentStore students(db.connection());
    QList<StudentRecord> all = students.byClass(2).value();
    for (int id = 20; id < 32; ++id)
        all.append(student(id, 0, 0, id % 2 ? QStringLiteral("男") : QStringLiteral("女")));
    ASSERT_EQ(students.replaceAll(2, all).kind, fenban::store::ReplaceOutcome::Written);

    const auto engine = fenban::makeFastEngine();
    const auto outcome = fenban::store::DivisionRunner(db.connection(), *engine).divide(2);
    ASSERT_EQ(outcome.kind, fenban::store::RunOutcome::Done) << outcome.message.toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT student_id, class_id, type FROM qx_2 WHERE student_id < 4")),
              (QStringList{QStringLiteral("1|1|2"), QStringLiteral("2|2|2"), QStringLiteral("3|3|2")}));
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_2 WHERE class_id = 0")),
              QStringList{QStringLiteral("0")});
}

TEST_F(ProjectCopy, AFailureOtherThanAClashNamesItsCause) {
    if (!db.isServer()) {
        // A connection that may only read, as on a read-only file.
        QSqlDatabase readOnly =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("read-only"));
        readOnly.setDatabaseName(db.path());
        readOnly.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        ASSERT_TRUE(readOnly.open());
        const auto copied = copyStudents(readOnly, 1, 2, false);
        ASSERT_FALSE(copied);
        EXPECT_TRUE(copied.error().startsWith(QStringLiteral("导入数据出错!数据库文件只读，无法写入")))
            << copied.error().toStdString();
        readOnly.close();
    } else {
        // A session that may only read, as a standby server or a read-only role gives.
        auto readOnly = fenban::store::Database::open(db.location());
        ASSERT_TRUE(readOnly) << readOnly.error().toStdString();
        ASSERT_TRUE(QSqlQuery(readOnly.value()->connection())
                        .exec(QStringLiteral("SET default_transaction_read_only = on")));
        const auto copied = copyStudents(readOnly.value()->connection(), 1, 2, false);
        ASSERT_FALSE(copied);
        EXPECT_TRUE(copied.error().startsWith(QStringLiteral("导入数据出错!数据库只读，无法写入")))
            << copied.error().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("read-only"));

    // The target's table is gone: the database says so.
    db.query(QStringLiteral("DROP TABLE qx_2"));
    const auto copied = copyStudents(db.connection(), 1, 2, true);
    ASSERT_FALSE(copied);
    const QString reason = db.isServer() ? QStringLiteral("relation \"qx_2\" does not exist")
                                         : QStringLiteral("no such table: qx_2");
    EXPECT_TRUE(copied.error().contains(reason)) << copied.error().toStdString();
    EXPECT_FALSE(copied.error().contains(QStringLiteral("数据可能已经存在")));
}
