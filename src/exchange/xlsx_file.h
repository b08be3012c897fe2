#pragma once

#include "store/result.h"

#include <QList>
#include <QVariant>

namespace fenban::exchange {

// Writes one sheet of an .xlsx workbook: numbers (double) as number cells, texts as text cells,
// null values as empty cells. The file appears whole or not at all.
store::Status writeXlsxRows(const QString &path, const QString &sheetName, const QList<QVariantList> &rows);

} // namespace fenban::exchange
