#include "exchange/import_rows.h"
#include "exchange/pinyin/pinyin.h"
#include "exchange/result_export.h"
#include "exchange/sheets/sheet.h"
#include "exchange/student_import.h"
#include "exchange/xlsx_file.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QHash>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using fenban::exchange::ImportRow;
using fenban::exchange::SheetData;
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
    const auto check = studentsFromRows(fenban::exchange::importRowsFrom(sheet.value()).value().students);
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
        {0, QStringLiteral("1234567890123456789"), QStringLiteral("学号太长，最多18位")},
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
    const auto read = fenban::exchange::importRowsFrom(sheet.value());
    ASSERT_TRUE(read) << read.error().toStdString();
    const auto &imported = read.value();
    ASSERT_EQ(imported.students.size(), 3);
    EXPECT_EQ(imported.students[2].sheetRow, 4);
    EXPECT_EQ(imported.terminator.sheetRow, 5);
    EXPECT_EQ(imported.terminator.cells, QStringList(17, QString()));
}

TEST(Import, AFileWithoutStudentsIsRefused) {
    SheetData sheet;
    const QStringList headers = fenban::exchange::importHeaders();
    for (int column = 1; column <= headers.size(); ++column)
        sheet.setCell(1, column, headers[column - 1]);
    // A row below an empty student number is never read.
    sheet.setCell(2, 3, QStringLiteral("张三"));
    sheet.setCell(3, 1, QStringLiteral("20260001"));

    const auto imported = fenban::exchange::importRowsFrom(sheet);
    ASSERT_TRUE(imported) << imported.error().toStdString();
    EXPECT_TRUE(imported->students.isEmpty());
    const auto check = studentsFromRows(imported->students);
    ASSERT_TRUE(check.problem);
    EXPECT_EQ(check.problem->message(), QStringLiteral("文件中没有学生数据"));
    EXPECT_TRUE(check.records.isEmpty());
}

// A text with a control character would break the tab-separated output and the exported
// workbooks; the message writes the character out so that it stays on its lines.
TEST(Import, ControlCharactersInTextsAreRefusedAndShownWrittenOut) {
    const struct {
        int column;
        QString value;
        QString shownValue;
        QString shownCharacter;
    } cases[] = {
        {2, QStringLiteral("张\t三"), QStringLiteral("张\\t三"), QStringLiteral("\\t")},
        {2, QStringLiteral("张三\n王五"), QStringLiteral("张三\\n王五"), QStringLiteral("\\n")},
        // What an .xlsx reader makes of "_x0000_".
        {2, QStringLiteral("张") + QChar(u'\0') + QStringLiteral("三"), QStringLiteral("张U+0000三"),
         QStringLiteral("U+0000")},
        {1, QStringLiteral("A\r01"), QStringLiteral("A\\r01"), QStringLiteral("\\r")},
        {2, QStringLiteral("张") + QChar(u'\x85') + QStringLiteral("三"), QStringLiteral("张U+0085三"),
         QStringLiteral("U+0085")},
        {3, QStringLiteral("\x01男"), QStringLiteral("U+0001男"), QStringLiteral("U+0001")},
        {13, QStringLiteral("一中") + QChar(u'\x7f'), QStringLiteral("一中U+007F"), QStringLiteral("U+007F")},
        {14, QStringLiteral("城关\x1b"), QStringLiteral("城关U+001B"), QStringLiteral("U+001B")},
        {15, QStringLiteral("\x9f"), QStringLiteral("U+009F"), QStringLiteral("U+009F")},
        {16, QStringLiteral("艺术\v"), QStringLiteral("艺术U+000B"), QStringLiteral("U+000B")},
    };
    for (const auto &c : cases) {
        QList<ImportRow> rows{validRow(2, QStringLiteral("1")), validRow(3, QStringLiteral("2"))};
        rows[1].cells[c.column] = c.value;
        const auto check = studentsFromRows(rows);
        ASSERT_TRUE(check.problem) << c.shownValue.toStdString();
        const QString title = fenban::exchange::importHeaders()[c.column];
        EXPECT_EQ(check.problem->sheetRow, 3);
        EXPECT_EQ(check.problem->column, title);
        EXPECT_EQ(check.problem->value, c.value);
        EXPECT_EQ(check.problem->message(),
                  QStringLiteral("插入数据库过程第3行出错,学生不考的科目请设置为0分\n“%1”列的值“%2”: "
                                 "%1不能含有控制字符“%3”")
                      .arg(title, c.shownValue, c.shownCharacter));
        EXPECT_TRUE(check.records.isEmpty());
    }
    // Blanks around the sex are trimmed away before it is stored; a tab or U+0085 there harms nothing.
    QList<ImportRow> rows{validRow(2, QStringLiteral("1"))};
    rows[0].cells[3] = QStringLiteral("\t女 ") + QChar(u'\x85');
    const auto check = studentsFromRows(rows);
    ASSERT_FALSE(check.problem) << check.problem->message().toStdString();
    EXPECT_EQ(check.records.first().sex, QStringLiteral("女"));
}

