#pragma once

#include <QObject>

class QTableView;

namespace fenban::gui {

// Keeps the first columns of a grid in place while the rest scroll sideways: a second view over the
// same model lies on the grid's left edge and shows only those columns. The grid itself keeps every
// column, so whatever reads its cells reads them as before. The overlay is a child of the grid.
class FrozenColumns : public QObject {
    Q_OBJECT

public:
    // The overlay's objectName is the grid's with "_frozen" added.
    FrozenColumns(QTableView *grid, int count);

    QTableView *overlay() const { return m_overlay; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFrozenColumnsOnly();
    void placeOverlay();

    QTableView *m_grid;
    QTableView *m_overlay;
    int m_count;
};

} // namespace fenban::gui
