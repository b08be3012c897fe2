#include "store/students.h"

#include "store/projects.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

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
    EXPECT_TRUE(outcome.error.contains(QStringLiteral("UNIQUE"))) << outcome.error.toStdString();
    EXPECT_EQ(storedIds(), (QList<int>{5, 6}));
}

TEST_F(Students, AProjectWithoutTablesFailsWithoutWritingAnything) {
    const ReplaceOutcome outcome = store.replaceAll(9, {student(1)});
    EXPECT_EQ(outcome.kind, ReplaceOutcome::Failed);
    EXPECT_EQ(outcome.failedIndex, -1);
    EXPECT_FALSE(store.byClass(9));
}
