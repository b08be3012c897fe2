#include "store/database.h"
#include "store/division_runner.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/damaged_database.h"
#include "support/test_backend.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using fenban::store::Database;
using fenban::store::StudentRecord;

namespace {

// A project of 200 students in a file whose student table has a damaged page in its middle.
class DamagedDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        FENBAN_FILE_ONLY();
        {
            auto opened = Database::open(path());
            ASSERT_TRUE(opened) << opened.error().toStdString();
            const QSqlDatabase db = opened.value()->connection();
            ASSERT_TRUE(fenban::store::ProjectStore(db).create({QStringLiteral("高一"), 4}));
            QList<StudentRecord> students;
            for (int id = 1; id <= 200; ++id) {
                StudentRecord record;
                record.studentId = id;
                record.name = QStringLiteral("学生%1").arg(id);
                record.sex = id % 2 ? QStringLiteral("男") : QStringLiteral("女");
                record.addr = QStringLiteral("某市某区某街道%1号").arg(id);
                for (std::size_t i = 0; i < record.scores.size(); ++i)
                    record.scores[i] = 50 + (id + int(i)) % 50;
                students.append(record);
            }
            ASSERT_EQ(fenban::store::StudentStore(db).replaceAll(1, students).kind,
                      fenban::store::ReplaceOutcome::Written);
        }
        fenban::testing::damageTablePage(path(), QStringLiteral("qx_1"));
        auto reopened = Database::open(path());
        ASSERT_TRUE(reopened) << reopened.error().toStdString();
        database = std::move(reopened.value());
    }
    QString path() const { return dir.filePath(QStringLiteral("qx.db")); }

    QTemporaryDir dir;
    std::unique_ptr<Database> database;
};

} // namespace

TEST_F(DamagedDatabase, ReadingTheStudentsFailsWithTheDatabaseMessageInsteadOfGivingPartOfThem) {
    const auto students = fenban::store::StudentStore(database->connection()).byClass(1);
    ASSERT_FALSE(students) << students.value().size() << " students read";
    EXPECT_TRUE(students.error().contains(QStringLiteral("数据库文件已损坏")))
        << students.error().toStdString();
    EXPECT_TRUE(students.error().contains(QStringLiteral("malformed"))) << students.error().toStdString();
}

TEST_F(DamagedDatabase, ADivisionFailsWithoutWritingAnything) {
    const auto engine = fenban::makeFastEngine();
    fenban::store::DivisionRunner runner(database->connection(), *engine);
    for (const auto &outcome : {runner.divide(1), runner.redivide(1, {1, 2})}) {
        EXPECT_EQ(outcome.kind, fenban::store::RunOutcome::Failed);
        EXPECT_TRUE(outcome.message.contains(QStringLiteral("数据库文件已损坏")))
            << outcome.message.toStdString();
    }
}
