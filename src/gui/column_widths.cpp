#include "gui/column_widths.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace fenban::gui {

namespace {

// Past this a column would push the rest out of sight; longer texts are elided.
constexpr int widestColumn = 320;
// Enough rows to see what a column holds; measuring thousands would slow every refresh.
constexpr int sampledRows = 1000;
// The cell's padding and grid line on both sides of the text.
constexpr int cellMargin = 12;

} // namespace

void fitColumnsToContent(QTableView *grid, int firstColumn) {
    QHeaderView *header = grid->horizontalHeader();
    const QFontMetrics metrics = grid->fontMetrics();
    const QAbstractItemModel *model = grid->model();
    const int rows = std::min(model->rowCount(), sampledRows);
    for (int column = firstColumn; column < header->count(); ++column) {
        if (grid->isColumnHidden(column))
            continue;
        int widest = header->sectionSizeHint(column);
        for (int row = 0; row < rows; ++row) {
            const QString text = model->index(row, column).data(Qt::DisplayRole).toString();
            if (!text.isEmpty())
                widest = std::max(widest, metrics.horizontalAdvance(text) + cellMargin);
        }
        const int wanted = std::min(widestColumn, widest);
        if (wanted > header->sectionSize(column))
            header->resizeSection(column, wanted);
    }
}

} // namespace fenban::gui
