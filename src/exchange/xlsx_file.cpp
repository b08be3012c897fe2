#include "exchange/xlsx_file.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <filesystem>

namespace fenban::exchange {

namespace {

store::Status writeFailure(const QString &path, const QString &reason) {
    return store::Status::failure(
        QStringLiteral("无法写入文件 %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

lxw_error writeXlsxCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t column, const QVariant &cell) {
    if (cell.isNull())
        return LXW_NO_ERROR;
    if (cell.typeId() == QMetaType::Double)
        return worksheet_write_number(sheet, row, column, cell.toDouble(), nullptr);
    return worksheet_write_string(sheet, row, column, cell.toString().toUtf8().constData(), nullptr);
}

} // namespace

store::Status writeXlsxRows(const QString &path, const QString &sheetName, const QList<QVariantList> &rows) {
    // Written beside the target and renamed at the end, so a failure never leaves half a workbook
    // under the chosen name nor destroys a file that was there.
    const QString partial = path + QStringLiteral(".part");
    lxw_workbook *workbook = workbook_new(QFile::encodeName(partial).constData());
    if (!workbook)
        return writeFailure(path, QStringLiteral("无法创建工作簿"));
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, sheetName.toUtf8().constData());
    lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (qsizetype row = 0; row < rows.size() && error == LXW_NO_ERROR; ++row) {
        for (qsizetype column = 0; column < rows[row].size() && error == LXW_NO_ERROR; ++column)
            error = writeXlsxCell(sheet, lxw_row_t(row), lxw_col_t(column), rows[row][column]);
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

} // namespace fenban::exchange
