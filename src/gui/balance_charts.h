#pragma once

#include "reports/balance.h"
#include "reports/chart_figures.h"

#include <QWidget>

class QComboBox;
class QChartView;

namespace fenban::gui {

// The "均衡图表" page of the statistics window: per class the mean of a chosen measure against the
// mean of every student, the spread of the totals, and the head-counts by sex and by category.
class BalanceCharts : public QWidget {
    Q_OBJECT

public:
    explicit BalanceCharts(QWidget *parent = nullptr);

    void showFigures(const reports::BalanceReport &report, const reports::ChartFigures &figures);

private:
    void showMeans();
    void showTotals();
    void showHeadCounts();

    // The figures on screen, kept so that another measure can be chosen without reading again.
    reports::BalanceReport m_report;
    reports::ChartFigures m_figures;

    QComboBox *m_measureBox = nullptr;
    QChartView *m_meansView = nullptr;
    QChartView *m_totalsView = nullptr;
    QChartView *m_sexView = nullptr;
    QChartView *m_categoryView = nullptr;
};

} // namespace fenban::gui
