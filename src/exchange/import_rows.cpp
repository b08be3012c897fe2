#include "exchange/import_rows.h"

#include "exchange/sheets/sheet.h"

namespace fenban::exchange {

namespace {

ImportRow rowAt(const SheetData &sheet, int sheetRow) {
    ImportRow row{sheetRow, {}};
    row.cells.reserve(importColumnCount);
    for (int column = 1; column <= importColumnCount; ++column)
        row.cells.append(sheet.cell(sheetRow, column));
    return row;
}

} // namespace

const QStringList &importHeaders() {
    static const QStringList headers{
        QStringLiteral("学号"), QStringLiteral("登分号"),   QStringLiteral("姓名"), QStringLiteral("性别"),
        QStringLiteral("数学"), QStringLiteral("英语"),     QStringLiteral("语文"), QStringLiteral("物理"),
        QStringLiteral("政治"), QStringLiteral("历史"),     QStringLiteral("体育"), QStringLiteral("地理"),
        QStringLiteral("生物"), QStringLiteral("毕业学校"), QStringLiteral("地址"), QStringLiteral("备注"),
        QStringLiteral("分类"),
    };
    return headers;
}

ImportSheet importRowsFrom(const SheetData &sheet) {
    ImportSheet result;
    int sheetRow = 2; // row 1 holds the headers
    while (!sheet.cell(sheetRow, 1).isEmpty()) {
        result.students.append(rowAt(sheet, sheetRow));
        ++sheetRow;
    }
    result.terminator = rowAt(sheet, sheetRow);
    return result;
}

} // namespace fenban::exchange
