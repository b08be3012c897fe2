// Damaged copies of real workbooks: every one must give sound cells or a message naming it. Run under the
// sanitizers, this also checks that no damage makes a reader touch memory it does not own.
#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_limits.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using testing::importFixture;

QByteArray fixtureBytes(const QString &name) {
    QFile file(importFixture(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Damage { CutShort, Overwritten };

// What any sheet a reader gives must be: within the readers' limits, and every text a well-formed
// Unicode string without NUL characters, which no cell of a spreadsheet can hold.
void expectSound(const SheetData &sheet, int copy) {
    ASSERT_LE(sheet.rowCount(), sheet_limits::maxRows) << "copy " << copy;
    ASSERT_LE(sheet.columnCount(), sheet_limits::maxColumns) << "copy " << copy;
    ASSERT_LE(sheet.cellCount(), sheet_limits::maxCells) << "copy " << copy;
    qsizetype seen = 0;
    for (int row = 1; row <= sheet.rowCount() && seen < sheet.cellCount(); ++row) {
        for (int column = 1; column <= sheet.columnCount(); ++column) {
            const QString text = sheet.cell(row, column);
            if (text.isEmpty())
                continue;
            ++seen;
            EXPECT_LE(text.size(), sheet_limits::maxCellLength)
                << "copy " << copy << " R" << row << "C" << column;
            EXPECT_TRUE(text.isValidUtf16()) << "copy " << copy << " R" << row << "C" << column;
            EXPECT_FALSE(text.contains(QChar(0))) << "copy " << copy << " R" << row << "C" << column;
        }
    }
}

// A copy cut short has lost data at its end, never gained any: every cell it gives stands in the
// original at the same place with the same text.
void expectPartOf(const SheetData &sheet, const SheetData &original, int copy) {
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        for (int column = 1; column <= sheet.columnCount(); ++column) {
            const QString text = sheet.cell(row, column);
            if (!text.isEmpty()) {
                EXPECT_EQ(text, original.cell(row, column))
                    << "copy " << copy << " R" << row << "C" << column;
            }
        }
    }
}

// Writes each damaged copy under the fixture's name and reads it.
void readEachCopy(const QString &name, int copies, Damage kind,
                  const std::function<QByteArray(const QByteArray &, int)> &damage) {
    const QByteArray original = fixtureBytes(name);
    ASSERT_FALSE(original.isEmpty()) << name.toStdString();
    const Result<SheetData> originalSheet = readFirstSheet(importFixture(name));
    ASSERT_TRUE(originalSheet) << originalSheet.error().toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(name);
    for (int i = 0; i < copies; ++i) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damage(original, i));
        file.close();
        const Result<SheetData> sheet = readFirstSheet(path);
        if (!sheet) {
            EXPECT_TRUE(sheet.error().contains(QDir::toNativeSeparators(path)))
                << "copy " << i << ": " << sheet.error().toStdString();
            continue;
        }
        expectSound(sheet.value(), i);
        if (kind == Damage::CutShort)
            expectPartOf(sheet.value(), originalSheet.value(), i);
    }
}

class DamagedCopyTest : public ::testing::TestWithParam<const char16_t *> {};

TEST_P(DamagedCopyTest, CutShortAnywhere) {
    readEachCopy(QString::fromUtf16(GetParam()), 150, Damage::CutShort,
                 [](const QByteArray &original, int i) {
                     return original.left(qsizetype(original.size()) * i / 150);
                 });
}

TEST_P(DamagedCopyTest, WithBytesOverwritten) {
    // Runs of 0xFF, spread over the whole file: the headers, tables and records all get their turn.
    readEachCopy(QString::fromUtf16(GetParam()), 300, Damage::Overwritten,
                 [](const QByteArray &original, int i) {
                     QByteArray copy = original;
                     const qsizetype at = copy.size() * i / 300;
                     for (qsizetype k = at; k < std::min(copy.size(), at + 4); ++k)
                         copy[k] = char(0xFF);
                     return copy;
                 });
}

INSTANTIATE_TEST_SUITE_P(Workbooks, DamagedCopyTest,
                         ::testing::Values(u"students.xls", u"formulas.xls", u"records.xls", u"biff5.xls",
                                           u"dimensions.xls", u"students-office.xlsx", u"cells.xlsx",
                                           u"workbook-order.xlsx"));

} // namespace
} // namespace fenban::exchange
