#include "gui/balance_charts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace fenban::gui {

namespace {

// The measures in the order of the statistics window's tabs (语文 first), then the total.
constexpr std::array<std::size_t, reports::measureCount> measureOrder{2, 0, 1, 3, 4, 5, 6, 7, 8, 9};

QString measureLabel(std::size_t measure) {
    return QString::fromStdString(std::string(measure < subjectCount ? subjects[measure].label : totalLabel));
}

QChartView *newView(const QString &name, const QString &title, QWidget *parent) {
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignRight);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 200);
    return view;
}

// Empties a chart for new series: the series go with removeAllSeries, the axes are ours to delete.
QChart *clearedChart(QChartView *view) {
    QChart *chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    return chart;
}

QStringList classLabels(const reports::BalanceReport &report) {
    QStringList labels;
    for (const reports::ClassBalance &figures : report.classes)
        labels.append(QString::number(figures.classId) + QStringLiteral("班"));
    return labels;
}

void attach(QChart *chart, QAbstractSeries *series, QAbstractAxis *xAxis, QAbstractAxis *yAxis) {
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(yAxis);
}

// Differences of a few tenths are what matters, so the scale spans the values with room around
// them rather than starting at 0.
void spanValues(QValueAxis *axis, double least, double greatest) {
    if (least > greatest) {
        axis->setRange(0, 1);
        return;
    }
    const double room = std::max((greatest - least) * 0.5, 0.5);
    axis->setRange(least - room, greatest + room);
    axis->applyNiceNumbers();
}

} // namespace

BalanceCharts::BalanceCharts(QWidget *parent) : QWidget(parent) {
    m_measureBox = new QComboBox(this);
    m_measureBox->setObjectName(QStringLiteral("cbChartMeasure"));
    for (const std::size_t measure : measureOrder)
        m_measureBox->addItem(measureLabel(measure), int(measure));
    m_measureBox->setCurrentIndex(m_measureBox->count() - 1);
    m_meansView = newView(QStringLiteral("cvMeans"), QStringLiteral("各班平均分"), this);
    m_totalsView = newView(QStringLiteral("cvTotals"), QStringLiteral("各班总分分布"), this);
    m_sexView = newView(QStringLiteral("cvSex"), QStringLiteral("各班男女人数"), this);
    m_categoryView = newView(QStringLiteral("cvCategories"), QStringLiteral("各班分类人数"), this);

    auto *choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("平均分科目"), this));
    choice->addWidget(m_measureBox);
    choice->addStretch();
    auto *grid = new QGridLayout;
    grid->addWidget(m_meansView, 0, 0);
    grid->addWidget(m_totalsView, 0, 1);
    grid->addWidget(m_sexView, 1, 0);
    grid->addWidget(m_categoryView, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(choice);
    layout->addLayout(grid, 1);

    connect(m_measureBox, &QComboBox::currentIndexChanged, this, &BalanceCharts::showMeans);
}

void BalanceCharts::showFigures(const reports::BalanceReport &report, const reports::ChartFigures &figures) {
    m_report = report;
    m_figures = figures;
    showMeans();
    showTotals();
    showHeadCounts();
}

void BalanceCharts::showMeans() {
    const auto measure = std::size_t(m_measureBox->currentData().toInt());
    QChart *chart = clearedChart(m_meansView);
    chart->setTitle(QStringLiteral("各班%1平均分").arg(measureLabel(measure)));
    const double cohortMean = m_figures.cohortMean[measure];
    double least = cohortMean;
    double greatest = cohortMean;
    auto *means = new QBarSet(QStringLiteral("班级平均分"));
    for (const reports::ClassBalance &figures : m_report.classes) {
        const double mean = figures.mean[measure];
        means->append(mean);
        if (figures.size > 0) {
            least = std::min(least, mean);
            greatest = std::max(greatest, mean);
        }
    }
    auto *bars = new QBarSeries;
    bars->append(means);
    // A line across the whole width: bar categories stand at x = 0, 1, ..., each half a unit wide.
    auto *line = new QLineSeries;
    line->setName(QStringLiteral("全体平均分 %1").arg(cohortMean, 0, 'f', 2));
    line->append(-0.5, cohortMean);
    line->append(double(m_report.classes.size()) - 0.5, cohortMean);

    auto *xAxis = new QBarCategoryAxis;
    xAxis->append(classLabels(m_report));
    auto *yAxis = new QValueAxis;
    spanValues(yAxis, least, greatest);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    attach(chart, bars, xAxis, yAxis);
    attach(chart, line, xAxis, yAxis);
}

