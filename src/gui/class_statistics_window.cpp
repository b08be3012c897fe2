#include "gui/class_statistics_window.h"

#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "reports/statistics_export.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
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
}

} // namespace

ClassStatisticsWindow::ClassStatisticsWindow(MainWindow *mainWindow) : m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_class_info"));
    setWindowTitle(QStringLiteral("班级信息"));
    FormCreate();
    resize(900, 520);
    showStatistics();
}

void ClassStatisticsWindow::FormCreate() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    auto *firstPage = new QWidget(PageControl1);
    sgClass_info = newGrid(QStringLiteral("sgClass_info"), firstPage);
    auto *prompt = new QLabel(QStringLiteral("请选择重分的班       "), firstPage);
    prompt->setStyleSheet(QStringLiteral("color: red;"));
    lb_class = new QListWidget(firstPage);
    lb_class->setObjectName(QStringLiteral("lb_class"));
    lb_class->setSelectionMode(QAbstractItemView::MultiSelection);
    lb_class->setFixedWidth(110);
    BitBtn1 = new QPushButton(QStringLiteral("重新分班"), firstPage);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto *panel = new QVBoxLayout;
    panel->addWidget(prompt);
    panel->addWidget(lb_class, 1);
    panel->addWidget(BitBtn1);
    auto *firstLayout = new QHBoxLayout(firstPage);
    firstLayout->addWidget(sgClass_info, 1);
    firstLayout->addLayout(panel);
    PageControl1->addTab(firstPage, QStringLiteral("班级信息"));

    for (const QString &name : bandGridNames) {
        QTableWidget *grid = newGrid(name, PageControl1);
        m_bandGrids.append(grid);
        PageControl1->addTab(grid, QString());
    }
    sgType = newGrid(QStringLiteral("sgType"), PageControl1);
    PageControl1->addTab(sgType, QStringLiteral("每一类的人数"));

    Button1 = new QPushButton(QStringLiteral("更新数据"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    BitBtn2 = new QPushButton(QStringLiteral("导出分班数据"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    Button2 = new QPushButton(QStringLiteral("取消"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(Button2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &ClassStatisticsWindow::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QWidget::close);
    connect(BitBtn1, &QPushButton::clicked, this, &ClassStatisticsWindow::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &ClassStatisticsWindow::BitBtn2Click);
}

void ClassStatisticsWindow::Button1Click() {
    showStatistics();
}

void ClassStatisticsWindow::showStatistics() {
    const auto statistics = reports::loadClassStatistics(m_main->database(), m_main->projectId().toInt());
    if (!statistics) {
        MessageBox::error(this, statistics.error());
        return;
    }
    m_statistics = statistics.value();
    showGrid(sgClass_info, m_statistics.summary);
    for (qsizetype i = 0; i < m_bandGrids.size() && i < m_statistics.bands.size(); ++i) {
        showGrid(m_bandGrids[i], m_statistics.bands[i]);
        PageControl1->setTabText(int(i) + 1, m_statistics.bands[i].title);
    }
    // Categories and classes are read anew each time: after a re-division or a new category the
    // figures would otherwise stand beside a stale list.
    showGrid(sgType, m_statistics.categories);
    initListBox();
}

void ClassStatisticsWindow::initListBox() {
    QSet<int> marked;
    for (const QListWidgetItem *item : lb_class->selectedItems())
        marked.insert(item->data(Qt::UserRole).toInt());
    lb_class->clear();
    for (int classId : m_statistics.classIds) {
        auto *item = new QListWidgetItem(QString::number(classId) + QStringLiteral("班"), lb_class);
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

void ClassStatisticsWindow::BitBtn1Click() {
    // Class numbers, never list positions: positions name other classes as soon as the list starts
    // with 0班 or skips a number.
    QList<int> classNumbers;
    for (int row = 0; row < lb_class->count(); ++row)
        if (lb_class->item(row)->isSelected())
            classNumbers.append(lb_class->item(row)->data(Qt::UserRole).toInt());
    // An empty request would make the result window divide the whole project anew.
    if (classNumbers.isEmpty()) {
        MessageBox::information(this, QStringLiteral("请选择要重新分班的班级"));
        return;
    }
    if (auto *start = m_main->findChild<QAbstractButton *>(QStringLiteral("ToolButton2")))
        start->click();
    m_main->re_qx(classNumbers);
}

void ClassStatisticsWindow::BitBtn2Click() {
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("导出分班数据"), QStringLiteral("分班明细表.xlsx"),
                                 QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return;
    if (const auto written = reports::writeStatistics(m_statistics, path); !written) {
        MessageBox::error(this, written.error());
        return;
    }
    FileDialog::openWithDesktop(path);
}

} // namespace fenban::gui
