#include "exchange/sheets/content_kind.h"
#include "exchange/sheets/csv_reader.h"
#include "exchange/sheets/sheet.h"
#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file.h"
#include "exchange/sheets/xls_reader.h"
#include "exchange/sheets/xlsx_reader.h"

namespace fenban::exchange {

Result<SheetFormat> detectSheetFormat(const QString &path) {
    const Result<QByteArray> head = readSheetFile(path, 64 * 1024);
    if (!head)
        return Result<SheetFormat>::failure(head.error());
    switch (classifyContent(head.value())) {
    case ContentKind::OleContainer:
        return Result<SheetFormat>::success(SheetFormat::Xls);
    case ContentKind::ZipPackage:
        return Result<SheetFormat>::success(SheetFormat::Xlsx);
    case ContentKind::Text:
        return Result<SheetFormat>::success(SheetFormat::Csv);
    case ContentKind::Markup:
        return Result<SheetFormat>::failure(sheet_errors::unreadable(
            path,
            QStringLiteral("这是网页或 XML 文件，不是电子表格；请在电子表格程序中另存为 .xlsx 后再导入")));
    case ContentKind::Binary:
        break;
    }
    return Result<SheetFormat>::failure(sheet_errors::corrupt(path));
}

Result<SheetData> readFirstSheet(const QString &path) {
    const Result<SheetFormat> format = detectSheetFormat(path);
    if (!format)
        return Result<SheetData>::failure(format.error());
    switch (format.value()) {
    case SheetFormat::Xls:
        return XlsReader().read(path);
    case SheetFormat::Xlsx:
        return XlsxReader().read(path);
    case SheetFormat::Csv:
        break;
    }
    return CsvReader().read(path);
}

} // namespace fenban::exchange
