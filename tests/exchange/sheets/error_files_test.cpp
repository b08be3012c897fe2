// Files that cannot be read give a message that names them, and never bring the program down.
#include "exchange/sheets/csv_reader.h"
#include "exchange/sheets/sheet.h"
#include "exchange/sheets/xls_reader.h"
#include "exchange/sheets/xlsx_reader.h"
#include "sheet_test_data.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using testing::dump;
using testing::importFixture;

const QString corrupt = u"文件已损坏或不是电子表格"_s;

struct ErrorCase {
    const char16_t *file;
    QString message;
};

void PrintTo(const ErrorCase &c, std::ostream *out) {
    *out << QString::fromUtf16(c.file).toStdString();
}

class ErrorFileTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorFileTest, GivesAMessageNamingTheFile) {
    const QString path = importFixture(u"errors/"_s + QString::fromUtf16(GetParam().file));
    const Result<SheetData> sheet = readFirstSheet(path);
    ASSERT_FALSE(sheet) << dump(sheet.value()).toStdString();
    EXPECT_TRUE(sheet.error().contains(GetParam().message)) << sheet.error().toStdString();
    EXPECT_TRUE(sheet.error().contains(QDir::toNativeSeparators(path))) << sheet.error().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ErrorFileTest,
    ::testing::Values(
        ErrorCase{u"empty.xls", u"无法读取文件 "_s +
                                    QDir::toNativeSeparators(importFixture(u"errors/empty.xls"_s)) +
                                    u": 文件是空的"_s},
        ErrorCase{u"random.xlsx", corrupt}, ErrorCase{u"binary.csv", corrupt},
        ErrorCase{u"truncated.xlsx", corrupt}, ErrorCase{u"truncated.xls", corrupt},
        ErrorCase{u"cut-stream.xls", corrupt}, ErrorCase{u"not-a-workbook.xls", corrupt},
        // A text cell whose stated length runs past its record, and a cell that refers to a
        // shared string the workbook lacks.
        ErrorCase{u"label-overrun.xls", corrupt}, ErrorCase{u"missing-shared-string.xls", corrupt},
        ErrorCase{u"not-a-workbook.xlsx", corrupt}, ErrorCase{u"missing-shared-string.xlsx", corrupt},
        // A password-protected workbook of either format sits in the binary container.
        ErrorCase{u"encrypted.xlsx",
                  u"文件已加密: "_s + QDir::toNativeSeparators(importFixture(u"errors/encrypted.xlsx"_s))},
        ErrorCase{u"encrypted.xls",
                  u"文件已加密: "_s + QDir::toNativeSeparators(importFixture(u"errors/encrypted.xls"_s))},
        ErrorCase{u"web-page.xls", u"这是网页或 XML 文件"_s},
        // Past the import's limits: the message says which one.
        ErrorCase{u"far-column.xls", u"文件过大，超出导入上限（最多 256 列）"_s},
        ErrorCase{u"huge-string-count.xls", u"文件过大，超出导入上限（共享字符串最多 1000000 个）"_s},
        ErrorCase{u"too-many-columns.csv", u"文件过大，超出导入上限（最多 256 列）"_s},
        // UTF-8 with one stray byte; read as GBK instead, every name would come out garbled.
        ErrorCase{u"stray-byte.csv", u"第 3 行的文字既不是 UTF-8 也不是 GBK 编码"_s}));

TEST(ErrorFiles, NameAMissingFileOrAFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(u"不存在.xls"_s);
    const Result<SheetData> absent = readFirstSheet(missing);
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error(), u"文件不存在: "_s + QDir::toNativeSeparators(missing));

    const Result<SheetData> folder = readFirstSheet(dir.path());
    ASSERT_FALSE(folder);
    EXPECT_TRUE(folder.error().startsWith(u"无法读取文件 "_s + QDir::toNativeSeparators(dir.path())))
        << folder.error().toStdString();
}

void expectRefusedAsNotAFile(const QString &path) {
    const std::unique_ptr<SheetReader> readers[] = {
        std::make_unique<CsvReader>(), std::make_unique<XlsReader>(), std::make_unique<XlsxReader>()};
    const Result<SheetData> detected = readFirstSheet(path);
    ASSERT_FALSE(detected) << path.toStdString();
    EXPECT_EQ(detected.error(), u"无法读取文件 "_s + QDir::toNativeSeparators(path) + u": 不是普通文件"_s);
    for (const std::unique_ptr<SheetReader> &reader : readers) {
        const Result<SheetData> sheet = reader->read(path);
        ASSERT_FALSE(sheet) << path.toStdString();
        EXPECT_EQ(sheet.error(), u"无法读取文件 "_s + QDir::toNativeSeparators(path) + u": 不是普通文件"_s);
    }
}

#ifndef _WIN32
// A pipe would block the reader until some other program wrote to it, a device might never end.
TEST(ErrorFiles, RefuseWhatIsNotARegularFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(u"名单.csv"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {fifo, u"/dev/zero"_s})
        expectRefusedAsNotAFile(path);
}
#else
// Windows opens these names as the console, the null device or a port, in any folder.
TEST(ErrorFiles, RefuseWhatIsNotARegularFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString &path :
         {dir.filePath(u"NUL"_s), dir.filePath(u"con.csv"_s), dir.filePath(u"Com1.xlsx"_s), u"\\\\.\\NUL"_s})
        expectRefusedAsNotAFile(path);
}
#endif

// The import may call a reader for the format it expects; given something else, each reader refuses.
struct WrongContentCase {
    const char *reader;
    std::shared_ptr<SheetReader> instance;
    const char16_t *file;
};

void PrintTo(const WrongContentCase &c, std::ostream *out) {
    *out << c.reader << " on " << QString::fromUtf16(c.file).toStdString();
}

class WrongContentTest : public ::testing::TestWithParam<WrongContentCase> {};

TEST_P(WrongContentTest, IsRefusedByTheReader) {
    const QString path = importFixture(QString::fromUtf16(GetParam().file));
    const Result<SheetData> sheet = GetParam().instance->read(path);
    ASSERT_FALSE(sheet) << dump(sheet.value()).toStdString();
    EXPECT_TRUE(sheet.error().contains(QDir::toNativeSeparators(path))) << sheet.error().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, WrongContentTest,
    ::testing::Values(WrongContentCase{"xls", std::make_shared<XlsReader>(), u"students.csv"},
                      WrongContentCase{"xls", std::make_shared<XlsReader>(), u"students-office.xlsx"},
                      WrongContentCase{"xlsx", std::make_shared<XlsxReader>(), u"students.xls"},
                      WrongContentCase{"xlsx", std::make_shared<XlsxReader>(), u"students.csv"},
                      WrongContentCase{"csv", std::make_shared<CsvReader>(), u"students.xls"},
                      WrongContentCase{"csv", std::make_shared<CsvReader>(), u"errors/empty.xls"}));

} // namespace
} // namespace fenban::exchange
