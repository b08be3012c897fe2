#include "gui/balance_view.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace fenban::gui {

namespace {

QString utf8(const std::string &text) {
    return QString::fromStdString(text);
}

QString measureLabel(std::size_t measure) {
    return measure < subjectCount ? utf8(std::string(subjects[measure].label))
                                  : utf8(std::string(totalLabel));
}

QTableWidget *newGrid(const QString &name, const QStringList &headers, QWidget *parent) {
    auto *grid = new QTableWidget(0, int(headers.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    return grid;
}

QTableWidgetItem *cell(const QString &text, bool number) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

void setRow(QTableWidget *grid, int row, const QStringList &texts, int firstNumber) {
    for (int column = 0; column < texts.size(); ++column)
        grid->setItem(row, column, cell(texts[column], column >= firstNumber));
}

QString twoDecimals(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

BalanceView::BalanceView(QWidget *parent) : QWidget(parent) {
    m_summaryGrid =
        newGrid(QStringLiteral("sgBalanceSummary"), {QStringLiteral("指标"), QStringLiteral("数值")}, this);
    m_summaryGrid->setColumnWidth(0, 150);
    m_summaryGrid->setColumnWidth(1, 70);
    m_summaryGrid->setFixedWidth(240);
    m_unplacedGrid = newGrid(QStringLiteral("sgUnplaced"),
                             {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("原因")}, this);
    m_unplacedGrid->setColumnWidth(0, 80);
    m_unplacedGrid->setColumnWidth(1, 60);
    m_unplacedGrid->horizontalHeader()->setStretchLastSection(true);
    m_unplacedGrid->setFixedWidth(260);
    m_ruleGrid = newGrid(QStringLiteral("sgRuleViolations"),
                         {QStringLiteral("编号"), QStringLiteral("规则"), QStringLiteral("学生"),
                          QStringLiteral("违反的班级")},
                         this);
    m_ruleGrid->setColumnWidth(0, 40);
    m_ruleGrid->setColumnWidth(1, 40);
    m_ruleGrid->setColumnWidth(2, 110);
    m_ruleGrid->horizontalHeader()->setStretchLastSection(true);
    m_ruleGrid->setFixedWidth(260);
    m_classGrid = newGrid(QStringLiteral("sgBalanceClasses"), {}, this);

    auto *unplacedFrame = new QGroupBox(QStringLiteral("未分班的学生"), this);
    auto *unplacedLayout = new QVBoxLayout(unplacedFrame);
    unplacedLayout->setContentsMargins(2, 2, 2, 2);
    unplacedLayout->addWidget(m_unplacedGrid);
    auto *ruleFrame = new QGroupBox(QStringLiteral("违反的分开/同班规则"), this);
    auto *ruleLayout = new QVBoxLayout(ruleFrame);
    ruleLayout->setContentsMargins(2, 2, 2, 2);
    ruleLayout->addWidget(m_ruleGrid);
    auto *left = new QVBoxLayout;
    left->addWidget(m_summaryGrid, 3);
    left->addWidget(unplacedFrame, 2);
    left->addWidget(ruleFrame, 2);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(m_classGrid, 1);
}

QColor BalanceView::gradeColour(reports::BalanceFigure::Grade grade) {
    switch (grade) {
    case reports::BalanceFigure::Good:
        return QColor(0xc6, 0xef, 0xce);
    case reports::BalanceFigure::Fair:
        return QColor(0xff, 0xe0, 0x99);
    case reports::BalanceFigure::Poor:
        break;
    }
    return QColor(0xff, 0xb0, 0xb0);
}

void BalanceView::showReport(const reports::BalanceReport &report) {
    showSummary(report);
    showClasses(report);
    showUnplaced(report);
    showRuleViolations(report);
}

void BalanceView::showSummary(const reports::BalanceReport &report) {
    const std::vector<reports::BalanceFigure> figures = reports::balanceSummary(report);
    m_summaryGrid->clearContents();
    m_summaryGrid->setRowCount(int(figures.size()));
    for (int row = 0; row < int(figures.size()); ++row) {
        const reports::BalanceFigure &figure = figures[std::size_t(row)];
        setRow(m_summaryGrid, row, {figure.label, reports::balanceFigureText(figure)}, 1);
        m_summaryGrid->item(row, 0)->setToolTip(utf8(figure.name));
        m_summaryGrid->item(row, 1)->setBackground(gradeColour(figure.grade));
    }
}

void BalanceView::showClasses(const reports::BalanceReport &report) {
    QStringList headers{QStringLiteral("班级"), QStringLiteral("人数"), QStringLiteral("男"),
                        QStringLiteral("女")};
    for (const std::string &category : report.categoryNames)
        headers.append(utf8(category));
    for (std::size_t measure = 0; measure < reports::measureCount; ++measure)
        headers.append(measureLabel(measure) + QStringLiteral("平均分"));
    for (std::size_t measure = 0; measure < reports::measureCount; ++measure)
        headers.append(measureLabel(measure) + QStringLiteral("标准差"));
    headers << QStringLiteral("分段偏差") << QStringLiteral("同音对数") << QStringLiteral("同名对数");

    m_classGrid->clear();
    m_classGrid->setColumnCount(int(headers.size()));
    m_classGrid->setHorizontalHeaderLabels(headers);
    m_classGrid->setRowCount(int(report.classes.size()));
    for (int row = 0; row < int(report.classes.size()); ++row) {
        const reports::ClassBalance &figures = report.classes[std::size_t(row)];
        QStringList texts{QString::number(figures.classId) + QStringLiteral("班"),
                          QString::number(figures.size), QString::number(figures.boys),
                          QString::number(figures.girls)};
        for (std::size_t i = 0; i < report.categoryNames.size(); ++i)
            texts.append(QString::number(i < figures.categories.size() ? figures.categories[i] : 0));
        for (const double mean : figures.mean)
            texts.append(twoDecimals(mean));
        for (const double sd : figures.sd)
            texts.append(twoDecimals(sd));
        texts << twoDecimals(figures.bandDev) << QString::number(figures.samePinyinPairs)
              << QString::number(figures.sameNamePairs);
        setRow(m_classGrid, row, texts, 1);
    }
    m_classGrid->resizeColumnsToContents();
}

void BalanceView::showUnplaced(const reports::BalanceReport &report) {
    m_unplacedGrid->clearContents();
    m_unplacedGrid->setRowCount(int(report.unplaced.size()));
    for (int row = 0; row < int(report.unplaced.size()); ++row) {
        const reports::UnplacedBalance &student = report.unplaced[std::size_t(row)];
        setRow(m_unplacedGrid, row,
               {QString::number(student.studentId), utf8(student.name), utf8(student.reason)}, 3);
    }
}

void BalanceView::showRuleViolations(const reports::BalanceReport &report) {
    m_ruleGrid->clearContents();
    m_ruleGrid->setRowCount(int(report.ruleViolations.size()));
    for (int row = 0; row < int(report.ruleViolations.size()); ++row) {
        const reports::RuleViolation &violation = report.ruleViolations[std::size_t(row)];
        setRow(m_ruleGrid, row,
               {QString::number(violation.groupId), store::groupKindText(violation.kind),
                reports::memberListText(violation.members), reports::classListText(violation.classIds)},
               4);
        // The students' list is often longer than the column.
        m_ruleGrid->item(row, 2)->setToolTip(reports::memberListText(violation.members));
    }
}

} // namespace fenban::gui