// Student numbers are read from their digits: a double would round those of more than 15 digits, and
// the exponent form is how a spreadsheet shows a number it may already have rounded.
TEST(Import, StudentNumbersAreWholeNumbersOfUpTo18DigitsKeptExactly) {
    const struct {
        const char *text;
        qint64 number;
    } accepted[] = {
        {"18211510101", 18211510101},
        {" 18211510101.0 ", 18211510101},
        {"18211510101.000", 18211510101},
        {"20260001.", 20260001},
        {"123456789012345678", 123456789012345678},
        {"999999999999999999", 999999999999999999},
        {"0000000000000000000012", 12},
        {"0", 0},
        {"+7", 7},
    };
    for (const auto &c : accepted) {
        const auto number = fenban::exchange::studentNumber(QString::fromLatin1(c.text));
        ASSERT_TRUE(number) << c.text << ": " << number.error().toStdString();
        EXPECT_EQ(number.value(), c.number) << c.text;
    }

    const QString notWhole = QStringLiteral("学号必须是整数");
    const QString tooLong = QStringLiteral("学号太长，最多18位");
    const QString exponentForm = QStringLiteral("学号不能写成科学计数法");
    const QString negative = QStringLiteral("学号不能是负数");
    const struct {
        QString text;
        QString reason;
    } refused[] = {
        {QString(), notWhole},
        {QStringLiteral("12a"), notWhole},
        {QStringLiteral("1.5"), notWhole},
        {QStringLiteral("1.8211510101E10"), exponentForm},
        {QStringLiteral("1.8211510101e+10"), exponentForm},
        {QStringLiteral("182115101010E-1"), exponentForm},
        {QStringLiteral("1.23456789012346E+17"), exponentForm},
        {QStringLiteral("0.0E5"), exponentForm},
        {QStringLiteral("1.82115101015E10"), exponentForm},
        {QStringLiteral("5E-1"), exponentForm},
        {QStringLiteral("1E-999999999999"), exponentForm},
        {QStringLiteral("-5"), negative},
        {QStringLiteral("-123456789012345678"), negative},
        {QStringLiteral("-0"), negative},
        {QStringLiteral("0x10"), notWhole},
        {QStringLiteral("1,000"), notWhole},
        {QStringLiteral("1 000"), notWhole},
        {QStringLiteral("--1"), notWhole},
        {QStringLiteral("."), notWhole},
        {QStringLiteral("E5"), notWhole},
        {QStringLiteral("1E"), notWhole},
        {QStringLiteral("1E+"), notWhole},
        {QStringLiteral("inf"), notWhole},
        {QStringLiteral("nan"), notWhole},
        {QStringLiteral("１２"), notWhole},
        {QStringLiteral("1234567890123456789"), tooLong},
        {QStringLiteral("-1234567890123456789"), tooLong},
        {QStringLiteral("9999999999999999999.0"), tooLong},
        {QStringLiteral("1E18"), exponentForm},
        {QStringLiteral("1.5E999999999999999999999"), exponentForm},
        {QStringLiteral("1E5x"), notWhole},
    };
    for (const auto &c : refused) {
        const auto number = fenban::exchange::studentNumber(c.text);
        ASSERT_FALSE(number) << c.text.toStdString() << " gave " << number.value();
        EXPECT_EQ(number.error(), c.reason) << c.text.toStdString();
    }
}

