#pragma once

#include "exchange/sheets/sheet.h"

namespace fenban::exchange {

// Binary workbooks (Excel 95 to 2003 format). The cell reader leaves formula cells empty, and many programs
// save even plain booleans as formulas, so their stored results are taken from the workbook stream.
class XlsReader : public SheetReader {
public:
    store::Result<SheetData> read(const QString &path) const override;
};

} // namespace fenban::exchange
