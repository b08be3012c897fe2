#pragma once

#include "reports/balance.h"
#include "reports/class_statistics.h"

#include <QWidget>

#include <memory>

class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace fenban::gui {

class BalanceCharts;
class BalanceView;
class ProjectContext;

// The class statistics window: per-class head-counts, averages, deviations and band counts of the
// current project, their export, and the request to re-divide chosen classes.
class ClassStatisticsWindow : public QWidget {
    Q_OBJECT

public:
    explicit ClassStatisticsWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);

    // Reads the current project again and shows its figures; on failure the grids stay as they were.
    void refresh();

signals:
    // Divide these classes (class numbers, at least one) again among themselves.
    void redivisionRequested(const QList<int> &classNumbers);
    // Even out the classes of the current project.
    void optimisationRequested();

private:
    void buildWidgets();
    void redivideMarkedClasses();
    void exportStatistics();
    void showStatistics();
    void fillClassList();
    void showBalance();

    std::shared_ptr<const ProjectContext> m_context;
    // The figures on screen; the export writes these, not a fresh reading.
    reports::ClassStatistics m_statistics;
    reports::BalanceReport m_balance;

    QTabWidget *m_pages = nullptr;
    QTableWidget *m_summaryGrid = nullptr;
    QList<QTableWidget *> m_bandGrids; // in the order of the tabs
    QTableWidget *m_categoryGrid = nullptr;
    BalanceView *m_balanceView = nullptr;
    BalanceCharts *m_balanceCharts = nullptr;
    QListWidget *m_classList = nullptr;
    QPushButton *m_redivideButton = nullptr;
    QPushButton *m_optimiseButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

} // namespace fenban::gui
