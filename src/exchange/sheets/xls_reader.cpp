#include "exchange/sheets/xls_reader.h"

#include "exchange/sheets/ole_container.h"
#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file.h"
#include "exchange/sheets/xls_sheet.h"

namespace fenban::exchange {

Result<SheetData> XlsReader::read(const QString &path) const {
    const Result<QByteArray> bytes = readSheetFile(path);
    if (!bytes)
        return Result<SheetData>::failure(bytes.error());

    const xls::OleContents contents = xls::readOleContents(bytes.value());
    if (contents.kind == xls::OleContents::Kind::EncryptedPackage)
        return Result<SheetData>::failure(sheet_errors::encrypted(path));
    if (contents.kind != xls::OleContents::Kind::Workbook)
        return Result<SheetData>::failure(sheet_errors::corrupt(path));

    xls::FirstWorksheet first = xls::readFirstWorksheet(contents.stream);
    switch (first.outcome) {
    case xls::FirstWorksheet::Outcome::Read:
        return Result<SheetData>::success(std::move(first.sheet));
    case xls::FirstWorksheet::Outcome::Encrypted:
        return Result<SheetData>::failure(sheet_errors::encrypted(path));
    case xls::FirstWorksheet::Outcome::TooOld:
        return Result<SheetData>::failure(sheet_errors::unreadable(
            path, QStringLiteral("这是 Excel 4.0 或更早的格式，请在电子表格程序中另存为 .xlsx 后再导入")));
    case xls::FirstWorksheet::Outcome::TooLarge:
        return Result<SheetData>::failure(sheet_errors::tooLarge(path, first.passed));
    case xls::FirstWorksheet::Outcome::Damaged:
        break;
    }
    return Result<SheetData>::failure(sheet_errors::corrupt(path));
}

} // namespace fenban::exchange
