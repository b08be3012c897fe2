#include "exchange/sheets/xls_reader.h"

#include "exchange/sheets/ole_container.h"
#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file.h"
#include "exchange/sheets/xls_records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <freexl.h>

#include <memory>

namespace fenban::exchange {

using store::Result;

namespace {

struct FreeXlClose {
    void operator()(const void *handle) const { freexl_close(handle); }
};
using FreeXlHandle = std::unique_ptr<const void, FreeXlClose>;

QString cellText(const FreeXL_CellValue &value) {
    switch (value.type) {
    case FREEXL_CELL_INT:
        return numberText(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(value.value.text_value);
    default:
        return {};
    }
}

// The cell reader numbers sheets its own way; the sheet is found by the name the workbook gives it.
unsigned short sheetIndex(const void *handle, const QString &name) {
    unsigned int count = 0;
    if (name.isEmpty() || freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return 0;
    for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
        const char *candidate = nullptr;
        if (freexl_get_worksheet_name(handle, (unsigned short)i, &candidate) == FREEXL_OK && candidate &&
            QString::fromUtf8(candidate) == name)
            return (unsigned short)i;
    }
    return 0;
}

// The cell reader reads the container itself, and overruns its buffers on a damaged container header
// that the container library takes in its stride. It therefore gets a copy: a new container, written by
// that library, around the workbook stream that has already been checked. The copy is readable by its
// owner only, since it holds the students' data, and is gone when the reading is done.
Result<SheetData> readCells(const QString &path, const xls::OleContents &contents, const QString &sheetName) {
    const QByteArray wrapped = xls::wrapWorkbookStream(contents);
    QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/fenban-sheet-XXXXXX.xls"));
    if (wrapped.isEmpty() || !copy.open() || copy.write(wrapped) != wrapped.size() || !copy.flush())
        return Result<SheetData>::failure(
            sheet_errors::unreadable(path, QStringLiteral("无法写入临时文件 %1").arg(QDir::tempPath())));
    copy.close();

    const void *opened = nullptr;
    const int status = freexl_open(QFile::encodeName(copy.fileName()).constData(), &opened);
    const FreeXlHandle handle(opened);
    if (status != FREEXL_OK)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));

    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(opened, sheetIndex(opened, sheetName)) != FREEXL_OK ||
        freexl_worksheet_dimensions(opened, &rows, &columns) != FREEXL_OK)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));

    SheetData sheet;
    for (unsigned int row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(opened, row, column, &value) != FREEXL_OK)
                return Result<SheetData>::failure(sheet_errors::corrupt(path));
            sheet.setCell(int(row) + 1, int(column) + 1, cellText(value));
        }
    }
    return Result<SheetData>::success(std::move(sheet));
}

} // namespace

Result<SheetData> XlsReader::read(const QString &path) const {
    const Result<QByteArray> bytes = readSheetFile(path);
    if (!bytes)
        return Result<SheetData>::failure(bytes.error());

    const xls::OleContents contents = xls::readOleContents(bytes.value());
    if (contents.kind == xls::OleContents::Kind::EncryptedPackage)
        return Result<SheetData>::failure(sheet_errors::encrypted(path));
    if (contents.kind != xls::OleContents::Kind::Workbook)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));

    // The stream is checked before the cell reader sees it: an encrypted workbook must be named as such,
    // and a damaged one is refused here rather than half read.
    const xls::FirstWorksheet first = xls::scanFirstWorksheet(contents.stream);
    if (first.outcome == xls::FirstWorksheet::Outcome::Encrypted)
        return Result<SheetData>::failure(sheet_errors::encrypted(path));
    if (first.outcome == xls::FirstWorksheet::Outcome::Damaged)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));

    Result<SheetData> sheet = readCells(path, contents, first.name);
    if (!sheet)
        return sheet;
    for (const xls::StoredValue &value : first.storedValues)
        sheet.value().setCell(value.row, value.column, value.text);
    return sheet;
}

} // namespace fenban::exchange
