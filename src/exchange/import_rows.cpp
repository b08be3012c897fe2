#include "exchange/import_rows.h"

#include "exchange/result_export.h"
#include "exchange/sheets/sheet.h"

#include <array>

namespace fenban::exchange {

namespace {

// Import columns, counting from 0.
enum Column { Id, RecId, OralSchool = 13, Addr, QxMemo, PfType };

// Where each import column is read from: a sheet column counting from 1, or 0 for a column the
// sheet does not have, which reads as empty.
using ColumnPlaces = std::array<int, importColumnCount>;

// The texts a sheet laid out by its titles may leave out; every student has a number, a name, a
// sex and the nine scores.
bool mayBeLeftOut(int column) {
    return column == RecId || column == OralSchool || column == Addr || column == QxMemo || column == PfType;
}

ColumnPlaces positionalPlaces() {
    ColumnPlaces places{};
    for (int column = 0; column < importColumnCount; ++column)
        places[column] = column + 1;
    return places;
}

// The program's own result sheet; earlier versions left the titles of its last two columns, the memo
// and the category, empty, and only there are they known without a title.
bool hasResultLayout(const SheetData &sheet) {
    const QStringList &titles = resultHeaders();
    for (int column = 1; column <= resultColumnCount; ++column) {
        const QString title = sheet.cell(1, column).trimmed();
        const bool untitledTail = column >= resultColumnCount - 1 && title.isEmpty();
        if (title != titles.value(column - 1) && !untitledTail)
            return false;
    }
    return true;
}

store::Result<ColumnPlaces> columnPlaces(const SheetData &sheet) {
    using Places = store::Result<ColumnPlaces>;
    const QStringList &titles = importHeaders();
    std::array<QList<int>, importColumnCount> found;
    bool anyTitle = false;
    for (int column = 1; column <= sheet.columnCount(); ++column) {
        const auto title = titles.indexOf(sheet.cell(1, column).trimmed());
        if (title >= 0) {
            found[title].append(column);
            anyTitle = true;
        }
    }
    // A sheet without any of the titles is read by position, as it always was.
    if (!anyTitle)
        return Places::success(positionalPlaces());

    QStringList repeated;
    QStringList missing;
    bool titlesInPlace = true;
    for (int column = 0; column < importColumnCount; ++column) {
        if (found[column].size() > 1)
            repeated.append(titles[column]);
        if (found[column].isEmpty() && !mayBeLeftOut(column))
            missing.append(titles[column]);
        if (!found[column].isEmpty() && found[column].first() != column + 1)
            titlesInPlace = false;
    }
    if (!repeated.isEmpty())
        return Places::failure(QStringLiteral("表头中的列重复: ") + repeated.join(QStringLiteral(", ")));
    // Where every title the sheet has stands in its own place, reading by position gives the same
    // and keeps the columns a school titled in its own words.
    if (titlesInPlace)
        return Places::success(positionalPlaces());
    if (!missing.isEmpty())
        return Places::failure(QStringLiteral("表头缺少列: ") + missing.join(QStringLiteral(", ")));

    ColumnPlaces places{};
    for (int column = 0; column < importColumnCount; ++column)
        places[column] = found[column].isEmpty() ? 0 : found[column].first();
    if (hasResultLayout(sheet)) {
        places[QxMemo] = resultColumnCount - 1;
        places[PfType] = resultColumnCount;
    }
    return Places::success(places);
}

ImportRow rowAt(const SheetData &sheet, const ColumnPlaces &places, int sheetRow) {
    ImportRow row{sheetRow, {}};
    row.cells.reserve(importColumnCount);
    for (const int column : places)
        row.cells.append(column > 0 ? sheet.cell(sheetRow, column) : QString());
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

store::Result<ImportSheet> importRowsFrom(const SheetData &sheet) {
    const auto places = columnPlaces(sheet);
    if (!places)
        return store::Result<ImportSheet>::failure(places.error());
    const int idColumn = places.value()[Id];
    ImportSheet result;
    int sheetRow = 2; // row 1 holds the titles
    while (!sheet.cell(sheetRow, idColumn).isEmpty()) {
        result.students.append(rowAt(sheet, places.value(), sheetRow));
        ++sheetRow;
    }
    result.terminator = rowAt(sheet, places.value(), sheetRow);
    return store::Result<ImportSheet>::success(result);
}

} // namespace fenban::exchange
