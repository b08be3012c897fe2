#include "exchange/sheets/xlsx_cells.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <functional>

namespace fenban::exchange::xlsx {
namespace {

using namespace Qt::StringLiterals;
using testing::dump;
using testing::sheetOf;

QByteArray worksheet(const char *rows) {
    return QByteArray(
               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>") +
           rows + "</sheetData></worksheet>";
}

const QList<QString> twoStrings{u"甲"_s, u"乙"_s};

struct DamagedCase {
    const char *name;
    QByteArray xml;
};

void PrintTo(const DamagedCase &c, std::ostream *out) {
    *out << c.name;
}

class DamagedWorksheetTest : public ::testing::TestWithParam<DamagedCase> {};

// A damaged part must be refused as a whole: reading around the damage would shift or lose students.
TEST_P(DamagedWorksheetTest, IsRefused) {
    const Parsed<SheetData> sheet = parseWorksheet(GetParam().xml, twoStrings);
    EXPECT_FALSE(sheet) << dump(*sheet).toStdString();
    EXPECT_FALSE(sheet.passed()) << "damage is no limit";
}

INSTANTIATE_TEST_SUITE_P(
    Xlsx, DamagedWorksheetTest,
    ::testing::Values(
        DamagedCase{"cut off", worksheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c>").chopped(30)},
        DamagedCase{"reference without a row", worksheet("<row r=\"1\"><c r=\"A\"><v>1</v></c></row>")},
        DamagedCase{"reference without a column", worksheet("<row r=\"1\"><c r=\"1\"><v>1</v></c></row>")},
        DamagedCase{"row zero", worksheet("<row r=\"0\"><c><v>1</v></c></row>")},
        DamagedCase{"row number that is no number", worksheet("<row r=\"x\"><c><v>1</v></c></row>")},
        DamagedCase{"column past the last", worksheet("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")},
        DamagedCase{"row past the last", worksheet("<row><c r=\"A1048577\"><v>1</v></c></row>")},
        DamagedCase{"missing shared string",
                    worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>2</v></c></row>")},
        DamagedCase{"shared string index that is no number",
                    worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>one</v></c></row>")}));

struct CellsCase {
    const char *name;
    QByteArray xml;
    QList<QStringList> rows;
};

void PrintTo(const CellsCase &c, std::ostream *out) {
    *out << c.name;
}

class WorksheetCellsTest : public ::testing::TestWithParam<CellsCase> {};

TEST_P(WorksheetCellsTest, PlacesEveryCell) {
    const Parsed<SheetData> sheet = parseWorksheet(GetParam().xml, twoStrings);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(*sheet, sheetOf(GetParam().rows)) << dump(*sheet).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Xlsx, WorksheetCellsTest,
    ::testing::Values(
        CellsCase{"cell without reference follows the one before",
                  worksheet("<row r=\"1\"><c r=\"B1\"><v>1</v></c><c><v>2</v></c></row>"),
                  {{{}, u"1"_s, u"2"_s}}},
        CellsCase{"row without reference follows the one before",
                  worksheet("<row r=\"2\"><c><v>1</v></c></row><row><c><v>2</v></c></row>"),
                  {{}, {u"1"_s}, {u"2"_s}}},
        CellsCase{"rows out of order",
                  worksheet("<row r=\"3\"><c><v>3</v></c></row><row r=\"1\"><c><v>1</v></c></row>"),
                  {{u"1"_s}, {}, {u"3"_s}}},
        CellsCase{
            "lower-case reference", worksheet("<row r=\"1\"><c r=\"b1\"><v>7</v></c></row>"), {{{}, u"7"_s}}},
        // A double holds 15 to 17 digits; a stored whole number keeps every one of its own.
        CellsCase{
            "whole numbers digit for digit, other numbers as a spreadsheet shows them",
            worksheet("<row r=\"1\"><c><v>123456789012345678</v></c><c><v> -0042 </v></c><c><v>-0</v></c>"
                      "<c><v>1.2345678901234568E+17</v></c><c><v>+7</v></c></row>"),
            {{u"123456789012345678"_s, u"-42"_s, u"0"_s, u"1.23456789012346E+17"_s, u"+7"_s}}},
        CellsCase{"stored text that is no number",
                  worksheet("<row r=\"1\"><c r=\"A1\"><v>n/a</v></c></row>"),
                  {{u"n/a"_s}}},
        CellsCase{
            "shared string", worksheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>"), {{u"乙"_s}}},
        CellsCase{"blank inline string",
                  worksheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t> </t></is></c></row>"),
                  {{u" "_s}}},
        // Writers leave formatted empty cells far out in the sheet; only cells with text count.
        CellsCase{"empty cell at the last place of the sheet",
                  worksheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                            "<row r=\"1048576\"><c r=\"XFD1048576\" s=\"1\"/></row>"),
                  {{u"1"_s}}},
        CellsCase{"no sheet data", "<worksheet/>", {}}));

QByteArray repeated(const QByteArray &piece, qsizetype count) {
    return piece.repeated(count);
}

struct LimitCase {
    const char *name;
    std::function<QByteArray()> xml;
    sheet_limits::Limit limit;
};

void PrintTo(const LimitCase &c, std::ostream *out) {
    *out << c.name;
}

class WorksheetLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(WorksheetLimitTest, IsRefusedNamingTheLimit) {
    const Parsed<SheetData> sheet = parseWorksheet(GetParam().xml(), twoStrings);
    ASSERT_FALSE(sheet) << dump(*sheet).toStdString();
    ASSERT_TRUE(sheet.passed());
    EXPECT_EQ(*sheet.passed(), GetParam().limit);
}

using sheet_limits::Limit;

INSTANTIATE_TEST_SUITE_P(
    Xlsx, WorksheetLimitTest,
    ::testing::Values(
        LimitCase{"text in a row past the last",
                  [] { return worksheet("<row r=\"100001\"><c r=\"A100001\"><v>1</v></c></row>"); },
                  Limit::Rows},
        LimitCase{"text in a column past the last",
                  [] { return worksheet("<row r=\"1\"><c r=\"IW1\"><v>1</v></c></row>"); }, Limit::Columns},
        LimitCase{"a cell of more text than a cell can hold",
                  [] {
                      return worksheet(
                          ("<row><c t=\"inlineStr\"><is><t>" + QByteArray(32768, 'a') + "</t></is></c></row>")
                              .constData());
                  },
                  Limit::CellLength},
        LimitCase{"more cells than allowed",
                  [] {
                      return worksheet(
                          repeated("<row>" + repeated("<c><v>1</v></c>", 100) + "</row>", 10001).constData());
                  },
                  Limit::Cells},
        LimitCase{"markup whose parsed tree would pass the memory limit",
                  [] { return worksheet(repeated("<c/>", 4 * 1024 * 1024).constData()); },
                  Limit::XmlTreeSize}));

TEST(SharedStrings, RefuseATableThatIsNotWellFormed) {
    const Parsed<QList<QString>> strings = parseSharedStrings("<sst><si><t>a</t></si>");
    EXPECT_FALSE(strings);
    EXPECT_FALSE(strings.passed());
}

// The table's stated count is never believed; the strings it really holds are counted.
TEST(SharedStrings, RefuseMoreStringsThanAllowed) {
    const QByteArray xml = "<sst count=\"4000000000\" uniqueCount=\"4000000000\">" +
                           repeated("<si/>", sheet_limits::maxSharedStrings + 1) + "</sst>";
    const Parsed<QList<QString>> strings = parseSharedStrings(xml);
    ASSERT_FALSE(strings);
    ASSERT_TRUE(strings.passed());
    EXPECT_EQ(*strings.passed(), sheet_limits::Limit::SharedStrings);

    const Parsed<QList<QString>> stated =
        parseSharedStrings("<sst count=\"4000000000\" uniqueCount=\"4000000000\"><si><t>a</t></si></sst>");
    ASSERT_TRUE(stated);
    EXPECT_EQ(*stated, QList<QString>{u"a"_s});
}

} // namespace
} // namespace fenban::exchange::xlsx
