#include "gui/chart_content.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace fenban::gui {

namespace {

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

// Stacked head-counts: the scale reaches the tallest stack, whole numbers only.
void countUpTo(QValueAxis *axis, double highest) {
    const int tallest = std::max(0, int(highest));
    axis->setLabelFormat(QStringLiteral("%d"));
    const int step = std::max(1, (tallest + 4) / 5);
    axis->setRange(0, std::max(step, (tallest + step - 1) / step * step));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

QAbstractSeries *barSeries(const ChartContent &content) {
    QAbstractBarSeries *series = nullptr;
    if (content.kind == ChartContent::Kind::StackedBars)
        series = new QStackedBarSeries;
    else
        series = new QBarSeries;
    for (const ChartContent::BarSet &set : content.sets) {
        auto *bars = new QBarSet(set.name);
        for (const double value : set.values)
            bars->append(value);
        series->append(bars);
    }
    return series;
}

QAbstractSeries *boxSeries(const ChartContent &content) {
    auto *boxes = new QBoxPlotSeries;
    for (qsizetype i = 0; i < content.classes.size(); ++i) {
        auto *box = new QBoxSet(content.classes[i]);
        const auto figures =
            std::size_t(i) < content.boxes.size() ? content.boxes[std::size_t(i)] : std::nullopt;
        if (figures) {
            box->setValue(QBoxSet::LowerExtreme, figures->lowerExtreme);
            box->setValue(QBoxSet::LowerQuartile, figures->lowerQuartile);
            box->setValue(QBoxSet::Median, figures->median);
            box->setValue(QBoxSet::UpperQuartile, figures->upperQuartile);
            box->setValue(QBoxSet::UpperExtreme, figures->upperExtreme);
        }
        boxes->append(box);
    }
    boxes->setName(content.boxesName);
    return boxes;
}

} // namespace

QWidget *newChartView(const QString &objectName, const QString &title, QWidget *parent) {
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->legend()->setAlignment(Qt::AlignRight);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(objectName);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 200);
    return view;
}

void showChart(QWidget *view, const ChartContent &content) {
    QChart *chart = clearedChart(qobject_cast<QChartView *>(view));
    chart->setTitle(content.title);
    auto *xAxis = new QBarCategoryAxis;
    xAxis->append(content.classes);
    auto *yAxis = new QValueAxis;
    if (content.kind == ChartContent::Kind::StackedBars)
        countUpTo(yAxis, content.highest);
    else
        spanValues(yAxis, content.lowest, content.highest);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    attach(chart, content.kind == ChartContent::Kind::Boxes ? boxSeries(content) : barSeries(content), xAxis,
           yAxis);
    if (content.reference) {
        // A line across the whole width: bar categories stand at x = 0, 1, ..., each half a unit wide.
        auto *line = new QLineSeries;
        line->setName(content.reference->name);
        line->append(-0.5, content.reference->value);
        line->append(double(content.classes.size()) - 0.5, content.reference->value);
        attach(chart, line, xAxis, yAxis);
    }
    chart->legend()->setVisible(content.legend);
}

} // namespace fenban::gui
