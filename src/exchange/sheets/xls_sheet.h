#pragma once

#include "exchange/sheets/sheet.h"

#include <QByteArrayView>

namespace fenban::exchange::xls {

struct FirstWorksheet {
    enum class Outcome { Read, Encrypted, Damaged, TooOld };
    Outcome outcome = Outcome::Damaged;
    SheetData sheet;
};

// The first worksheet of a workbook stream (Excel 5 to 2003), found through the sheet list rather than
// by its place in the stream. Formula cells give their stored results, as a spreadsheet program shows them.
// A stream that breaks off, or a record too short for what it claims to hold, gives Damaged: a student
// list read around damage could lose or shift rows without anyone noticing.
FirstWorksheet readFirstWorksheet(QByteArrayView workbookStream);

} // namespace fenban::exchange::xls
