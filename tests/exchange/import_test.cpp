#include "exchange/import_rows.h"
#include "exchange/pinyin/pinyin.h"
#include "exchange/sheets/sheet.h"
#include "exchange/student_import.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::exchange::ImportRow;
using fenban::exchange::studentsFromRows;
using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;

namespace {

const QString dataFolder = QStringLiteral(FENBAN_TEST_DATA "/import/");

QList<StudentRecord> importThrough(TempDatabase &db, const QString &file) {
    const auto sheet = fenban::exchange::readFirstSheet(file);
    EXPECT_TRUE(sheet) << sheet.error().toStdString();
    if (!sheet)
        return {};
    const auto check = studentsFromRows(fenban::exchange::importRowsFrom(sheet.value()).students);
    EXPECT_FALSE(check.problem) << check.problem->message().toStdString();
    fenban::store::ProjectStore projects(db.connection());
    const auto project = projects.create({QStringLiteral("导入"), 3});
    fenban::store::StudentStore students(db.connection());
    EXPECT_EQ(students.replaceAll(project->id, check.records).kind, fenban::store::ReplaceOutcome::Written);
    return students.byClass(project->id).value();
}

ImportRow validRow(int sheetRow, const QString &id) {
    return {sheetRow,
            {id, QStringLiteral("0101"), QStringLiteral("张三"), QStringLiteral("男"), QStringLiteral("85"),
             QStringLiteral("90.5"), QStringLiteral("78"), QStringLiteral("66"), QStringLiteral("70"),
             QStringLiteral("80"), QStringLiteral("95"), QStringLiteral("60"), QStringLiteral("72"),
             QStringLiteral("一中"), QStringLiteral("城关"), QString(), QString()}};
}

} // namespace

TEST(Import, EveryFileFormatGivesTheSameStudents) {
    TempDatabase reference;
    const QList<StudentRecord> expected =
        importThrough(reference, dataFolder + QStringLiteral("students.csv"));
    ASSERT_EQ(expected.size(), 3);

    const StudentRecord &third = expected[2];
    EXPECT_EQ(third.studentId, 20260003);
    EXPECT_EQ(third.recId, QStringLiteral("A0103"));
    EXPECT_EQ(third.name, QStringLiteral("O'Brien 王"));
    EXPECT_EQ(third.sex, QStringLiteral("女"));
    EXPECT_EQ(third.scores[1], 0.3);
    EXPECT_EQ(third.pingyin, QStringLiteral("O  B R I E N  WANG"));
    EXPECT_EQ(third.classId, 0);
    EXPECT_EQ(third.type, 0);
    EXPECT_EQ(expected[1].name, QStringLiteral("李 四"));
    EXPECT_EQ(expected[1].pingyin, QStringLiteral("LI  SI"));
    EXPECT_EQ(expected[1].addr, QStringLiteral("新城路\"8\"号"));
    EXPECT_EQ(expected[0].recId, QStringLiteral("0101"));
    EXPECT_EQ(expected[0].pingyin, QStringLiteral("ZHANG SAN"));

    for (const char *file : {"students-bom.csv", "students-gbk.csv", "students-xlsxwriter.xlsx",
                             "students-office.xlsx", "students.xls"}) {
        TempDatabase db;
        EXPECT_EQ(importThrough(db, dataFolder + QString::fromLatin1(file)), expected) << file;
    }
}

TEST(Import, RowsThatTheTableCannotHoldAreRefusedWithRowColumnAndValue) {
    const struct {
        int column;
        QString value;
        QString reason;
    } cases[] = {
        {0, QStringLiteral("12a"), QStringLiteral("学号必须是整数")},
        {0, QStringLiteral("99999999999"), QStringLiteral("学号必须是整数")},
        {4, QString(), QStringLiteral("数学为空")},
        {5, QStringLiteral("八十"), QStringLiteral("英语必须是数字")},
        {6, QStringLiteral("nan"), QStringLiteral("语文必须是数字")},
        {7, QStringLiteral("-1"), QStringLiteral("物理必须在0到1000之间")},
        {12, QStringLiteral("1000.5"), QStringLiteral("生物必须在0到1000之间")},
        {2, QString(51, QChar(u'王')), QStringLiteral("姓名最多50个字符")},
        {3, QStringLiteral("男生"), QStringLiteral("性别最多1个字符")},
        {1, QString(101, QLatin1Char('1')), QStringLiteral("登分号最多100个字符")},
        {16, QStringLiteral("一二三四五六七八九十一"), QStringLiteral("分类最多10个字符")},
    };
    for (const auto &c : cases) {
        QList<ImportRow> rows{validRow(2, QStringLiteral("1")), validRow(3, QStringLiteral("2")),
                              validRow(4, QStringLiteral("3"))};
        rows[1].cells[c.column] = c.value;
        const auto check = studentsFromRows(rows);
        ASSERT_TRUE(check.problem) << c.value.toStdString();
        EXPECT_EQ(check.problem->sheetRow, 3);
        EXPECT_EQ(check.problem->column, fenban::exchange::importHeaders()[c.column]);
        EXPECT_EQ(check.problem->value, c.value);
        EXPECT_EQ(check.problem->reason, c.reason);
        EXPECT_TRUE(check.records.isEmpty());
    }
}

TEST(Import, ProblemMessageStartsWithTheRowNumberedLine) {
    QList<ImportRow> rows{validRow(2, QStringLiteral("7")), validRow(5, QStringLiteral("7"))};
    const auto check = studentsFromRows(rows);
    ASSERT_TRUE(check.problem);
    EXPECT_EQ(check.problem->message(),
              QStringLiteral(
                  "插入数据库过程第5行出错,学生不考的科目请设置为0分\n“学号”列的值“7”: 学号与第2行重复"));
}

TEST(Import, AcceptedRowsKeepTextsAsTypedAndTrimOnlyTheSex) {
    QList<ImportRow> rows{validRow(2, QStringLiteral(" 20260001.0 "))};
    rows[0].cells[1] = QStringLiteral("A-01");
    rows[0].cells[2] = QStringLiteral(" 张三 ");
    rows[0].cells[3] = QStringLiteral(" 女 ");
    rows[0].cells[4] = QStringLiteral(" 0 ");
    const auto check = studentsFromRows(rows);
    ASSERT_FALSE(check.problem) << check.problem->message().toStdString();
    const StudentRecord &record = check.records.first();
    EXPECT_EQ(record.studentId, 20260001);
    EXPECT_EQ(record.recId, QStringLiteral("A-01"));
    EXPECT_EQ(record.name, QStringLiteral(" 张三 "));
    EXPECT_EQ(record.pingyin, QStringLiteral("ZHANG SAN "));
    EXPECT_EQ(record.sex, QStringLiteral("女"));
    EXPECT_EQ(record.scores[0], 0.0);
    EXPECT_EQ(record.total(), 0 + 90.5 + 78 + 66 + 70 + 80 + 95 + 60 + 72);
}

TEST(Import, OnlyRowsBeforeTheFirstEmptyNumberAreStudents) {
    const auto sheet = fenban::exchange::readFirstSheet(dataFolder + QStringLiteral("students.csv"));
    ASSERT_TRUE(sheet);
    const auto imported = fenban::exchange::importRowsFrom(sheet.value());
    ASSERT_EQ(imported.students.size(), 3);
    EXPECT_EQ(imported.students[2].sheetRow, 4);
    EXPECT_EQ(imported.terminator.sheetRow, 5);
    EXPECT_EQ(imported.terminator.cells, QStringList(17, QString()));
}