// A spreadsheet shows a number of more than 15 digits in exponent form and keeps only 15 of its digits,
// so a student number is taken only where the file holds its digits: as text, or as a number cell whose
// stored value is exactly that whole number.
TEST(Import, StudentNumbersAreTakenOnlyWhereTheFileHoldsTheirExactDigits) {
    const QString lost = QStringLiteral(
        "学号写成了科学计数法，表格程序可能已改动其中的数字，请把“学号”列设置为文本格式后重新输入");
    const QString negative = QStringLiteral("学号不能是负数");
    const struct {
        const char *file;
        int sheetRow;
        qint64 number; // when taken
        QString value; // when refused: the cell as the teacher sees it, and why
        QString reason;
    } cases[] = {
        {"student-numbers.csv", 2, 202601000000, {}, {}},
        {"student-numbers.csv", 3, 0, QStringLiteral("2.02601E+11"), lost},
        {"student-numbers.csv", 4, 20260001, {}, {}},
        {"student-numbers.csv", 5, 0, QStringLiteral("-20260001"), negative},
        {"student-numbers.csv", 6, 123456789012345678, {}, {}},
        {"student-numbers.xlsx", 2, 123456789012345678, {}, {}},
        {"student-numbers.xlsx", 3, 20260100000123456, {}, {}},
        {"student-numbers.xlsx", 4, 0, QStringLiteral("1.23456789012346E+17"), lost},
        {"student-numbers.xlsx", 5, 20260001, {}, {}},
        {"student-numbers.xlsx", 6, 20260002, {}, {}},
        {"student-numbers.xlsx", 7, 0, QStringLiteral("-20260003"), negative},
        {"student-numbers.xlsx", 8, 123456789012345679, {}, {}},
        {"student-numbers.xls", 2, 20260001, {}, {}},
        {"student-numbers.xls", 3, 20260002, {}, {}},
        {"student-numbers.xls", 4, 999999999999999, {}, {}},
        {"student-numbers.xls", 5, 0, QStringLiteral("1.23456789012346E+15"), lost},
        {"student-numbers.xls", 6, 0, QStringLiteral("1.23456789012346E+17"), lost},
        {"student-numbers.xls", 7, 0, QStringLiteral("-5"), negative},
        {"student-numbers.xls", 8, 123456789012345679, {}, {}},
    };
    QHash<QString, QList<ImportRow>> rowsOfFile;
    for (const auto &c : cases) {
        const QString file = QString::fromLatin1(c.file);
        if (!rowsOfFile.contains(file)) {
            const auto sheet = fenban::exchange::readFirstSheet(dataFolder + file);
            ASSERT_TRUE(sheet) << sheet.error().toStdString();
            rowsOfFile.insert(file, fenban::exchange::importRowsFrom(sheet.value()).value().students);
        }
        const QList<ImportRow> &rows = rowsOfFile[file];
        const auto row = std::ranges::find(rows, c.sheetRow, &ImportRow::sheetRow);
        ASSERT_NE(row, rows.end()) << c.file << " row " << c.sheetRow;
        const auto check = studentsFromRows({*row});
        if (c.reason.isEmpty()) {
            if (check.problem) {
                ADD_FAILURE() << c.file << ": " << check.problem->message().toStdString();
                continue;
            }
            EXPECT_EQ(check.records.first().studentId, c.number) << c.file << " row " << c.sheetRow;
            EXPECT_EQ(check.records.first().scores[0], 95.5) << c.file << " row " << c.sheetRow;
        } else {
            if (!check.problem) {
                ADD_FAILURE() << c.file << " row " << c.sheetRow << " gave "
                              << check.records.first().studentId;
                continue;
            }
            EXPECT_EQ(
                check.problem->message(),
                QStringLiteral("插入数据库过程第%1行出错,学生不考的科目请设置为0分\n“学号”列的值“%2”: %3")
                    .arg(c.sheetRow)
                    .arg(c.value, c.reason))
                << c.file;
        }
    }
}

namespace {

fenban::exchange::SheetData sheetOf(const QList<QStringList> &rows) {
    SheetData sheet;
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column)
            sheet.setCell(row + 1, column + 1, rows[row][column]);
    }
    return sheet;
}

