#pragma once

#include "reports/report_grid.h"
#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace fenban::reports {

// How balanced the classes of one project are, as the eleven grids of the statistics window.
// Every grid has one data row per class present, in ascending class number; the summary has the
// whole-table row below them. Column j of a row belongs to headers[j]; the window's empty first
// column is not part of the data.
struct ClassStatistics {
    QList<int> classIds; // class numbers of the class rows, ascending
    // "班级信息": label, boys, girls, head-count, then average and deviation of the nine subjects
    // (subject order) and of the total, and the never-filled "是否重分". Red: deviations whose
    // shown value exceeds 1.00 either way.
    ReportGrid summary;
    // One per subject in the order of the tabs (语文 first): head-count per 10-point band.
    QList<ReportGrid> bands;
    // "每一类的人数": head-count per category, "未分类" for students without one.
    ReportGrid categories;

    // All eleven, in the order of the tabs; each title is its tab caption.
    QList<ReportGrid> grids() const;
};

// Column of the summary holding the average of measure `measure` (0-8 the subjects in subject order,
// 9 the total); the deviation stands right of it.
inline constexpr int summaryAverageColumn(int measure) {
    return 4 + 2 * measure;
}

// The figures of one student table.
ClassStatistics classStatistics(const QList<store::StudentRecord> &students);

// Reads the project's students and computes their figures.
store::Result<ClassStatistics> loadClassStatistics(QSqlDatabase db, int projectId);

// An average or deviation as the grids show it: two decimals, halves to even, right-aligned in
// eight characters ("   -0.50").
QString averageText(double value);

} // namespace fenban::reports