void BalanceCharts::showTotals() {
    QChart *chart = clearedChart(m_totalsView);
    auto *boxes = new QBoxPlotSeries;
    double least = std::numeric_limits<double>::infinity();
    double greatest = -least;
    const QStringList labels = classLabels(m_report);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        auto *box = new QBoxSet(labels[i]);
        const auto figures = std::size_t(i) < m_figures.totalBoxes.size()
                                 ? m_figures.totalBoxes[std::size_t(i)]
                                 : std::nullopt;
        // An empty class keeps its place on the axis with no box.
        if (figures) {
            box->setValue(QBoxSet::LowerExtreme, figures->lowerExtreme);
            box->setValue(QBoxSet::LowerQuartile, figures->lowerQuartile);
            box->setValue(QBoxSet::Median, figures->median);
            box->setValue(QBoxSet::UpperQuartile, figures->upperQuartile);
            box->setValue(QBoxSet::UpperExtreme, figures->upperExtreme);
            least = std::min(least, figures->lowerExtreme);
            greatest = std::max(greatest, figures->upperExtreme);
        }
        boxes->append(box);
    }
    boxes->setName(QStringLiteral("总分"));
    auto *xAxis = new QBarCategoryAxis;
    xAxis->append(labels);
    auto *yAxis = new QValueAxis;
    spanValues(yAxis, least, greatest);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    attach(chart, boxes, xAxis, yAxis);
    chart->legend()->hide();
}

void BalanceCharts::showHeadCounts() {
    const QStringList labels = classLabels(m_report);
    // Stacked bars: the scale reaches the tallest stack, whole numbers only.
    const auto fill = [&labels](QChartView *view, QStackedBarSeries *series, int tallest) {
        QChart *chart = clearedChart(view);
        auto *xAxis = new QBarCategoryAxis;
        xAxis->append(labels);
        auto *yAxis = new QValueAxis;
        yAxis->setLabelFormat(QStringLiteral("%d"));
        const int step = std::max(1, (tallest + 4) / 5);
        yAxis->setRange(0, std::max(step, (tallest + step - 1) / step * step));
        yAxis->setTickType(QValueAxis::TicksDynamic);
        yAxis->setTickAnchor(0);
        yAxis->setTickInterval(step);
        chart->addAxis(xAxis, Qt::AlignBottom);
        chart->addAxis(yAxis, Qt::AlignLeft);
        attach(chart, series, xAxis, yAxis);
    };

    auto *boys = new QBarSet(QStringLiteral("男"));
    auto *girls = new QBarSet(QStringLiteral("女"));
    int tallest = 0;
    for (const reports::ClassBalance &figures : m_report.classes) {
        boys->append(figures.boys);
        girls->append(figures.girls);
        tallest = std::max(tallest, figures.boys + figures.girls);
    }
    auto *sexes = new QStackedBarSeries;
    sexes->append(boys);
    sexes->append(girls);
    fill(m_sexView, sexes, tallest);

    auto *categories = new QStackedBarSeries;
    std::vector<int> stacks(m_report.classes.size(), 0);
    for (std::size_t i = 0; i < m_report.categoryNames.size(); ++i) {
        auto *set = new QBarSet(QString::fromStdString(m_report.categoryNames[i]));
        for (std::size_t c = 0; c < m_report.classes.size(); ++c) {
            const std::vector<int> &counts = m_report.classes[c].categories;
            const int count = i < counts.size() ? counts[i] : 0;
            set->append(count);
            stacks[c] += count;
        }
        categories->append(set);
    }
    fill(m_categoryView, categories, stacks.empty() ? 0 : *std::max_element(stacks.begin(), stacks.end()));
    m_categoryView->chart()->setTitle(m_report.categoryNames.empty()
                                          ? QStringLiteral("各班分类人数（无分类）")
                                          : QStringLiteral("各班分类人数"));
}

} // namespace fenban::gui
