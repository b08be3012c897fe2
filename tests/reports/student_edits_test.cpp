#include "reports/student_edits.h"

#include "reports/student_search.h"
#include "store/limits.h"
#include "store/projects.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;
namespace reports = fenban::reports;

namespace {

enum ListColumn { Id, RecId, Name, Sex, ClassId, Math, English, Chinese, Type = 14, OralSchool, Addr };

StudentRecord stored(qint64 id) {
    return fenban::testing::StudentBuilder(id)
        .recId(QStringLiteral("0%1").arg(id))
        .name(QStringLiteral("李四"))
        .sex(QStringLiteral("女"))
        .inClass(2)
        .scoresBy([](std::size_t i) { return 60 + static_cast<double>(i); })
        .type(1)
        .pinyin(QStringLiteral("LI SI"))
        .memo(QStringLiteral("插班"))
        .category(QStringLiteral("体育"));
}

QStringList cellsWith(const StudentRecord &record, int column, const QString &text) {
    QStringList cells = reports::studentListCells(record);
    cells[column] = text;
    return cells;
}

} // namespace

TEST(StudentFromListCells, RefusesWhatTheImportRefusesNamingTheListColumn) {
    const struct {
        int column;
        QString text;
        QString title;
    } cases[] = {
        {Id, QStringLiteral("12a"), QStringLiteral("学号")},
        {Math, QStringLiteral("abc"), QStringLiteral("数学")},
        {English, QStringLiteral("1000.5"), QStringLiteral("英语")},
        {Chinese, QStringLiteral("-1"), QStringLiteral("语文")},
        {Chinese, QString(), QStringLiteral("语文")},
        {Name, QString(51, QChar(u'张')), QStringLiteral("学生姓名")},
        {RecId, QString(101, QLatin1Char('1')), QStringLiteral("登分号")},
        {Sex, QStringLiteral("男女"), QStringLiteral("性别")},
        {ClassId, QStringLiteral("-1"), QStringLiteral("班级")},
        {ClassId, QStringLiteral("2.5"), QStringLiteral("班级")},
        {Type, QStringLiteral("4"), QStringLiteral("类型")},
        {Type, QStringLiteral("x"), QStringLiteral("类型")},
        {OralSchool, QString(101, QChar(u'校')), QStringLiteral("毕业学校")},
        {Addr, QString(101, QChar(u'路')), QStringLiteral("地址")},
        {Name, QStringLiteral("张\n三"), QStringLiteral("学生姓名")},
        {Name, QStringLiteral("张") + QChar(u'\0'), QStringLiteral("学生姓名")},
        {Addr, QStringLiteral("城关\t1号"), QStringLiteral("地址")},
        {OralSchool, QStringLiteral("一中") + QChar(u'\x85'), QStringLiteral("毕业学校")},
    };
    for (const auto &c : cases) {
        const reports::StudentEdit edit =
            reports::studentFromListCells(cellsWith(stored(1), c.column, c.text), stored(1));
        ASSERT_TRUE(edit.problem) << c.title.toStdString() << " " << c.text.toStdString();
        EXPECT_FALSE(edit.record);
        EXPECT_EQ(edit.problem->column, c.title);
        EXPECT_EQ(edit.problem->value, c.text);
        EXPECT_TRUE(edit.problem->message().contains(c.title));
        EXPECT_FALSE(fenban::store::firstControlCharacter(edit.problem->message()).has_value())
            << edit.problem->message().toStdString();
    }
}

