// Reading the fixture workbooks: the same students from every format and writer, and one cell of every
// kind that writers store.
#include "exchange/sheets/sheet.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using testing::canonicalStudents;
using testing::dump;
using testing::importFixture;

class StudentsFixtureTest : public ::testing::TestWithParam<const char16_t *> {};

TEST_P(StudentsFixtureTest, GivesTheSameCellsAsTheCanonicalCsv) {
    const Result<SheetData> sheet = readFirstSheet(importFixture(QString::fromUtf16(GetParam())));
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet.value(), canonicalStudents()) << dump(sheet.value()).toStdString();
    EXPECT_EQ(sheet->rowCount(), 6);
    EXPECT_EQ(sheet->columnCount(), 17);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, StudentsFixtureTest,
                         ::testing::Values(u"students.csv", u"students-bom.csv", u"students-gbk.csv",
                                           u"students-xlsxwriter.xlsx", u"students-office.xlsx",
                                           u"students.xls",
                                           // The content decides, not the name.
                                           u"errors/xlsx-named.xls"));

// Formulas as an office suite stores them: the reader must give the stored results.
class FormulaFixtureTest : public ::testing::TestWithParam<const char16_t *> {};

TEST_P(FormulaFixtureTest, GivesTheStoredResults) {
    const Result<SheetData> sheet = readFirstSheet(importFixture(QString::fromUtf16(GetParam())));
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    const QStringList expected{u"20260001"_s,        u"85"_s,   u"0.3"_s,   u"张三"_s,    u"TRUE"_s,
                               u"FALSE"_s,           u"TRUE"_s, u"FALSE"_s, u"#DIV/0!"_s, QString(),
                               QString(5000, u'长'), u" 女 "_s};
    for (int column = 1; column <= expected.size(); ++column)
        EXPECT_EQ(sheet->cell(2, column), expected[column - 1])
            << "column " << column << " (" << sheet->cell(1, column).toStdString() << ")";
    EXPECT_EQ(sheet->rowCount(), 2) << "the second sheet is not read";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FormulaFixtureTest, ::testing::Values(u"formulas.xlsx", u"formulas.xls"));

struct CellCase {
    const char16_t *file;
    int row;
    int column;
    const char16_t *text;
    const char *what;
};

void PrintTo(const CellCase &c, std::ostream *out) {
    *out << QString::fromUtf16(c.file).toStdString() << " (" << c.row << "," << c.column << ") " << c.what;
}

class FixtureCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(FixtureCellTest, GivesTheCellsText) {
    const CellCase &c = GetParam();
    const Result<SheetData> sheet = readFirstSheet(importFixture(QString::fromUtf16(c.file)));
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->cell(c.row, c.column), QString::fromUtf16(c.text)) << dump(sheet.value()).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Xlsx, FixtureCellTest,
    ::testing::Values(
        // The first sheet in the workbook's order, past a chart sheet, in a part the archive holds last.
        CellCase{u"workbook-order.xlsx", 1, 1, u"学号", "first worksheet in workbook order"},
        CellCase{u"workbook-order.xlsx", 2, 1, u"20260001", "first worksheet in workbook order"},
        CellCase{u"cells.xlsx", 1, 1, u"共享", "shared string"},
        CellCase{u"cells.xlsx", 1, 2, u"王 小明", "runs joined, phonetic reading left out"},
        CellCase{u"cells.xlsx", 1, 3, u"  ", "blank text kept"},
        CellCase{u"cells.xlsx", 1, 4, u"", "skipped by the next cell's reference"},
        CellCase{u"cells.xlsx", 1, 5, u"第一行\r\n第二行 a_x0041_b", "escaped characters"},
        CellCase{u"cells.xlsx", 1, 6, u"", "empty shared string"},
        CellCase{u"cells.xlsx", 2, 1, u"内联", "inline string in a row without reference"},
        CellCase{u"cells.xlsx", 2, 2, u"李四", "inline string in runs"},
        CellCase{u"cells.xlsx", 4, 1, u"85", "whole number"},
        CellCase{u"cells.xlsx", 4, 2, u"90.5", "fraction"},
        CellCase{u"cells.xlsx", 4, 3, u"0.3", "rounded to 15 significant digits"},
        CellCase{u"cells.xlsx", 4, 4, u"20260001", "exponent form in the file"},
        CellCase{u"cells.xlsx", 4, 5, u"1234567890123", "13 digits without exponent"},
        CellCase{u"cells.xlsx", 4, 6, u"0", "negative zero"},
        CellCase{u"cells.xlsx", 5, 1, u"TRUE", "boolean"}, CellCase{u"cells.xlsx", 5, 2, u"FALSE", "boolean"},
        CellCase{u"cells.xlsx", 5, 3, u"#DIV/0!", "error value"},
        CellCase{u"cells.xlsx", 5, 4, u"ab", "text formula"},
        CellCase{u"cells.xlsx", 5, 5, u"", "formula never calculated"},
        CellCase{u"cells.xlsx", 5, 6, u"2026-09-01T00:00:00", "date as stored"},
        CellCase{u"cells.xlsx", 9, 27, u"远", "cell far to the right"}));

