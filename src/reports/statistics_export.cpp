#include "reports/statistics_export.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <filesystem>

namespace fenban::reports {

namespace {

// Rows from the end of one grid's data to the next grid's header: the empty row the window's grid
// has past its last, two blank rows and the title.
constexpr int rowsBetweenGrids = 4;

store::Status writeFailure(const QString &path, const QString &reason) {
    return store::Status::failure(
        QStringLiteral("无法写入文件 %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

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

store::Status writeStatistics(const ClassStatistics &statistics, const QString &path) {
    const exchange::SheetData sheet = statisticsSheet(statistics);
    // Written beside the target and renamed at the end, so a failure never leaves half a workbook
    // under the chosen name nor destroys a file that was there.
    const QString partial = path + QStringLiteral(".part");
    lxw_workbook *workbook = workbook_new(QFile::encodeName(partial).constData());
    if (!workbook)
        return writeFailure(path, QStringLiteral("无法创建工作簿"));
    lxw_worksheet *worksheet = workbook_add_worksheet(workbook, statisticsSheetName.toUtf8().constData());
    lxw_error error = worksheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (int row = 1; row <= sheet.rowCount() && error == LXW_NO_ERROR; ++row) {
        for (int column = 1; column <= sheet.columnCount() && error == LXW_NO_ERROR; ++column) {
            const QString text = sheet.cell(row, column);
            if (!text.isEmpty())
                error = worksheet_write_string(worksheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                               text.toUtf8().constData(), nullptr);
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR) {
        QFile::remove(partial);
        return writeFailure(path, QString::fromUtf8(lxw_strerror(error)));
    }
    // rename(2) replaces an existing file in one step.
    std::error_code renameError;
    std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(path).toStdString(),
                            renameError);
    if (renameError) {
        QFile::remove(partial);
        return writeFailure(path, QString::fromLocal8Bit(renameError.message()));
    }
    return store::Status::success();
}

} // namespace fenban::reports
