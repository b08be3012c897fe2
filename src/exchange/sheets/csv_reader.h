#pragma once

#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_limits.h"

namespace fenban::exchange {

// Comma-separated text as written by spreadsheet programs: fields in double quotes may hold commas, line
// breaks and doubled quotes; lines end in CRLF, LF or CR. Every cell is kept exactly as written.
class CsvReader : public SheetReader {
public:
    Result<SheetData> read(const QString &path) const override;
};

// The cells of CSV text, split as the reader splits a file, or the limit the text passes.
sheet_limits::Parsed<SheetData> parseCsv(QStringView text);

} // namespace fenban::exchange
