#pragma once

#include "exchange/sheets/sheet.h"

namespace fenban::exchange {

// Workbooks in the XML package format. The first sheet is the first worksheet in the workbook's own
// order, which need not be the first worksheet part in the archive.
class XlsxReader : public SheetReader {
public:
    Result<SheetData> read(const QString &path) const override;
};

} // namespace fenban::exchange
