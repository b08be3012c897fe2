#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace fenban::exchange {

class SheetData;

// The seventeen columns a student spreadsheet brings, in sheet order.
inline constexpr int importColumnCount = 17;
const QStringList &importHeaders();

// One spreadsheet row of the import, its seventeen cells as text.
struct ImportRow {
    int sheetRow = 0; // row number in the spreadsheet, counting from 1
    QStringList cells;
};

// What the import takes from a sheet: the student rows from row 2 down to the first row whose first
// cell is empty, and that row itself, which ends the list (it is shown, never written).
struct ImportSheet {
    QList<ImportRow> students;
    ImportRow terminator;
};

ImportSheet importRowsFrom(const SheetData &sheet);

} // namespace fenban::exchange