INSTANTIATE_TEST_SUITE_P(
    Xls, FixtureCellTest,
    ::testing::Values(
        // "名单" comes first in the sheet list but second in the stream; "说明" holds 99 in A1.
        CellCase{u"records.xls", 1, 1, u"20260001", "first sheet in the sheet list"},
        CellCase{u"records.xls", 1, 2, u"TRUE", "boolean cell"},
        CellCase{u"records.xls", 1, 3, u"FALSE", "boolean cell"},
        CellCase{u"records.xls", 1, 4, u"#N/A", "error cell"},
        CellCase{u"records.xls", 2, 1, u"abc张三", "text result continued with two-byte characters"},
        CellCase{u"records.xls", 2, 2, u"FALSE", "boolean result"},
        CellCase{u"records.xls", 2, 3, u"#DIV/0!", "error result"},
        CellCase{u"records.xls", 2, 4, u"0.3", "number result"},
        CellCase{u"records.xls", 2, 5, u"", "empty text result"},
        CellCase{u"records.xls", 3, 1, u"共享", "text result after a shared formula"},
        CellCase{u"records.xls", 4, 1, u"普通", "shared string"},
        CellCase{u"records.xls", 4, 2, u"abc", "shared string with formatting runs split by a continuation"},
        CellCase{u"records.xls", 4, 3, u"王五", "shared string with a phonetic reading"},
        CellCase{u"records.xls", 4, 4, u"de张三", "shared string continued with two-byte characters"},
        // The dimensions record says one cell; the cells say otherwise, and win.
        CellCase{u"dimensions.xls", 1, 1, u"1.5", "cell inside the stated dimensions"},
        CellCase{u"dimensions.xls", 4, 3, u"远", "cell outside the stated dimensions"},
        CellCase{u"biff5.xls", 1, 1, u"张三", "GBK text"},
        CellCase{u"biff5.xls", 1, 2, u"李四", "GBK text result"},
        CellCase{u"biff5.xls", 1, 3, u"85", "number result"}));

TEST(FixtureExtent, EndsAtTheLastCellThatHoldsText) {
    const Result<SheetData> cells = readFirstSheet(importFixture(u"cells.xlsx"_s));
    ASSERT_TRUE(cells) << cells.error().toStdString();
    EXPECT_EQ(cells->rowCount(), 9) << "the formatted empty cell in row 12 holds nothing";
    EXPECT_EQ(cells->columnCount(), 27);

    const Result<SheetData> records = readFirstSheet(importFixture(u"records.xls"_s));
    ASSERT_TRUE(records) << records.error().toStdString();
    EXPECT_EQ(records->rowCount(), 4);
    EXPECT_EQ(records->columnCount(), 4) << "the empty text result in column 5 holds nothing";
}

// The copy's workbook stream ends one byte into the first sheet's end record, after every cell; the copy
// in errors/cut-stream.xls ends inside its last cells and stays refused.
TEST(FixtureExtent, StreamEndingInsideTheLastEndRecordLosesNothing) {
    const Result<SheetData> whole = readFirstSheet(importFixture(u"records.xls"_s));
    ASSERT_TRUE(whole) << whole.error().toStdString();
    const Result<SheetData> nearly = readFirstSheet(importFixture(u"nearly-complete.xls"_s));
    ASSERT_TRUE(nearly) << nearly.error().toStdString();
    EXPECT_EQ(nearly.value(), whole.value()) << testing::dump(nearly.value()).toStdString();
}

} // namespace
} // namespace fenban::exchange
