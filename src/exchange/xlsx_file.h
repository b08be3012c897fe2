#pragma once

#include "exchange/file_output.h"
#include "store/result.h"

#include <QList>
#include <QVariant>

namespace fenban::exchange {

// A number cell shown with a display format of its own, e.g. "0.00" for two decimals; the cell
// keeps the whole value.
struct XlsxNumber {
    double value = 0.0;
    QString format;
};

// One sheet of a workbook: its name and its rows, cells as writeXlsxRows takes them.
struct XlsxSheet {
    QString name;
    QList<QVariantList> rows;
    // Widths in characters of the first columns; the others keep the default.
    QList<double> columnWidths = {};
    // A table's header stays in sight and stands out: row 1 bold and frozen.
    bool boldFrozenHeader = false;
};

// Writes the sheets of an .xlsx workbook in order, cells as writeXlsxRows writes them.
store::Status writeXlsxSheets(const QString &path, const QList<XlsxSheet> &sheets,
                              const WriteStep &write = writeAll);

// Writes one sheet of an .xlsx workbook: numbers (double, or XlsxNumber with its format) as number
// cells, texts as text cells, null values as empty cells. The file appears whole or not at all (see
// replaceFile); `write` is replaceFile's.
store::Status writeXlsxRows(const QString &path, const QString &sheetName, const QList<QVariantList> &rows,
                            const WriteStep &write = writeAll);

} // namespace fenban::exchange

Q_DECLARE_METATYPE(fenban::exchange::XlsxNumber)