TEST(StudentFromListCells, KeepsUnlistedColumnsAndFormsPinyinOnlyForANewName) {
    const StudentRecord before = stored(1);
    const reports::StudentEdit unchanged =
        reports::studentFromListCells(cellsWith(before, Sex, QStringLiteral(" 女 ")), before);
    ASSERT_TRUE(unchanged.record);
    EXPECT_EQ(*unchanged.record, before); // the sex is trimmed as the import trims it

    QStringList cells = cellsWith(before, Name, QStringLiteral("张三"));
    cells[Math] = QStringLiteral("99.5");
    cells[ClassId] = QStringLiteral("0");
    cells[Type] = QStringLiteral("3");
    const reports::StudentEdit renamed = reports::studentFromListCells(cells, before);
    ASSERT_TRUE(renamed.record);
    EXPECT_FALSE(renamed.problem);
    const StudentRecord &student = *renamed.record;
    EXPECT_EQ(student.name, QStringLiteral("张三"));
    EXPECT_EQ(student.pingyin, QStringLiteral("ZHANG SAN"));
    EXPECT_EQ(student.scores[0], 99.5);
    EXPECT_EQ(student.classId, 0);
    EXPECT_EQ(student.type, 3);
    EXPECT_EQ(student.qxMemo, before.qxMemo);
    EXPECT_EQ(student.pfType, before.pfType);
}

class StudentEdits : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
        for (const int id : {1, 2})
            ASSERT_TRUE(reports::insertStudent(db.connection(), 1, stored(id)));
    }
    QList<StudentRecord> students() const { return reports::allStudents(db.connection(), 1).value(); }

    TempDatabase db;
};

TEST_F(StudentEdits, UpdateWritesEveryColumnAndMayRenumber) {
    StudentRecord changed = stored(7);
    changed.name = QStringLiteral("O'Neil");
    changed.scores[3] = std::nullopt;
    ASSERT_TRUE(reports::updateStudent(db.connection(), 1, 1, changed));
    EXPECT_EQ(students(), (QList<StudentRecord>{stored(2), changed}));
}

TEST_F(StudentEdits, RefusalsLeaveTheTableAsItWas) {
    const QList<StudentRecord> before = students();
    const struct {
        const char *what;
        fenban::store::Status status;
        QString message;
    } cases[] = {
        {"renumbering onto another student", reports::updateStudent(db.connection(), 1, 1, stored(2)),
         QStringLiteral("学号2已有学生")},
        {"updating a student that is gone", reports::updateStudent(db.connection(), 1, 9, stored(9)),
         QStringLiteral("学号为9的学生已不存在")},
        {"inserting a taken number", reports::insertStudent(db.connection(), 1, stored(1)),
         QStringLiteral("学号1已有学生")},
        {"deleting a student that is gone", reports::deleteStudent(db.connection(), 1, 9),
         QStringLiteral("学号为9的学生已不存在")},
        {"a project without tables", reports::deleteStudent(db.connection(), 5, 1), QString()},
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(c.status) << c.what;
        if (!c.message.isEmpty()) {
            EXPECT_EQ(c.status.error(), c.message) << c.what;
        }
    }
    EXPECT_EQ(students(), before);
}

TEST_F(StudentEdits, InsertAndDelete) {
    ASSERT_TRUE(reports::insertStudent(db.connection(), 1, stored(3)));
    ASSERT_TRUE(reports::deleteStudent(db.connection(), 1, 1));
    EXPECT_EQ(students(), (QList<StudentRecord>{stored(2), stored(3)}));
}

// Numbers above 32 bits are told apart by every edit, not cut to a neighbour's.
TEST_F(StudentEdits, LongNumbersAreEditedExactly) {
    constexpr qint64 number = 123456789012345678;
    const reports::StudentEdit edit = reports::studentFromListCells(
        cellsWith(stored(1), Id, QStringLiteral("123456789012345678")), stored(1));
    ASSERT_TRUE(edit.record) << edit.problem->message().toStdString();
    EXPECT_EQ(edit.record->studentId, number);
    ASSERT_TRUE(reports::updateStudent(db.connection(), 1, 1, *edit.record));
    ASSERT_TRUE(reports::insertStudent(db.connection(), 1, stored(number + 1)));
    EXPECT_EQ(reports::insertStudent(db.connection(), 1, stored(number)).error(),
              QStringLiteral("学号123456789012345678已有学生"));
    ASSERT_TRUE(reports::deleteStudent(db.connection(), 1, number + 1));
    EXPECT_EQ(students(), (QList<StudentRecord>{stored(2), *edit.record}));
}
