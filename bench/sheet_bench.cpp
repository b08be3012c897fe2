// Times the readers on a year's intake of 5,000 students in 17 columns, in every format the import reads.
// A teacher waits for this when choosing a file, so each should take well under a second.
#include "exchange/sheets/sheet.h"
#include "large_sheet.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

using namespace fenban::exchange;

void readLargeSheet(benchmark::State &state, const char *name, const std::function<QByteArray()> &write) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(write()) < 0) {
        state.SkipWithError("cannot write the workbook");
        return;
    }
    file.close();
    const SheetData expected = testing::largeSheet();
    for (auto _ : state) {
        const auto sheet = readFirstSheet(path);
        if (!sheet || sheet.value() != expected) {
            state.SkipWithError("the workbook did not read as written");
            return;
        }
    }
}

BENCHMARK_CAPTURE(readLargeSheet, csv, "large.csv", testing::largeCsv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readLargeSheet, xlsx, "large.xlsx", testing::largeXlsx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readLargeSheet, xls, "large.xls", testing::largeXls)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
