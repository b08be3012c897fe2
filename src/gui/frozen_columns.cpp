#include "gui/frozen_columns.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace fenban::gui {

FrozenColumns::FrozenColumns(QTableView *grid, int count)
    : QObject(grid), m_grid(grid), m_overlay(new QTableView(grid)), m_count(count) {
    m_overlay->setObjectName(grid->objectName() + QStringLiteral("_frozen"));
    m_overlay->setModel(grid->model());
    m_overlay->setSelectionModel(grid->selectionModel());
    m_overlay->setFocusPolicy(Qt::NoFocus);
    m_overlay->setEditTriggers(grid->editTriggers());
    m_overlay->verticalHeader()->hide();
    m_overlay->verticalHeader()->setDefaultSectionSize(grid->verticalHeader()->defaultSectionSize());
    m_overlay->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_overlay->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_overlay->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_overlay->setVerticalScrollMode(grid->verticalScrollMode());
    m_overlay->setStyleSheet(QStringLiteral("QTableView { border: none; }"));
    grid->viewport()->stackUnder(m_overlay);

    // The model changes its columns with every refresh; the overlay follows each time. Queued: a
    // grid being destroyed deletes its model first, which resets itself on the way out, and a queued
    // call dies with this object instead of reading the half-destroyed model.
    QAbstractItemModel *model = grid->model();
    for (auto signal : {&QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
        connect(model, signal, this, &FrozenColumns::showFrozenColumnsOnly, Qt::QueuedConnection);
    connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumns::showFrozenColumnsOnly,
            Qt::QueuedConnection);
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < m_count) {
            m_overlay->setColumnWidth(column, size);
            placeOverlay();
        }
    });
    connect(grid->verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_overlay->setRowHeight(row, size); });
    connect(m_overlay->verticalScrollBar(), &QAbstractSlider::valueChanged, grid->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(grid->verticalScrollBar(), &QAbstractSlider::valueChanged, m_overlay->verticalScrollBar(),
            &QAbstractSlider::setValue);
    grid->installEventFilter(this);
    showFrozenColumnsOnly();
    m_overlay->show();
}

bool FrozenColumns::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_grid && (event->type() == QEvent::Resize || event->type() == QEvent::Show ||
                              event->type() == QEvent::LayoutRequest))
        placeOverlay();
    return QObject::eventFilter(watched, event);
}

void FrozenColumns::showFrozenColumnsOnly() {
    const int columns = m_grid->model()->columnCount();
    for (int column = 0; column < columns; ++column) {
        m_overlay->setColumnHidden(column, column >= m_count);
        if (column < m_count)
            m_overlay->setColumnWidth(column, m_grid->columnWidth(column));
    }
    placeOverlay();
}

void FrozenColumns::placeOverlay() {
    int width = 0;
    for (int column = 0; column < m_count && column < m_grid->model()->columnCount(); ++column)
        width += m_grid->columnWidth(column);
    const QHeaderView *rowHeader = m_grid->verticalHeader();
    const int left = (rowHeader->isHidden() ? 0 : rowHeader->width()) + m_grid->frameWidth();
    m_overlay->setGeometry(left, m_grid->frameWidth(), width,
                           m_grid->viewport()->height() + m_grid->horizontalHeader()->height());
}

} // namespace fenban::gui
