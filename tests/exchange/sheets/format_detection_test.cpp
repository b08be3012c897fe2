#include "exchange/sheets/sheet.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using testing::canonicalStudents;
using testing::dump;
using testing::importFixture;

struct FormatCase {
    const char16_t *file;
    SheetFormat format;
};

void PrintTo(const FormatCase &c, std::ostream *out) {
    *out << QString::fromUtf16(c.file).toStdString();
}

class FormatDetectionTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDetectionTest, GoesByContent) {
    const Result<SheetFormat> format = detectSheetFormat(importFixture(QString::fromUtf16(GetParam().file)));
    ASSERT_TRUE(format) << format.error().toStdString();
    EXPECT_EQ(format.value(), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatDetectionTest,
                         ::testing::Values(FormatCase{u"students.xls", SheetFormat::Xls},
                                           FormatCase{u"students-office.xlsx", SheetFormat::Xlsx},
                                           FormatCase{u"students.csv", SheetFormat::Csv},
                                           FormatCase{u"students-gbk.csv", SheetFormat::Csv},
                                           FormatCase{u"errors/xlsx-named.xls", SheetFormat::Xlsx},
                                           // Encryption wraps a package workbook in the binary container.
                                           FormatCase{u"errors/encrypted.xlsx", SheetFormat::Xls}));

struct RenamedCase {
    const char16_t *fixture;
    const char16_t *name;
};

void PrintTo(const RenamedCase &c, std::ostream *out) {
    *out << QString::fromUtf16(c.fixture).toStdString() << " as " << QString::fromUtf16(c.name).toStdString();
}

class RenamedFileTest : public ::testing::TestWithParam<RenamedCase> {};

// Schools rename files freely, and web systems hand out CSV text named .xls.
TEST_P(RenamedFileTest, IsReadByItsContent) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString renamed = dir.filePath(QString::fromUtf16(GetParam().name));
    ASSERT_TRUE(QFile::copy(importFixture(QString::fromUtf16(GetParam().fixture)), renamed));
    const Result<SheetData> sheet = readFirstSheet(renamed);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet.value(), canonicalStudents()) << dump(sheet.value()).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, RenamedFileTest,
                         ::testing::Values(RenamedCase{u"students.csv", u"名单.xls"},
                                           RenamedCase{u"students-gbk.csv", u"名单.xlsx"},
                                           RenamedCase{u"students.xls", u"名单.xlsx"},
                                           RenamedCase{u"students-office.xlsx", u"名单.csv"},
                                           RenamedCase{u"students.xls", u"名单"}));

// Detection looks at the first 64 KiB only, where this file's first Chinese character is cut in two; the
// cut must neither make it binary nor decide its encoding.
TEST(FormatDetection, ReadsUtf8WhoseCharacterCrossesTheLookedAtStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"long.csv"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Short lines up to the cut: no cell may be as long as the 64 KiB looked at.
    const int lines = 32 * 1024;
    const QString start = u"a\n"_s.repeated(lines - 1) + u"a"_s;
    ASSERT_EQ(start.size(), 64 * 1024 - 1);
    file.write((start + u"张三,李四\n"_s).toUtf8());
    file.close();

    const Result<SheetData> sheet = readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    EXPECT_EQ(sheet->cell(lines, 1), u"a张三"_s);
    EXPECT_EQ(sheet->cell(lines, 2), u"李四"_s);
}

} // namespace
} // namespace fenban::exchange
