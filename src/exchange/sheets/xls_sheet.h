#pragma once

#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_limits.h"

#include <QByteArrayView>

namespace fenban::exchange::xls {

struct FirstWorksheet {
    enum class Outcome { Read, Encrypted, Damaged, TooOld, TooLarge };
    Outcome outcome = Outcome::Damaged;
    SheetData sheet;
    sheet_limits::Limit passed = sheet_limits::Limit::Cells; // with TooLarge
};

// The first worksheet of a workbook stream (Excel 5 to 2003), found through the sheet list rather than
// by its place in the stream. Formula cells give their stored results, as a spreadsheet program shows them.
// A stream that breaks off, or a record too short for what it claims to hold, gives Damaged: a student
// list read around damage could lose or shift rows without anyone noticing. The one break that loses
// nothing is accepted: a stream that ends inside the sheet's own end record, after every cell.
FirstWorksheet readFirstWorksheet(QByteArrayView workbookStream);

} // namespace fenban::exchange::xls
