#pragma once

#include "exchange/sheets/sheet.h"

#include <QByteArray>

// A year's intake of a large school, 5,000 students in 17 columns, as the same sheet in every format the
// import reads; for the test that reads it and for the benchmark that times the readers on it.
namespace fenban::exchange::testing {

inline constexpr int students = 5000;
inline constexpr int columns = 17;

// What each of the files must read as.
SheetData largeSheet();

QByteArray largeCsv();
QByteArray largeXlsx();
// The binary format, with the texts of column 3 as stored formula results.
QByteArray largeXls();

} // namespace fenban::exchange::testing
