#pragma once

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace fenban::gui {

class ProjectContext;
struct DivisionJob;

// The result window: starts a division or re-division of the current project, which works in the
// background, and shows the students class by class when it is done.
class DivisionWindow : public QWidget {
    Q_OBJECT

public:
    explicit DivisionWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);
    ~DivisionWindow() override;

    bool isRunning() const { return m_job != nullptr; }
    // Divides the chosen classes (class numbers) again among themselves.
    void redivide(const QList<int> &classNumbers);
    // Evens out the classes of the current project, starting from its current division.
    void optimise();
    // For tests: the next run is stopped, as 停止 would stop it, before its first step or pass (an
    // optimisation asks its keep question then).
    void stopNextRunAtStart() { m_stopAtStart = true; }
    void stopNextOptimisationAtStart() { stopNextRunAtStart(); }

signals:
    // Before the work starts, so that its lines have a console to go to.
    void runStarting();
    void progressLine(const QString &line);
    // Where the run stands, e.g. "女生微调 第12/51次", whenever its progress is read.
    void progressStatus(const QString &text);
    // A run has ended, whatever its outcome.
    void runEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void startDivision();
    void start(const QList<int> &classNumbers);
    // Starts `job` in a worker thread; `work` runs there with the database file's path and the project.
    void launch(std::shared_ptr<DivisionJob> job,
                std::function<void(DivisionJob &job, const QString &databasePath, int projectId)> work);
    // 停止: a division ends at its next pass and writes nothing; an optimisation first asks whether to
    // keep the best classes found so far.
    void stopRun();
    void stopOptimisation();
    void drainJob();
    // Follows the phase lines the run writes, for the status.
    void notePhase(const QString &line);
    void runFinished();
    void optimisationFinished(const DivisionJob &job);
    void showGrid(const QList<int> &onlyClasses);
    // The balance beside the grid: `lines` as the run summed it up, red where a figure is not met;
    // and, when a figure of the project is red and the project does not optimise after dividing, the
    // offer to optimise.
    void showBalance(const QStringList &lines);

    std::shared_ptr<const ProjectContext> m_context;
    std::shared_ptr<DivisionJob> m_job;
    QTableWidget *m_studentGrid = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QPushButton *m_optimiseButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QWidget *m_balancePanel = nullptr;
    QLabel *m_balanceSummary = nullptr;
    QLabel *m_balanceHint = nullptr;
    QPushButton *m_optimiseOffer = nullptr;
    QProgressBar *m_progress = nullptr;
    QTimer *m_poll = nullptr;
    bool m_stopAtStart = false;
    QString m_phase;
};

} // namespace fenban::gui
