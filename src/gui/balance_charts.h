#pragma once

#include "reports/balance.h"
#include "reports/chart_figures.h"

#include <QWidget>

class QComboBox;

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
    // Drawn by Qt Charts or by the program itself, as the build has it (see chart_content.h).
    QWidget *m_meansView = nullptr;
    QWidget *m_totalsView = nullptr;
    QWidget *m_sexView = nullptr;
    QWidget *m_categoryView = nullptr;
};

} // namespace fenban::gui
