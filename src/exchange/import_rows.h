#pragma once

#include "store/result.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fenban::exchange {

class SheetData;

// The seventeen columns a student spreadsheet brings, in sheet order.
inline constexpr int importColumnCount = 17;
const QStringList &importHeaders();

// One spreadsheet row of the import, its seventeen cells as text, in the order of importHeaders().
struct ImportRow {
    int sheetRow = 0; // row number in the spreadsheet, counting from 1
    QStringList cells;
};

// What the import takes from a sheet: the student rows from row 2 down to the first row whose
// student number is empty, and that row itself, which ends the list (it is shown, never written).
struct ImportSheet {
    QList<ImportRow> students;
    ImportRow terminator;
};

// Row 1 holds the titles. A sheet with none of importHeaders() among them is read by position, the
// seventeen columns in order. Otherwise each column is taken where its title stands (trimmed), and
// columns with other titles (总分, 班名) are passed over; 登分号, 毕业学校, 地址, 备注 and 分类 may be
// left out and read as empty. A title that stands twice, or a missing one of the others, fails with
// a message that names them.
store::Result<ImportSheet> importRowsFrom(const SheetData &sheet);

} // namespace fenban::exchange
