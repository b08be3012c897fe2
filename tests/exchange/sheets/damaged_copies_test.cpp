// Damaged copies of real workbooks: every one must give its cells or a message naming it. Run under the
// sanitizers, this also checks that no damage makes a reader touch memory it does not own.
#include "exchange/sheets/sheet.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

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

// Writes each damaged copy under the fixture's name and reads it.
void readEachCopy(const QString &name, int copies,
                  const std::function<QByteArray(const QByteArray &, int)> &damage) {
    const QByteArray original = fixtureBytes(name);
    ASSERT_FALSE(original.isEmpty()) << name.toStdString();
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
            EXPECT_TRUE(sheet.error().contains(path)) << "copy " << i << ": " << sheet.error().toStdString();
        }
    }
}

class DamagedCopyTest : public ::testing::TestWithParam<const char16_t *> {};

TEST_P(DamagedCopyTest, CutShortAnywhere) {
    readEachCopy(QString::fromUtf16(GetParam()), 150, [](const QByteArray &original, int i) {
        return original.left(qsizetype(original.size()) * i / 150);
    });
}

TEST_P(DamagedCopyTest, WithBytesOverwritten) {
    // Runs of 0xFF, spread over the whole file: the headers, tables and records all get their turn.
    readEachCopy(QString::fromUtf16(GetParam()), 300, [](const QByteArray &original, int i) {
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
