#pragma once

#include "exchange/sheets/sheet.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

namespace fenban::exchange::xlsx {

// The shared string table, in order; nullopt when the part is not well-formed.
std::optional<QList<QString>> parseSharedStrings(QByteArrayView xml);

// The cells of a worksheet part; nullopt when the part is damaged: not well-formed XML, a cell reference
// outside the sheet or a shared string that does not exist.
std::optional<SheetData> parseWorksheet(QByteArrayView xml, const QList<QString> &sharedStrings);

} // namespace fenban::exchange::xlsx