// A divided student as the store holds it, every field set.
StudentRecord divided(qint64 id, int classId, const QString &name, const QString &memo,
                      const QString &category) {
    return fenban::testing::StudentBuilder(id)
        .recId(QStringLiteral("0%1").arg(id % 1000))
        .name(name)
        .sex(id % 2 ? QStringLiteral("男") : QStringLiteral("女"))
        .inClass(classId)
        .scoresBy([id](std::size_t i) { return 50.5 + static_cast<double>(i * 3 + id % 7); })
        .school(QStringLiteral("第%1中学").arg(classId))
        .addr(id % 2 ? QStringLiteral("城关镇%1号").arg(id % 100) : QString())
        .type(1)
        .pinyin(fenban::exchange::pinyinName(name))
        .memo(memo)
        .category(category);
}

class ResultReimport : public ::testing::TestWithParam<const char *> {
protected:
    QTemporaryDir dir;
};

} // namespace

// The result sheet has 总分 and 班名 among the import's columns; read by position, 总分 would land in
// 毕业学校 and 班名 in 分类. Earlier exports left the titles of the memo and the category empty and
// still come back whole.
TEST_P(ResultReimport, EveryFieldComesBackWhereItBelongs) {
    const QList<StudentRecord> students{
        divided(20260001, 1, QStringLiteral("张三"), QStringLiteral("插班"), QStringLiteral("体育")),
        divided(20260002, 1, QStringLiteral("李 四"), QString(), QString()),
        divided(123456789012345678, 2, QStringLiteral("王五"), QStringLiteral("转入"), QString()),
        divided(18211510101, 2, QStringLiteral("赵六"), QString(), QStringLiteral("艺术")),
    };
    const QString path = dir.filePath(QStringLiteral("结果.") + QString::fromLatin1(GetParam()));
    const auto written = fenban::exchange::writeResult(students, path);
    ASSERT_TRUE(written) << written.error().toStdString();
    const auto sheet = fenban::exchange::readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->cell(1, 18), QStringLiteral("备注"));
    EXPECT_EQ(sheet->cell(1, 19), QStringLiteral("分类"));
    SheetData earlier = sheet.value();
    earlier.setCell(1, 18, QString());
    earlier.setCell(1, 19, QString());
    for (const SheetData &exported : {sheet.value(), earlier}) {
        const auto rows = fenban::exchange::importRowsFrom(exported);
        ASSERT_TRUE(rows) << rows.error().toStdString();
        const auto check = studentsFromRows(rows->students);
        ASSERT_FALSE(check.problem) << check.problem->message().toStdString();
        ASSERT_EQ(check.records.size(), students.size());
        for (qsizetype i = 0; i < students.size(); ++i) {
            StudentRecord expected = students[i];
            expected.classId = 0; // an import places nobody
            expected.type = 0;
            EXPECT_EQ(check.records[i], expected) << i << ' ' << exported.cell(1, 18).toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ResultReimport, ::testing::Values("xlsx", "csv"));

TEST(ImportHeader, ColumnsAreTakenByTheirTitlesWhereverTheyStand) {
    const auto rows = fenban::exchange::importRowsFrom(sheetOf({
        {QStringLiteral("备注"), QStringLiteral(" 姓名 "), QStringLiteral("总分"), QStringLiteral("生物"),
         QStringLiteral("地理"), QStringLiteral("体育"), QStringLiteral("历史"), QStringLiteral("政治"),
         QStringLiteral("物理"), QStringLiteral("语文"), QStringLiteral("英语"), QStringLiteral("数学"),
         QStringLiteral("性别"), QStringLiteral("学号"), QStringLiteral("班名")},
        {QStringLiteral("插班"), QStringLiteral("张三"), QStringLiteral("45"), QStringLiteral("9"),
         QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5"),
         QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"),
         QStringLiteral("男"), QStringLiteral("20260001"), QStringLiteral("1班")},
        {QStringLiteral("不读"), QStringLiteral("李四")},
    }));
    ASSERT_TRUE(rows) << rows.error().toStdString();
    ASSERT_EQ(rows->students.size(), 1);
    EXPECT_EQ(
        rows->students[0].cells,
        (QStringList{QStringLiteral("20260001"), QString(), QStringLiteral("张三"), QStringLiteral("男"),
                     QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                     QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                     QStringLiteral("9"), QString(), QString(), QStringLiteral("插班"), QString()}));
    // The list ends where the student number column is empty, wherever that column stands.
    EXPECT_EQ(rows->terminator.sheetRow, 3);
    EXPECT_EQ(rows->terminator.cells[2], QStringLiteral("李四"));
}

TEST(ImportHeader, MissingAndRepeatedTitlesAreRefusedByName) {
    QStringList withoutScores = fenban::exchange::importHeaders();
    withoutScores.removeAll(QStringLiteral("数学"));
    withoutScores.removeAll(QStringLiteral("英语"));
    QStringList withoutNumber = fenban::exchange::importHeaders();
    withoutNumber.removeFirst();
    QStringList twice = fenban::exchange::importHeaders();
    twice.append(QStringLiteral("姓名 "));
    twice.append(QStringLiteral("学号"));
    const struct {
        QStringList titles;
        QString message;
    } cases[] = {
        {withoutScores, QStringLiteral("表头缺少列: 数学, 英语")},
        {withoutNumber, QStringLiteral("表头缺少列: 学号")},
        {twice, QStringLiteral("表头中的列重复: 学号, 姓名")},
        {{QStringLiteral("姓名"), QStringLiteral("学号")},
         QStringLiteral("表头缺少列: 性别, 数学, 英语, 语文, 物理, 政治, 历史, 体育, 地理, 生物")},
    };
    for (const auto &c : cases) {
        const auto rows =
            fenban::exchange::importRowsFrom(sheetOf({c.titles, validRow(2, QStringLiteral("1")).cells}));
        ASSERT_FALSE(rows) << c.message.toStdString();
        EXPECT_EQ(rows.error(), c.message);
    }
}

// Sheets that never had the titles, or that word some of them in their own way, keep the layout
// by position.
TEST(ImportHeader, SheetsWithoutTheTitlesInOtherPlacesAreReadByPosition) {
    QStringList ownWording = fenban::exchange::importHeaders();
    ownWording[4] = QStringLiteral("数学成绩");
    ownWording[13] = QStringLiteral("初中学校");
    const QStringList data = validRow(2, QStringLiteral("20260001")).cells;
    const QList<QStringList> headers{{}, {QStringLiteral("新生名单")}, ownWording, data};
    for (const QStringList &header : headers) {
        const auto rows = fenban::exchange::importRowsFrom(sheetOf({header, data}));
        ASSERT_TRUE(rows) << rows.error().toStdString();
        ASSERT_EQ(rows->students.size(), 1) << header.join(u',').toStdString();
        EXPECT_EQ(rows->students[0].cells, data) << header.join(u',').toStdString();
    }
}

// An .xlsx text may spell any character as "_xHHHH_"; the reader decodes it, NUL included.
TEST(Import, AnXlsxNameSpellingOutNulIsRefused) {
    QTemporaryDir dir;
    // Not "nul.xlsx": on Windows that names the null device.
    const QString path = dir.filePath(QStringLiteral("spelled-nul.xlsx"));
    QVariantList header;
    for (const QString &title : fenban::exchange::importHeaders())
        header.append(title);
    QVariantList student;
    for (const QString &cell : validRow(2, QStringLiteral("20260001")).cells)
        student.append(cell.isEmpty() ? QVariant() : QVariant(cell));
    student[2] = QStringLiteral("张_x0000_三");
    ASSERT_TRUE(fenban::exchange::writeXlsxRows(path, QStringLiteral("学生"), {header, student}));

    const auto sheet = fenban::exchange::readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    const auto rows = fenban::exchange::importRowsFrom(sheet.value());
    ASSERT_TRUE(rows) << rows.error().toStdString();
    const auto check = studentsFromRows(rows->students);
    ASSERT_TRUE(check.problem);
    EXPECT_EQ(check.problem->message(),
              QStringLiteral("插入数据库过程第2行出错,学生不考的科目请设置为0分\n“姓名”列的值“张U+0000三”: "
                             "姓名不能含有控制字符“U+0000”"));
}
