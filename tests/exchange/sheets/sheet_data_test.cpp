#include "exchange/sheets/sheet.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;

TEST(SheetData, GivesEmptyTextOutsideWhatWasStored) {
    SheetData sheet;
    sheet.setCell(2, 3, u"85"_s);
    EXPECT_EQ(sheet.cell(2, 3), u"85"_s);
    for (const auto &[row, column] : {std::pair{0, 0}, {-1, 3}, {2, 0}, {3, 2}, {2, 4}, {1048577, 16385}})
        EXPECT_TRUE(sheet.cell(row, column).isEmpty()) << row << "," << column;
}

// The import reads up to rowCount(); a formatted but empty cell below the data must not lengthen it.
TEST(SheetData, CountsOnlyRowsAndColumnsThatHoldText) {
    SheetData sheet;
    sheet.setCell(2, 1, u"20260001"_s);
    sheet.setCell(9, 30, QString());
    sheet.setCell(0, 5, u"not a cell"_s);
    EXPECT_EQ(sheet.rowCount(), 2);
    EXPECT_EQ(sheet.columnCount(), 1);

    sheet.setCell(4, 2, u"x"_s);
    sheet.setCell(4, 2, QString());
    EXPECT_EQ(sheet.rowCount(), 2) << "clearing the last row's only cell gives the row back";
    EXPECT_EQ(sheet.columnCount(), 1);
    EXPECT_EQ(sheet, [] {
        SheetData other;
        other.setCell(2, 1, u"20260001"_s);
        return other;
    }()) << "a cleared cell is as if it had never been set";
}

} // namespace
} // namespace fenban::exchange
