#include "gui/class_statistics_window.h"

#include "gui/balance_charts.h"
#include "gui/balance_view.h"
#include "gui/column_widths.h"
#include "gui/file_dialog.h"
#include "gui/frozen_columns.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "reports/balance.h"
#include "reports/chart_figures.h"
#include "reports/statistics_export.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

// Object names of the band grids, in the order of the tabs.
const QStringList bandGridNames{
    QStringLiteral("sgChinese"), QStringLiteral("sgMath"),     QStringLiteral("sgEnglish"),
    QStringLiteral("sgWuli"),    QStringLiteral("sgZhengzhi"), QStringLiteral("sgLiShi"),
    QStringLiteral("sgTiYu"),    QStringLiteral("sgDiLi"),     QStringLiteral("sgShengWu"),
};

QTableWidget *newGrid(const QString &name, QWidget *parent) {
    auto *grid = new QTableWidget(parent);
    grid->setObjectName(name);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The empty marker column and the class labels stay while the figures scroll sideways.
    new FrozenColumns(grid, 2);
    return grid;
}

// Grid column 0 is the narrow empty column in front of the labels; data column j stands in j + 1.
void showGrid(QTableWidget *table, const reports::ReportGrid &grid) {
    table->clearContents();
    table->setColumnCount(int(grid.headers.size()) + 1);
    table->setHorizontalHeaderLabels(QStringList{QString()} + grid.headers);
    table->setColumnWidth(0, 15);
    table->setRowCount(int(grid.rows.size()));
    for (qsizetype r = 0; r < grid.rows.size(); ++r) {
        for (qsizetype c = 0; c < grid.rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(grid.rows[r][c]);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(int(r), int(c) + 1, item);
        }
    }
    for (const auto &[row, column] : grid.highlighted)
        if (QTableWidgetItem *item = table->item(row, column + 1))
            item->setForeground(QColor(255, 0, 0));
    fitColumnsToContent(table, 1);
}

} // namespace

ClassStatisticsWindow::ClassStatisticsWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frm_class_info"));
    setWindowTitle(QStringLiteral("班级信息"));
    buildWidgets();
    resize(900, 520);
    showStatistics();
}

void ClassStatisticsWindow::buildWidgets() {
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));

    auto *firstPage = new QWidget(m_pages);
    m_summaryGrid = newGrid(QStringLiteral("sgClass_info"), firstPage);
    auto *prompt = new QLabel(QStringLiteral("请选择重分的班       "), firstPage);
    prompt->setStyleSheet(QStringLiteral("color: red;"));
    m_classList = new QListWidget(firstPage);
    m_classList->setObjectName(QStringLiteral("lb_class"));
    m_classList->setSelectionMode(QAbstractItemView::MultiSelection);
    m_classList->setFixedWidth(110);
    m_redivideButton = new QPushButton(QStringLiteral("重新分班"), firstPage);
    m_redivideButton->setObjectName(QStringLiteral("BitBtn1"));
    auto *panel = new QVBoxLayout;
    panel->addWidget(prompt);
    panel->addWidget(m_classList, 1);
    panel->addWidget(m_redivideButton);
    auto *firstLayout = new QHBoxLayout(firstPage);
    firstLayout->addWidget(m_summaryGrid, 1);
    firstLayout->addLayout(panel);
    m_pages->addTab(firstPage, QStringLiteral("班级信息"));

    for (const QString &name : bandGridNames) {
        QTableWidget *grid = newGrid(name, m_pages);
        m_bandGrids.append(grid);
        m_pages->addTab(grid, QString());
    }
    m_categoryGrid = newGrid(QStringLiteral("sgType"), m_pages);
    m_pages->addTab(m_categoryGrid, QStringLiteral("每一类的人数"));
    m_balanceView = new BalanceView(m_pages);
    m_balanceView->setObjectName(QStringLiteral("tsBalance"));
    m_pages->addTab(m_balanceView, QStringLiteral("均衡度"));
    m_balanceCharts = new BalanceCharts(m_pages);
    m_balanceCharts->setObjectName(QStringLiteral("tsBalanceCharts"));
    m_pages->addTab(m_balanceCharts, QStringLiteral("均衡图表"));

    m_optimiseButton = new QPushButton(QStringLiteral("优化均衡"), this);
    m_optimiseButton->setObjectName(QStringLiteral("btnOptimise"));
    m_refreshButton = new QPushButton(QStringLiteral("更新数据"), this);
    m_refreshButton->setObjectName(QStringLiteral("Button1"));
    m_exportButton = new QPushButton(QStringLiteral("导出分班数据"), this);
    m_exportButton->setObjectName(QStringLiteral("BitBtn2"));
    m_closeButton = new QPushButton(QStringLiteral("取消"), this);
    m_closeButton->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_optimiseButton);
    buttons->addStretch();
    buttons->addWidget(m_refreshButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    connect(m_refreshButton, &QPushButton::clicked, this, &ClassStatisticsWindow::refresh);
    // Its frame, when it has one, goes with it rather than staying behind empty.
    connect(m_closeButton, &QPushButton::clicked, this, [this] {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    });
    connect(m_redivideButton, &QPushButton::clicked, this, &ClassStatisticsWindow::redivideMarkedClasses);
    connect(m_exportButton, &QPushButton::clicked, this, &ClassStatisticsWindow::exportStatistics);
    connect(m_optimiseButton, &QPushButton::clicked, this, &ClassStatisticsWindow::optimisationRequested);
}

