// Files that declare or unpack to far more than any student list: each is refused with a message that
// names the file and the limit, and reading it never takes the machine's memory. Each file is read in a
// child process, whose peak memory the kernel reports when it ends.
#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_limits.h"
#include "package_writer.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define FENBAN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FENBAN_ADDRESS_SANITIZER 1
#endif
#endif

namespace fenban::exchange {
namespace {

using namespace Qt::StringLiterals;
using sheet_limits::Limit;

constexpr long maxPeakKilobytes = 1024 * 1024;

const QByteArray mainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

QByteArray worksheet(const QByteArray &dimension, const QByteArray &rows) {
    return "<worksheet xmlns=\"" + mainNs + "\"><dimension ref=\"" + dimension + "\"/><sheetData>" + rows +
           "</sheetData></worksheet>";
}

// Deflated, so that markup repeated millions of times takes a few hundred kilobytes.
QByteArray package(const QByteArray &sheet, const QByteArray &sharedStrings = {}) {
    return testing::workbookPackage(sheet, sharedStrings, testing::Compression::Deflated);
}

// About a billion cells, as the sheet's stated extent has it.
const QByteArray billionCells = "A1:XFD61036";

QByteArray denseCells() {
    return package(
        worksheet(billionCells, "<row r=\"1\">" + QByteArray("<c/>").repeated(25'000'000) + "</row>"));
}

QByteArray farApartCells() {
    QByteArray rows;
    for (int row = 1; row <= 1000; ++row) {
        const QByteArray r = QByteArray::number(row * 1000);
        rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>x</t></is></c><c r=\"XFD" +
                r + "\" t=\"inlineStr\"><is><t>y</t></is></c></row>";
    }
    return package(worksheet(billionCells, rows));
}

QByteArray sharedStrings(const QByteArray &item, qsizetype count) {
    return "<sst xmlns=\"" + mainNs + "\" count=\"1000000000\" uniqueCount=\"1000000000\">" +
           item.repeated(count) + "</sst>";
}

QByteArray hugeStringTable() {
    return package(worksheet("A1", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"),
                   sharedStrings("<si><t>a</t></si>", 8'000'000));
}

QByteArray denseStringTable() {
    return package(worksheet("A1", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"),
                   sharedStrings("<si/>", 12'000'000));
}

// A line of very many fields, and one field of forty million characters.
QByteArray longCsvLine() {
    return "a" + QByteArray(",b").repeated(300) + "\r\n";
}

QByteArray longCsvCell() {
    return "\"" + QByteArray(40 * 1024 * 1024, 'x') + "\"\r\n";
}

struct HostileCase {
    const char *name;
    std::function<QByteArray()> bytes;
    Limit limit;
};

void PrintTo(const HostileCase &c, std::ostream *out) {
    *out << c.name;
}

class HostileSizeTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileSizeTest, IsRefusedNamingTheLimitWithinBoundedMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(GetParam().name));
    {
        const QByteArray bytes = GetParam().bytes();
        RecordProperty("bytes", int(bytes.size()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    const QString expected = u"无法读取文件 "_s + QDir::toNativeSeparators(path) +
                             u": 文件过大，超出导入上限（"_s + sheet_limits::describe(GetParam().limit) +
                             u"）"_s;

#ifdef _WIN32
    // No child to measure on its own here: the refusal is checked, the peak memory only elsewhere.
    const Result<SheetData> sheet = readFirstSheet(path);
    ASSERT_FALSE(sheet) << "read " << sheet->rowCount() << " rows";
    EXPECT_EQ(sheet.error(), expected);
#else
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
#if !defined(FENBAN_ADDRESS_SANITIZER)
        // Beyond this, a reader that does not keep its bounds fails fast instead of taking the machine
        // (the sanitizer's shadow memory needs more address space than that).
        const rlimit space{rlim_t(3) << 30, rlim_t(3) << 30};
        ::setrlimit(RLIMIT_AS, &space);
#endif
        const Result<SheetData> sheet = readFirstSheet(path);
        if (sheet) {
            std::fprintf(stderr, "read %d rows\n", sheet->rowCount());
            ::_exit(2);
        }
        if (sheet.error() != expected) {
            std::fprintf(stderr, "message: %s\n", sheet.error().toStdString().c_str());
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(::wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the reader died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "expected: " << expected.toStdString();
    EXPECT_LT(usage.ru_maxrss, maxPeakKilobytes) << "peak kilobytes";
    RecordProperty("peak_kilobytes", int(usage.ru_maxrss));
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Readers, HostileSizeTest,
    ::testing::Values(HostileCase{"dense-cells.xlsx", denseCells, Limit::PartSize},
                      HostileCase{"far-apart-cells.xlsx", farApartCells, Limit::Columns},
                      HostileCase{"huge-string-table.xlsx", hugeStringTable, Limit::PartSize},
                      HostileCase{"dense-string-table.xlsx", denseStringTable, Limit::XmlTreeSize},
                      HostileCase{"long-line.csv", longCsvLine, Limit::Columns},
                      HostileCase{"long-cell.csv", longCsvCell, Limit::CellLength}));

} // namespace
} // namespace fenban::exchange
