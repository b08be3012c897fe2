#pragma once

#include "exchange/file_output.h"
#include "exchange/sheets/sheet.h"
#include "reports/balance.h"
#include "reports/class_statistics.h"
#include "store/result.h"

namespace fenban::reports {

inline const QString statisticsSheetName = QStringLiteral("分班明细表");
inline const QString balanceSheetName = QStringLiteral("均衡度");

// The eleven grids one below the other, as the statistics window shows them. A grid starting at row S
// with n rows (header included) takes rows S to S + n - 1; three rows later stands the next grid's
// title, and its header below that. The summary has no title. Grid column j goes to sheet column j + 1.
exchange::SheetData statisticsSheet(const ClassStatistics &statistics);

// The rows of the sheet "均衡度", from row 1: the summary figures as label and value, a blank row, then
// the table of classes 1..K under its header. Figures are numbers (double) rounded to hundredths,
// as the window shows them; labels and class names are texts.
QList<QVariantList> balanceSheetRows(const BalanceReport &balance);

// Writes statisticsSheet as the sheet "分班明细表" of an .xlsx workbook, figures as numbers rounded to
// hundredths and every other cell as the text shown,
// and balanceSheetRows as the sheet "均衡度" after it. The file appears whole or not at all; a
// failure names the file. `write` is replaceFile's.
store::Status writeStatistics(const ClassStatistics &statistics, const BalanceReport &balance,
                              const QString &path, const exchange::WriteStep &write = exchange::writeAll);

} // namespace fenban::reports
