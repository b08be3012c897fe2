#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace fenban::reports {

// A grid of texts as a window shows it: a title, the header row and the data rows.
struct ReportGrid {
    QString title;
    QStringList headers;
    QList<QStringList> rows;
    // Cells to be shown in red, as (row, column) into `rows`.
    QList<std::pair<int, int>> highlighted;
};

} // namespace fenban::reports
