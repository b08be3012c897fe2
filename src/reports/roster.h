#pragma once

#include "exchange/file_output.h"
#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace fenban::reports {

// How a roster lists the students of a class.
enum class RosterSort { Number, Name };

struct RosterOptions {
    QStringList columns = defaultColumns();
    RosterSort sort = RosterSort::Number;

    static QStringList defaultColumns();
};

// Every column a roster can show, in the order offered.
QStringList rosterColumns();

// Refuses a column list with a name no roster knows ("未知的列: X", listing the known ones) or none.
store::Status checkRosterColumns(const QStringList &columns);

// One class's page: its students in roster order, cells in the chosen columns.
struct RosterClass {
    int classId = 0;   // 0: the students in no class 1..K
    QString title;     // "<description> 3班 名单", "<description> 未分班 名单"
    QString countLine; // "共N人，男x人，女y人"
    int boys = 0;
    int girls = 0;
    double averageTotal = 0.0; // 0 for an empty class
    QList<QVariantList> rows;  // numbers as double, texts as QString, empty cells null
    int size() const { return int(rows.size()); }
};

struct Roster {
    QStringList columns;
    QList<RosterClass> classes; // 1..K, then the unplaced ones when there are any
};

// The roster of a project with `classCount` classes described as `description`.
Roster buildRoster(const QString &description, int classCount, const QList<store::StudentRecord> &students,
                   const RosterOptions &options);

// Reads the project and its students; refuses an unknown project or column.
store::Result<Roster> loadRoster(QSqlDatabase db, int projectId, const RosterOptions &options);

// A class's name as sheets and titles show it: "3班", or "未分班" for class 0.
QString rosterClassName(int classId);

// The summary sheet's rows: header (班级, 人数, 男生, 女生, 总分平均分) and one row per class.
QList<QVariantList> rosterSummaryRows(const Roster &roster);

// One workbook: "汇总" first, then one sheet per class, each a table under a bold frozen header.
// The file appears whole or not at all; a failure names the file.
store::Status writeRosterWorkbook(const Roster &roster, const QString &path,
                                  const exchange::WriteStep &write = exchange::writeAll);

} // namespace fenban::reports
