#pragma once

#include "exchange/sheets/sheet.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

namespace fenban::exchange::testing {

using Qt::StringLiterals::operator""_s;

// A fixture in tests/data/import.
inline QString importFixture(const QString &name) {
    return QStringLiteral(FENBAN_TEST_DATA "/import/") + name;
}

// Rows of cells, row 1 first.
inline SheetData sheetOf(const QList<QStringList> &rows) {
    SheetData sheet;
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            sheet.setCell(r + 1, c + 1, rows[r][c]);
    }
    return sheet;
}

// Every cell of a sheet, for failure messages that show what was read.
inline QString dump(const SheetData &sheet) {
    QStringList lines;
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        QStringList cells;
        for (int column = 1; column <= sheet.columnCount(); ++column)
            cells.append(sheet.cell(row, column));
        lines.append(cells.join(u'|'));
    }
    return lines.join(u'\n');
}

// What students.csv holds, and every fixture made from it must give.
inline SheetData canonicalStudents() {
    return sheetOf({
        {u"学号"_s, u"登分号"_s, u"姓名"_s, u"性别"_s, u"数学"_s, u"英语"_s, u"语文"_s, u"物理"_s, u"政治"_s,
         u"历史"_s, u"体育"_s, u"地理"_s, u"生物"_s, u"毕业学校"_s, u"地址"_s, u"备注"_s, u"分类"_s},
        {u"20260001"_s,
         u"0101"_s,
         u"张三"_s,
         u"男"_s,
         u"85"_s,
         u"90.5"_s,
         u"78"_s,
         u"66"_s,
         u"70"_s,
         u"80"_s,
         u"95"_s,
         u"60"_s,
         u"72"_s,
         u"第一中学"_s,
         u"城关镇1号"_s,
         {},
         u"体育特长"_s},
        {u"20260002"_s,
         u"0102"_s,
         u"李 四"_s,
         u"女"_s,
         u"92"_s,
         u"88"_s,
         u"0"_s,
         u"75.5"_s,
         u"81"_s,
         u"69"_s,
         u"88"_s,
         u"77"_s,
         u"90"_s,
         u"第二中学"_s,
         u"新城路\"8\"号"_s,
         u"插班"_s,
         {}},
        {u"20260003"_s,
         u"A0103"_s,
         u"O'Brien 王"_s,
         u" 女 "_s,
         u"60"_s,
         u"0.3"_s,
         u"100"_s,
         u"59.5"_s,
         u"61"_s,
         u"62"_s,
         u"63"_s,
         u"64"_s,
         u"65"_s,
         u"实验学校"_s,
         {},
         u"备注"_s,
         u"艺术"_s},
        {},
        {u"20260009"_s, u"0109"_s, u"不读"_s, u"男"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s,
         u"1"_s, u"1"_s},
    });
}

} // namespace fenban::exchange::testing
