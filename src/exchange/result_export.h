#pragma once

#include "exchange/file_output.h"
#include "store/result.h"
#include "store/students.h"

#include <QVariant>

namespace fenban::exchange {

// Header row of the result sheet: nineteen titles, one per column.
const QStringList &resultHeaders();
inline constexpr int resultColumnCount = 19;

// The nineteen cells of one student in the result sheet: numbers as double, texts as QString, an
// empty value as a null QVariant. A student number of more than 15 digits is text, which keeps it exact.
QVariantList resultRow(const store::StudentRecord &student);

// Writes the result sheet "分班结果" to `path`: a .csv name gives UTF-8 CSV, any other an .xlsx
// workbook. The file appears whole or not at all (see replaceFile); `write` is replaceFile's.
store::Status writeResult(const QList<store::StudentRecord> &students, const QString &path,
                          const WriteStep &write = writeAll);

} // namespace fenban::exchange
