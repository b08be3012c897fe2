#include "reports/statistics_export.h"

#include "exchange/xlsx_file.h"

namespace fenban::reports {

namespace {

// Rows from the end of one grid's data to the next grid's header: the empty row the window's grid
// has past its last, two blank rows and the title.
constexpr int rowsBetweenGrids = 4;

void putRow(exchange::SheetData &sheet, int row, const QStringList &cells) {
    for (qsizetype column = 0; column < cells.size(); ++column)
        sheet.setCell(row, int(column) + 1, cells[column]);
}

} // namespace

exchange::SheetData statisticsSheet(const ClassStatistics &statistics) {
    exchange::SheetData sheet;
    int row = 1;
    const QList<ReportGrid> grids = statistics.grids();
    for (qsizetype index = 0; index < grids.size(); ++index) {
        const ReportGrid &grid = grids[index];
        if (index > 0)
            sheet.setCell(row - 1, 1, grid.title);
        putRow(sheet, row, grid.headers);
        for (qsizetype r = 0; r < grid.rows.size(); ++r)
            putRow(sheet, row + 1 + int(r), grid.rows[r]);
        row += 1 + int(grid.rows.size()) + rowsBetweenGrids;
    }
    return sheet;
}

store::Status writeStatistics(const ClassStatistics &statistics, const QString &path,
                              const exchange::WriteStep &write) {
    const exchange::SheetData sheet = statisticsSheet(statistics);
    QList<QVariantList> rows;
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        QVariantList cells;
        for (int column = 1; column <= sheet.columnCount(); ++column) {
            const QString text = sheet.cell(row, column);
            cells.append(text.isEmpty() ? QVariant() : QVariant(text));
        }
        rows.append(cells);
    }
    return exchange::writeXlsxRows(path, statisticsSheetName, rows, write);
}

} // namespace fenban::reports
