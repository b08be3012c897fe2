#pragma once

#include "exchange/file_output.h"
#include "store/result.h"

#include <QList>
#include <QVariant>

namespace fenban::exchange {

// Writes one sheet of an .xlsx workbook: numbers (double) as number cells, texts as text cells,
// null values as empty cells. The file appears whole or not at all (see replaceFile); `write` is
// replaceFile's.
store::Status writeXlsxRows(const QString &path, const QString &sheetName, const QList<QVariantList> &rows,
                            const WriteStep &write = writeAll);

} // namespace fenban::exchange
