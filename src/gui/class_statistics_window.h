#pragma once

#include "reports/class_statistics.h"

#include <QWidget>

class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace fenban::gui {

class MainWindow;

// The class statistics window: per-class head-counts, averages, deviations and band counts of the
// current project, their export, and the request to re-divide chosen classes.
class ClassStatisticsWindow : public QWidget {
    Q_OBJECT

public:
    explicit ClassStatisticsWindow(MainWindow *mainWindow);

private:
    void FormCreate();
    // Reads the current project again and shows its figures; on failure the grids stay as they were.
    void Button1Click();
    void BitBtn1Click(); // 重新分班
    void BitBtn2Click(); // 导出分班数据
    void showStatistics();
    void initListBox();

    MainWindow *m_main;
    // The figures on screen; the export writes these, not a fresh reading.
    reports::ClassStatistics m_statistics;

    QTabWidget *PageControl1 = nullptr;
    QTableWidget *sgClass_info = nullptr;
    QList<QTableWidget *> m_bandGrids; // in the order of the tabs
    QTableWidget *sgType = nullptr;
    QListWidget *lb_class = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
};

} // namespace fenban::gui
