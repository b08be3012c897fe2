#include "reports/statistics_export.h"

#include "exchange/xlsx_file.h"

#include <cmath>

namespace fenban::reports {

namespace {

// Rows from the end of one grid's data to the next grid's header: the empty row the window's grid
// has past its last, two blank rows and the title.
constexpr int rowsBetweenGrids = 4;

void putRow(exchange::SheetData &sheet, int row, const QStringList &cells) {
    for (qsizetype column = 0; column < cells.size(); ++column)
        sheet.setCell(row, int(column) + 1, cells[column]);
}

// Beyond this a hundredth is below a double's precision anyway.
constexpr double largestRounded = 1e15;

const QString twoDecimals = QStringLiteral("0.00");

// A figure rounded to the hundredths the screen shows, and shown with them.
QVariant figureCell(double value) {
    if (!std::isfinite(value))
        return QVariant();
    const double rounded = std::abs(value) < largestRounded ? std::round(value * 100.0) / 100.0 : value;
    return QVariant::fromValue(exchange::XlsxNumber{rounded, twoDecimals});
}

QVariant countCell(int count) {
    return double(count);
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QVariantList classHeader(const BalanceReport &balance) {
    QVariantList header{QStringLiteral("班级"), QStringLiteral("人数"), QStringLiteral("男生数"),
                        QStringLiteral("女生数")};
    for (const std::string &category : balance.categoryNames)
        header.append(QString::fromStdString(category));
    for (std::size_t measure = 0; measure < measureCount; ++measure) {
        const QString name = utf8(measure < subjectCount ? subjects[measure].label : totalLabel);
        header << name + QStringLiteral("平均分") << name + QStringLiteral("标准差");
    }
    header << QStringLiteral("分数段最大偏差") << QStringLiteral("同音姓名对数")
           << QStringLiteral("同名对数");
    return header;
}

QVariantList classRow(const ClassBalance &balance) {
    QVariantList row{QString::number(balance.classId) + QStringLiteral("班"), countCell(balance.size),
                     countCell(balance.boys), countCell(balance.girls)};
    for (const int count : balance.categories)
        row.append(countCell(count));
    for (std::size_t measure = 0; measure < measureCount; ++measure)
        row << figureCell(balance.mean[measure]) << figureCell(balance.sd[measure]);
    row << figureCell(balance.bandDev) << countCell(balance.samePinyinPairs)
        << countCell(balance.sameNamePairs);
    return row;
}

} // namespace

QList<QVariantList> balanceSheetRows(const BalanceReport &balance) {
    QList<QVariantList> rows;
    for (const BalanceFigure &figure : balanceSummary(balance))
        rows.append({figure.label, figure.count ? QVariant(figure.value) : figureCell(figure.value)});
    rows.append(QVariantList());
    rows.append(classHeader(balance));
    for (const ClassBalance &each : balance.classes)
        rows.append(classRow(each));
    return rows;
}

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

store::Status writeStatistics(const ClassStatistics &statistics, const BalanceReport &balance,
                              const QString &path, const exchange::WriteStep &write) {
    const exchange::SheetData sheet = statisticsSheet(statistics);
    QList<QVariantList> rows;
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        QVariantList cells;
        for (int column = 1; column <= sheet.columnCount(); ++column) {
            // The grids pad their figures for the screen; a spreadsheet wants them as numbers to
            // sum and sort, rounded to the hundredths the screen shows.
            const QString text = sheet.cell(row, column);
            bool isNumber = false;
            const double value = text.trimmed().toDouble(&isNumber);
            // A count stays a whole number; a figure the screen shows with decimals keeps two.
            const bool whole = !text.contains(u'.') && !text.contains(u'e', Qt::CaseInsensitive);
            cells.append(text.isEmpty() ? QVariant()
                         : !isNumber    ? QVariant(text)
                         : whole        ? QVariant(value)
                                        : figureCell(value));
        }
        rows.append(cells);
    }
    return exchange::writeXlsxSheets(
        path, {{statisticsSheetName, rows}, {balanceSheetName, balanceSheetRows(balance)}}, write);
}

} // namespace fenban::reports