void ClassStatisticsWindow::refresh() {
    showStatistics();
}

void ClassStatisticsWindow::showStatistics() {
    const auto statistics = reports::loadClassStatistics(m_context->database(), m_context->projectId());
    if (!statistics) {
        MessageBox::error(this, statistics.error());
        return;
    }
    m_statistics = statistics.value();
    showGrid(m_summaryGrid, m_statistics.summary);
    for (qsizetype i = 0; i < m_bandGrids.size() && i < m_statistics.bands.size(); ++i) {
        showGrid(m_bandGrids[i], m_statistics.bands[i]);
        m_pages->setTabText(int(i) + 1, m_statistics.bands[i].title);
    }
    // Categories and classes are read anew each time: after a re-division or a new category the
    // figures would otherwise stand beside a stale list.
    showGrid(m_categoryGrid, m_statistics.categories);
    fillClassList();
    showBalance();
}

void ClassStatisticsWindow::showBalance() {
    const auto report = reports::loadBalanceReport(m_context->database(), m_context->projectId());
    if (!report) {
        MessageBox::error(this, report.error());
        return;
    }
    const auto figures = reports::loadChartFigures(m_context->database(), m_context->projectId());
    if (!figures) {
        MessageBox::error(this, figures.error());
        return;
    }
    m_balance = report.value();
    m_balanceView->showReport(m_balance);
    m_balanceCharts->showFigures(m_balance, figures.value());
}

void ClassStatisticsWindow::fillClassList() {
    QSet<int> marked;
    for (const QListWidgetItem *item : m_classList->selectedItems())
        marked.insert(item->data(Qt::UserRole).toInt());
    m_classList->clear();
    for (int classId : m_statistics.classIds) {
        auto *item = new QListWidgetItem(QString::number(classId) + QStringLiteral("班"), m_classList);
        item->setData(Qt::UserRole, classId);
        if (classId == 0) {
            // Class 0 holds the students not yet divided; it is no class to divide into.
            item->setFlags(Qt::NoItemFlags);
            item->setToolTip(QStringLiteral("尚未分班的学生"));
        } else {
            item->setSelected(marked.contains(classId));
        }
    }
}

void ClassStatisticsWindow::redivideMarkedClasses() {
    // Class numbers, never list positions: positions name other classes as soon as the list starts
    // with 0班 or skips a number.
    QList<int> classNumbers;
    for (int row = 0; row < m_classList->count(); ++row)
        if (m_classList->item(row)->isSelected())
            classNumbers.append(m_classList->item(row)->data(Qt::UserRole).toInt());
    // An empty request would make the result window divide the whole project anew.
    if (classNumbers.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择要重新分班的班级"));
        return;
    }
    emit redivisionRequested(classNumbers);
}

void ClassStatisticsWindow::exportStatistics() {
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("导出分班数据"), QStringLiteral("分班明细表.xlsx"),
                                 QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return;
    if (const auto written = reports::writeStatistics(m_statistics, m_balance, path); !written) {
        MessageBox::error(this, written.error());
        return;
    }
    FileDialog::announceExport(this, path);
    FileDialog::openWithDesktop(this, path);
}

} // namespace fenban::gui
