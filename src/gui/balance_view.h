#pragma once

#include "reports/balance.h"

#include <QWidget>

class QTableWidget;

namespace fenban::gui {

// The "均衡度" page of the statistics window: the summary figures coloured by how they meet their
// goals, every class's own figures, the students in no class with the reason, and the keep-apart and
// keep-together rules the classes break.
class BalanceView : public QWidget {
    Q_OBJECT

public:
    explicit BalanceView(QWidget *parent = nullptr);

    void showReport(const reports::BalanceReport &report);

    // Backgrounds of the summary figures by grade, for the window and its tests alike.
    static QColor gradeColour(reports::BalanceFigure::Grade grade);
    // A summary figure as shown: counts as whole numbers, the rest with two decimals.

private:
    void showSummary(const reports::BalanceReport &report);
    void showClasses(const reports::BalanceReport &report);
    void showUnplaced(const reports::BalanceReport &report);
    void showRuleViolations(const reports::BalanceReport &report);

    QTableWidget *m_summaryGrid = nullptr;
    QTableWidget *m_classGrid = nullptr;
    QTableWidget *m_unplacedGrid = nullptr;
    QTableWidget *m_ruleGrid = nullptr;
};

} // namespace fenban::gui
