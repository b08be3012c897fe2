#include "gui/history_window.h"

#include "gui/column_widths.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "reports/history_summary.h"
#include "store/history.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace fenban::gui {

namespace {

QTableWidgetItem *readOnlyItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// -1: the student is not in that division at all (imported or deleted since).
QString classText(int classId) {
    if (classId < 0)
        return QStringLiteral("(无)");
    return classId > 0 ? QStringLiteral("%1班").arg(classId) : QStringLiteral("未分班");
}

QTableWidget *newTable(const QString &name, const QStringList &titles, QWidget *parent) {
    auto *table = new QTableWidget(0, int(titles.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

HistoryWindow::HistoryWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frm_history"));
    setWindowTitle(QStringLiteral("分班历史"));

    m_history = newTable(
        QStringLiteral("sgHistory"),
        {QStringLiteral("编号"), QStringLiteral("时间"), QStringLiteral("操作"), QStringLiteral("均衡度")},
        this);
    m_history->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_moved = newTable(
        QStringLiteral("sgMoved"),
        {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("原班级"), QStringLiteral("新班级")},
        this);
    m_moved->setSelectionMode(QAbstractItemView::SingleSelection);
    m_comparison = new QLabel(QStringLiteral("选一条记录与目前的分班比较，或选两条互相比较"), this);
    m_comparison->setObjectName(QStringLiteral("lbComparison"));

    m_compareButton = new QPushButton(QStringLiteral("比较"), this);
    m_compareButton->setObjectName(QStringLiteral("btnCompare"));
    connect(m_compareButton, &QPushButton::clicked, this, &HistoryWindow::compare);
    m_restoreButton = new QPushButton(QStringLiteral("恢复"), this);
    m_restoreButton->setObjectName(QStringLiteral("btnRestore"));
    connect(m_restoreButton, &QPushButton::clicked, this, &HistoryWindow::restore);
    auto *refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setObjectName(QStringLiteral("btnRefreshHistory"));
    connect(refreshButton, &QPushButton::clicked, this, &HistoryWindow::refresh);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("btnCloseHistory"));
    connect(close, &QPushButton::clicked, this, [this] {
        if (parentWidget())
            parentWidget()->close();
        else
            this->close();
    });

    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_comparison);
    lowerLayout->addWidget(m_moved);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_history);
    splitter->addWidget(lower);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_compareButton);
    buttons->addWidget(m_restoreButton);
    buttons->addStretch();
    buttons->addWidget(refreshButton);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(760, 520);
    refresh();
}

void HistoryWindow::refresh() {
    const auto entries = store::history(m_context->database(), m_context->projectId());
    if (!entries) {
        MessageBox::error(this, entries.error());
        return;
    }
    m_history->setRowCount(0);
    m_history->setRowCount(int(entries.value().size()));
    for (int row = 0; row < m_history->rowCount(); ++row) {
        const store::HistoryEntry &entry = entries.value()[row];
        m_history->setItem(row, 0, readOnlyItem(QString::number(entry.id)));
        m_history->setItem(row, 1, readOnlyItem(entry.time));
        m_history->setItem(row, 2, readOnlyItem(entry.action));
        m_history->setItem(row, 3, readOnlyItem(entry.summary));
    }
    fitColumnsToContent(m_history);
    m_compareButton->setEnabled(m_history->rowCount() > 0);
    m_restoreButton->setEnabled(m_history->rowCount() > 0);
}

QList<int> HistoryWindow::chosenSnapshots() const {
    QList<int> rows;
    for (const QModelIndex &index : m_history->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<int> ids;
    for (const int row : rows)
        ids.append(m_history->item(row, 0)->text().toInt());
    return ids;
}

void HistoryWindow::compare() {
    const QList<int> chosen = chosenSnapshots();
    if (chosen.isEmpty() || chosen.size() > 2) {
        MessageBox::information(this, QStringLiteral("请选择一条记录(与目前的分班比较)或两条记录"));
        return;
    }
    // Newest first in the list: the older one is where the students come from.
    const int from = chosen.size() == 2 ? chosen[1] : chosen[0];
    const int to = chosen.size() == 2 ? chosen[0] : 0;
    const auto moved = store::diff(m_context->database(), m_context->projectId(), from, to);
    if (!moved) {
        MessageBox::error(this, moved.error());
        return;
    }
    m_moved->setRowCount(0);
    m_moved->setRowCount(int(moved.value().size()));
    for (int row = 0; row < m_moved->rowCount(); ++row) {
        const store::MovedStudent &student = moved.value()[row];
        m_moved->setItem(row, 0, readOnlyItem(QString::number(student.studentId)));
        m_moved->setItem(row, 1, readOnlyItem(student.name));
        m_moved->setItem(row, 2, readOnlyItem(classText(student.fromClass)));
        m_moved->setItem(row, 3, readOnlyItem(classText(student.toClass)));
    }
    fitColumnsToContent(m_moved);
    const QString target = to > 0 ? QStringLiteral("第%1号").arg(to) : QStringLiteral("目前的分班");
    m_comparison->setText(
        QStringLiteral("第%1号 → %2: %3名学生换了班级").arg(from).arg(target).arg(moved.value().size()));
}

void HistoryWindow::restore() {
    const QList<int> chosen = chosenSnapshots();
    if (chosen.size() != 1) {
        MessageBox::information(this, QStringLiteral("请选择要恢复的一条记录"));
        return;
    }
    const int id = chosen.first();
    if (!MessageBox::question(
            this, QStringLiteral("恢复到第%1号分班？目前的分班记在历史中，以后还可以恢复。").arg(id)))
        return;
    const store::Status restored =
        store::restore(m_context->database(), m_context->projectId(), id, reports::historySummary);
    if (!restored) {
        MessageBox::error(this, restored.error());
        return;
    }
    refresh();
    emit classesChanged();
}

} // namespace fenban::gui
