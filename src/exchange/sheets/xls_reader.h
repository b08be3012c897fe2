#pragma once

#include "exchange/sheets/sheet.h"

namespace fenban::exchange {

// Binary workbooks, Excel 5 to 2003. Formula cells give their stored results, and many programs save
// even plain booleans as formulas.
class XlsReader : public SheetReader {
public:
    Result<SheetData> read(const QString &path) const override;
};

} // namespace fenban::exchange
