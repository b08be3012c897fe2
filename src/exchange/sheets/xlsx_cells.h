#pragma once

#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_limits.h"

#include <QByteArrayView>
#include <QList>

#include <pugixml.hpp>

#include <optional>

namespace fenban::exchange::xlsx {

using sheet_limits::Parsed;

// The shared string table, in order; damaged when the part is not well-formed.
Parsed<QList<QString>> parseSharedStrings(QByteArrayView xml);

// The cells of a worksheet part; damaged when the part is not well-formed XML, holds a cell reference
// outside the sheet or a shared string that does not exist.
Parsed<SheetData> parseWorksheet(QByteArrayView xml, const QList<QString> &sharedStrings);

// Parses an XML part unless its parsed tree would pass the memory limit.
Parsed<bool> loadXml(pugi::xml_document &document, QByteArrayView xml, unsigned options);

} // namespace fenban::exchange::xlsx
