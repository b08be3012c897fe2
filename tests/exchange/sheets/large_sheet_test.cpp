// A year's intake of a large school must read in full, in every format. How long it takes is measured by
// bench/sheet_bench.
#include "large_sheet.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;

struct LargeCase {
    const char *name;
    std::function<QByteArray()> write;
};

void PrintTo(const LargeCase &c, std::ostream *out) {
    *out << c.name;
}

class LargeSheetTest : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeSheetTest, ReadsFiveThousandStudents) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(GetParam().name));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().write());
    file.close();

    const Result<SheetData> sheet = readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet.value(), testing::largeSheet());
}

INSTANTIATE_TEST_SUITE_P(Formats, LargeSheetTest,
                         ::testing::Values(LargeCase{"large.csv", testing::largeCsv},
                                           LargeCase{"large.xlsx", testing::largeXlsx},
                                           LargeCase{"large.xls", testing::largeXls}));

} // namespace
} // namespace fenban::exchange
