#include "gui/chart_content.h"
#include "gui/painted_chart.h"

namespace fenban::gui {

QWidget *newChartView(const QString &objectName, const QString &title, QWidget *parent) {
    auto *view = new PaintedChart(title, parent);
    view->setObjectName(objectName);
    return view;
}

void showChart(QWidget *view, const ChartContent &content) {
    if (auto *chart = qobject_cast<PaintedChart *>(view))
        chart->setContent(content);
}

} // namespace fenban::gui
