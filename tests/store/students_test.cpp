#include "store/students.h"

#include "store/projects.h"
#include "store/schema.h"
#include "store/student_edits.h"
#include "store/student_queries.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

using fenban::store::ReplaceOutcome;
using fenban::store::StudentRecord;
using fenban::store::StudentStore;
using fenban::testing::TempDatabase;

namespace {

StudentRecord student(int id, int classId = 0) {
    return fenban::testing::StudentBuilder(id)
        .recId(QStringLiteral("r%1").arg(id))
        .name(QStringLiteral("学生%1").arg(id))
        .sex(QStringLiteral("男"))
        .inClass(classId)
        .scoresBy([id](std::size_t i) { return 50.0 + static_cast<double>(i) + id % 7; })
        .pinyin(QStringLiteral("XUE SHENG"));
}

// Every field holds a value no other field has, so a writer or reader that puts a field in another
// field's column cannot pass.
StudentRecord distinct(qint64 id) {
    StudentRecord record;
    record.studentId = id;
    record.recId = QStringLiteral("登%1").arg(id);
    record.name = QStringLiteral("姓名%1").arg(id);
    record.sex = QStringLiteral("女");
    record.classId = 3;
    for (std::size_t i = 0; i < record.scores.size(); ++i)
        record.scores[i] = 10.5 + static_cast<double>(i);
    record.scores[6] = std::nullopt;
    record.oralSchool = QStringLiteral("学校");
    record.addr = QStringLiteral("地址");
    record.type = 2;
    record.pingyin = QStringLiteral("XING MING");
    record.qxMemo = QStringLiteral("备注");
    record.pfType = QStringLiteral("类别");
    return record;
}

class Students : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 3}));
        ASSERT_EQ(store.replaceAll(1, {student(5), student(6)}).kind, ReplaceOutcome::Written);
    }
    QList<int> storedIds() const {
        QList<int> ids;
        const auto stored = store.byClass(1);
        for (const StudentRecord &record : stored.value())
            ids.append(record.studentId);
        return ids;
    }

    TempDatabase db;
    StudentStore store{db.connection()};
};

} // namespace

TEST_F(Students, ReplacingWritesEveryFieldAndDropsThePreviousStudents) {
    StudentRecord full = student(1, 0);
    full.scores[4] = std::nullopt;
    full.oralSchool = QStringLiteral("一中");
    full.addr = QStringLiteral("O'Neil 路");
    full.qxMemo = QStringLiteral("备注");
    full.pfType = QStringLiteral("艺术");
    ASSERT_EQ(store.replaceAll(1, {student(3, 2), full, student(2, 2)}).kind, ReplaceOutcome::Written);

    const auto stored = store.byClass(1);
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 3);
    EXPECT_EQ(stored.value()[0], full);
    EXPECT_EQ(storedIds(), (QList<int>{1, 2, 3}));
}

TEST_F(Students, CancellingKeepsThePreviousStudents) {
    qsizetype calls = 0;
    const ReplaceOutcome outcome =
        store.replaceAll(1, {student(1), student(2), student(3)}, [&](qsizetype written) {
            ++calls;
            return written < 2;
        });
    EXPECT_EQ(outcome.kind, ReplaceOutcome::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(storedIds(), (QList<int>{5, 6}));
}

TEST_F(Students, ARefusedRowIsNamedAndKeepsThePreviousStudents) {
    const ReplaceOutcome outcome = store.replaceAll(1, {student(1), student(2), student(1)});
    EXPECT_EQ(outcome.kind, ReplaceOutcome::Failed);
    EXPECT_EQ(outcome.failedIndex, 2);
    const QString clash = db.isServer() ? QStringLiteral("duplicate key") : QStringLiteral("UNIQUE");
    EXPECT_TRUE(outcome.error.contains(clash)) << outcome.error.toStdString();
    EXPECT_EQ(storedIds(), (QList<int>{5, 6}));
}

TEST_F(Students, AProjectWithoutTablesFailsWithoutWritingAnything) {
    const ReplaceOutcome outcome = store.replaceAll(9, {student(1)});
    EXPECT_EQ(outcome.kind, ReplaceOutcome::Failed);
    EXPECT_EQ(outcome.failedIndex, -1);
    EXPECT_FALSE(store.byClass(9));
}

TEST_F(Students, EveryWriterAndReaderAgreeOnTheColumns) {
    const StudentRecord replaced = distinct(11);
    const StudentRecord inserted = distinct(12);
    const StudentRecord updated = distinct(13);
    ASSERT_EQ(store.replaceAll(1, {replaced, distinct(20)}).kind, ReplaceOutcome::Written);
    ASSERT_TRUE(fenban::store::insertStudent(db.connection(), 1, inserted));
    ASSERT_TRUE(fenban::store::updateStudent(db.connection(), 1, 20, updated));

    fenban::store::StudentFilter ofClass;
    ofClass.classId = 3;
    const struct {
        const char *reader;
        fenban::store::Result<QList<StudentRecord>> read;
    } reads[] = {
        {"byClass", store.byClass(1)},
        {"allStudents", fenban::store::allStudents(db.connection(), 1)},
        {"searchStudents", fenban::store::searchStudents(db.connection(), 1, ofClass)},
    };
    for (const auto &r : reads) {
        ASSERT_TRUE(r.read) << r.reader << ": " << r.read.error().toStdString();
        EXPECT_EQ(r.read.value(), (QList<StudentRecord>{replaced, inserted, updated})) << r.reader;
    }
}

// Conditions such as pfType<>'' read a blank text as a teacher does only when it is stored as ''.
TEST_F(Students, BlankTextsAreStoredEmptyNotNull) {
    StudentRecord blank = student(1);
    blank.recId = QString();
    blank.oralSchool = QString();
    blank.addr = QString();
    blank.qxMemo = QString();
    blank.pfType = QString();
    StudentRecord inserted = blank;
    inserted.studentId = 2;
    ASSERT_EQ(store.replaceAll(1, {blank}).kind, ReplaceOutcome::Written);
    ASSERT_TRUE(fenban::store::insertStudent(db.connection(), 1, inserted));

    QSqlQuery query(db.connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + fenban::store::studentTableName(1) +
                           QStringLiteral(" WHERE rec_id IS NULL OR oral_school IS NULL OR addr IS NULL OR "
                                          "qxMemo IS NULL OR pfType IS NULL")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 0);
}
