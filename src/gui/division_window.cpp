#include "gui/division_window.h"

#include "app/division_service.h"
#include "app/optimise_service.h"
#include "exchange/sheets/sheet.h"
#include "gui/balance_view.h"
#include "gui/column_widths.h"
#include "gui/console_window.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "store/database.h"
#include "store/division_runner.h"
#include "store/history.h"
#include "store/optimise_settings.h"
#include "store/students.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMutex>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <limits>
#include <optional>

namespace fenban::gui {

// Shared by the window and the worker thread. Lines and progress cross over under the mutex or as
// atomics; the outcome is read only after the worker has finished.
struct DivisionJob {
    bool optimisation = false;
    QList<int> classNumbers; // for a division: empty for a whole division
    QMutex mutex;
    QStringList lines;
    QString figures; // how an optimisation's balance stands, under the mutex
    std::atomic<long long> done{0};
    std::atomic<long long> total{0};
    // 停止 sets `keep` first, so the worker that sees `stop` reads the teacher's answer (an
    // optimisation's; a division stopped keeps nothing).
    std::atomic<bool> stop{false};
    std::atomic<bool> keep{false};
    store::RunOutcome outcome;
    std::optional<reports::BalanceReport> before; // for an optimisation
    std::optional<reports::BalanceReport> after;
    QString figuresMissing; // for an optimisation done whose figures could not be read
};

namespace {

const QString busyText = QStringLiteral("正在分班，请稍候");
const QString optimisingPhase = QStringLiteral("优化均衡");
// Students named in the message box after a run; the console names them all.
constexpr qsizetype shownInMessage = 20;

// Runs in the worker thread, on a connection of its own.
void runDivision(DivisionJob &job, const QString &databasePath, int projectId) {
    app::DivisionProgress progress;
    progress.line = [&job](const QString &line) {
        QMutexLocker lock(&job.mutex);
        job.lines.append(line);
    };
    progress.passes = [&job](long done, long total) {
        job.total = total;
        job.done = done;
    };
    progress.figures = [&job](const QString &text) {
        QMutexLocker lock(&job.mutex);
        job.figures = text;
    };
    progress.cancelled = [&job] {
        return job.stop.load();
    };
    job.outcome = app::runDivision(databasePath, {projectId, job.classNumbers}, progress);
}

// Runs in the worker thread, on a connection of its own.
void runOptimisation(DivisionJob &job, const QString &databasePath, int projectId) {
    app::OptimiseProgress progress;
    progress.steps = [&job](long long done, long long total) {
        job.total = total;
        job.done = done;
    };
    progress.figures = [&job](const QString &text) {
        QMutexLocker lock(&job.mutex);
        job.figures = text;
    };
    progress.stopRequested = [&job] {
        return job.stop.load();
    };
    progress.keepOnStop = [&job] {
        return job.keep.load();
    };
    app::OptimiseRequest request;
    request.projectId = projectId;
    app::OptimisationRun run = app::runOptimisation(databasePath, request, progress);
    job.outcome = std::move(run.outcome);
    job.before = std::move(run.before);
    job.after = std::move(run.after);
    job.figuresMissing = std::move(run.figuresMissing);
}

// "总分平均分偏差: 2.10 → 0.35", one line per summary figure.
QStringList comparisonLines(const reports::BalanceReport &before, const reports::BalanceReport &after) {
    const auto earlier = reports::balanceSummary(before);
    const auto later = reports::balanceSummary(after);
    QStringList lines;
    for (std::size_t i = 0; i < earlier.size() && i < later.size(); ++i)
        lines.append(QStringLiteral("%1: %2 → %3")
                         .arg(earlier[i].label, reports::balanceFigureText(earlier[i]),
                              reports::balanceFigureText(later[i])));
    return lines;
}

QTableWidgetItem *cellItem(const QString &text) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

DivisionWindow::DivisionWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frmResult"));
    setWindowTitle(QStringLiteral("分班结果"));
    buildWidgets();
}

DivisionWindow::~DivisionWindow() = default;

void DivisionWindow::buildWidgets() {
    m_studentGrid = new QTableWidget(1, 18, this);
    m_studentGrid->setObjectName(QStringLiteral("sgClassShow"));
    m_studentGrid->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("学号"), QStringLiteral("登分号"), QStringLiteral("姓名"),
         QStringLiteral("性别"), QStringLiteral("数学"), QStringLiteral("英语"), QStringLiteral("语文"),
         QStringLiteral("物理"), QStringLiteral("政治"), QStringLiteral("历史"), QStringLiteral("体育"),
         QStringLiteral("地理"), QStringLiteral("生物"), QStringLiteral("总分"), QStringLiteral("毕业学校"),
         QStringLiteral("地址"), QStringLiteral("班级")});
    m_studentGrid->verticalHeader()->hide();
    m_studentGrid->verticalHeader()->setDefaultSectionSize(24);
    m_studentGrid->setColumnWidth(0, 25);
    const QList<std::pair<int, int>> widths{{1, 80},  {2, 60},   {3, 70},   {4, 40},
                                            {14, 60}, {15, 110}, {16, 110}, {17, 50}};
    for (int column = 5; column <= 13; ++column)
        m_studentGrid->setColumnWidth(column, 48);
    for (const auto &[column, width] : widths)
        m_studentGrid->setColumnWidth(column, width);
    // The class is what a teacher looks for first; as the last of 18 columns it sat beyond the right
    // edge. Only the view moves it: the cells, the export and the tests keep column 17.
    m_studentGrid->horizontalHeader()->moveSection(17, 1);
    m_studentGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_studentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);

    m_startButton = new QPushButton(QStringLiteral("分班"), this);
    m_startButton->setObjectName(QStringLiteral("Button1"));
    m_exportButton = new QPushButton(QStringLiteral("导出到Excel"), this);
    m_exportButton->setObjectName(QStringLiteral("Button2"));
    m_exportButton->hide();
    m_optimiseButton = new QPushButton(QStringLiteral("优化均衡"), this);
    m_optimiseButton->setObjectName(QStringLiteral("btnOptimise"));
    m_stopButton = new QPushButton(QStringLiteral("停止"), this);
    m_stopButton->setObjectName(QStringLiteral("btnStop"));
    m_stopButton->hide();
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("pbRun"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->hide();
    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, &DivisionWindow::drainJob);
    connect(m_startButton, &QPushButton::clicked, this, &DivisionWindow::startDivision);
    connect(m_optimiseButton, &QPushButton::clicked, this, &DivisionWindow::optimise);
    connect(m_stopButton, &QPushButton::clicked, this, &DivisionWindow::stopRun);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_optimiseButton);
    buttons->addWidget(m_progress, 1);
    buttons->addWidget(m_stopButton);
    buttons->addStretch();
    m_balancePanel = new QWidget(this);
    m_balancePanel->setObjectName(QStringLiteral("pnlBalance"));
    m_balanceSummary = new QLabel(m_balancePanel);
    m_balanceSummary->setObjectName(QStringLiteral("lblBalanceSummary"));
    m_balanceSummary->setTextFormat(Qt::RichText);
    m_balanceSummary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_balanceHint =
        new QLabel(QStringLiteral("有指标未达标（红色），本项目分班后不自动优化。"), m_balancePanel);
    m_balanceHint->setObjectName(QStringLiteral("lblBalanceHint"));
    m_balanceHint->setWordWrap(true);
    m_optimiseOffer = new QPushButton(QStringLiteral("优化均衡"), m_balancePanel);
    m_optimiseOffer->setObjectName(QStringLiteral("btnOptimiseOffer"));
    connect(m_optimiseOffer, &QPushButton::clicked, this, &DivisionWindow::optimise);
    auto *panel = new QVBoxLayout(m_balancePanel);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(m_balanceSummary);
    panel->addWidget(m_balanceHint);
    panel->addWidget(m_optimiseOffer);
    panel->addStretch();
    m_balancePanel->hide();
    auto *content = new QHBoxLayout;
    content->addWidget(m_studentGrid, 1);
    content->addWidget(m_balancePanel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(content);
    layout->addLayout(buttons);
    resize(913, 579);
}

void DivisionWindow::startDivision() {
    start({});
}

void DivisionWindow::redivide(const QList<int> &classNumbers) {
    start(classNumbers);
}

void DivisionWindow::start(const QList<int> &classNumbers) {
    if (isRunning()) {
        MessageBox::information(this, busyText);
        return;
    }
    // A morning of hand adjustments is not lost to one click, but the teacher should know.
    const auto adjusted = store::hasHandAdjustments(m_context->database(), m_context->projectId());
    if (adjusted && adjusted.value() &&
        !MessageBox::question(
            this, QStringLiteral("目前的分班有手工调整，%1会改变这些学生的班级(固定的学生除外)。"
                                 "调整后的分班保存在分班历史中，可以恢复。是否继续？")
                      .arg(classNumbers.isEmpty() ? QStringLiteral("分班") : QStringLiteral("重新分班"))))
        return;
    auto job = std::make_shared<DivisionJob>();
    job->classNumbers = classNumbers;
    launch(std::move(job), runDivision);
}

void DivisionWindow::optimise() {
    if (isRunning()) {
        MessageBox::information(this, busyText);
        return;
    }
    auto job = std::make_shared<DivisionJob>();
    job->optimisation = true;
    // Queued rather than emitted, so that it reaches the console the run is about to show.
    job->lines.append(QStringLiteral("开始优化均衡"));
    launch(std::move(job), runOptimisation);
}

void DivisionWindow::launch(
    std::shared_ptr<DivisionJob> job,
    std::function<void(DivisionJob &job, const QString &databasePath, int projectId)> work) {
    emit runStarting();
    m_job = std::move(job);
    m_phase.clear();
    QThread *worker = QThread::create([job = m_job, work = std::move(work), path = m_context->databasePath(),
                                       id = m_context->projectId()] { work(*job, path, id); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, &DivisionWindow::runFinished);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->show();
    m_stopButton->show();
    m_stopButton->setEnabled(true);
    if (std::exchange(m_stopAtStart, false))
        stopRun();
    m_poll->start();
    worker->start();
}

void DivisionWindow::stopRun() {
    if (!m_job || m_job->stop)
        return;
    if (m_job->optimisation) {
        stopOptimisation();
        return;
    }
    m_job->stop = true;
    m_stopButton->setEnabled(false);
}

void DivisionWindow::stopOptimisation() {
    if (!m_job || !m_job->optimisation || m_job->stop)
        return;
    const bool keep = MessageBox::question(this, QStringLiteral("是否保留目前找到的最好分班？"));
    // The run may have ended while the question was open; then there is nothing left to stop.
    if (!m_job)
        return;
    m_job->keep = keep;
    m_job->stop = true;
    m_stopButton->setEnabled(false);
}

void DivisionWindow::drainJob() {
    QStringList lines;
    QString figures;
    {
        QMutexLocker lock(&m_job->mutex);
        lines.swap(m_job->lines);
        figures = m_job->figures;
    }
    for (const QString &line : lines) {
        notePhase(line);
        emit progressLine(line);
    }
    const long long total = m_job->total;
    if (total > 0) {
        const long long done = std::min(m_job->done.load(), total);
        // A search may count more steps than a progress bar can; then it shows thousandths.
        const long long scale = total > std::numeric_limits<int>::max() ? total / 1000 : 1;
        m_progress->setRange(0, static_cast<int>(total / scale));
        m_progress->setValue(static_cast<int>(done / scale));
        // An optimisation is followed by its figures, which say more to a teacher than a step count.
        if (m_phase == optimisingPhase && !figures.isEmpty())
            emit progressStatus(m_phase + QLatin1Char(' ') + figures);
        else if (!m_phase.isEmpty()) {
            const QString unit = m_phase == optimisingPhase ? QStringLiteral("步") : QStringLiteral("次");
            emit progressStatus(QStringLiteral("%1 第%2/%3%4").arg(m_phase).arg(done).arg(total).arg(unit));
        }
    }
}

void DivisionWindow::notePhase(const QString &line) {
    // The engine announces each sex's placement, whose fine-tuning passes follow; the passes are
    // counted over the whole run, so the count goes on across the phases.
    if (line == QStringLiteral("对男的进行分"))
        m_phase = QStringLiteral("男生微调");
    else if (line == QStringLiteral("对女的进行分"))
        m_phase = QStringLiteral("女生微调");
    else if (line == QStringLiteral("开始优化均衡"))
        m_phase = optimisingPhase;
}

void DivisionWindow::runFinished() {
    m_poll->stop();
    drainJob();
    m_progress->hide();
    m_stopButton->hide();
    const std::shared_ptr<DivisionJob> job = std::exchange(m_job, nullptr);
    if (job->optimisation) {
        optimisationFinished(*job);
        emit runEnded();
        return;
    }
    if (job->outcome.kind == store::RunOutcome::Failed) {
        MessageBox::error(this, job->outcome.message);
    } else if (job->outcome.kind == store::RunOutcome::Cancelled && !job->outcome.written) {
        const QString text = QStringLiteral("分班已停止，原有分班没有改变");
        emit progressLine(text);
        MessageBox::information(this, text);
    } else if (job->outcome.kind == store::RunOutcome::Cancelled && !job->outcome.message.isEmpty()) {
        MessageBox::information(this, job->outcome.message);
    }
    if (job->outcome.kind == store::RunOutcome::Done || job->outcome.written)
        showGrid(job->classNumbers);
    // Left in class 0 by design, they would otherwise go unnoticed until a class list lacks them.
    if ((job->outcome.kind == store::RunOutcome::Done || job->outcome.written) &&
        !job->outcome.withoutSex.isEmpty()) {
        emit progressLine(store::withoutSexText(job->outcome.withoutSex));
        MessageBox::information(this, store::withoutSexText(job->outcome.withoutSex, shownInMessage));
    }
    if (job->outcome.kind == store::RunOutcome::Done) {
        for (const QString &line : job->outcome.summary)
            emit progressLine(line);
        showBalance(job->outcome.summary);
    }
    emit runEnded();
}

void DivisionWindow::optimisationFinished(const DivisionJob &job) {
    if (job.outcome.kind == store::RunOutcome::Failed) {
        emit progressLine(job.outcome.message);
        if (job.outcome.written)
            showGrid({});
        MessageBox::error(this, job.outcome.message);
        return;
    }
    if (job.outcome.kind == store::RunOutcome::Cancelled) {
        const QString text = QStringLiteral("优化均衡已停止，分班没有改变");
        emit progressLine(text);
        MessageBox::information(this, text);
        return;
    }
    const QString heading = job.stop && job.keep ? QStringLiteral("优化均衡已停止，保留了目前找到的最好分班")
                                                 : QStringLiteral("优化均衡完成");
    QStringList lines{heading};
    if (job.before && job.after) {
        lines += comparisonLines(*job.before, *job.after);
        // The search keeps what it was asked to balance; a figure it let grow is named, not hidden.
        if (const QString worse = reports::worseFiguresLine(*job.before, *job.after); !worse.isEmpty())
            lines.append(worse);
    } else if (!job.figuresMissing.isEmpty())
        lines.append(job.figuresMissing);
    for (const QString &line : lines)
        emit progressLine(line);
    showGrid({});
    if (job.after) {
        QStringList balance{QStringLiteral("均衡情况:")};
        balance += app::balanceLines(reports::balanceSummary(*job.after));
        showBalance(balance);
    }
    MessageBox::information(this, lines.join(u'\n'));
}

void DivisionWindow::showBalance(const QStringList &lines) {
    if (lines.isEmpty())
        return;
    const QString poorMark = QStringLiteral(" (未达标)");
    QStringList html;
    for (const QString &line : lines) {
        const QString text = line.trimmed().toHtmlEscaped();
        html.append(line.contains(poorMark)
                        ? QStringLiteral("<span style=\"color:#c00000\">%1</span>").arg(text)
                        : text);
    }
    m_balanceSummary->setText(html.join(QStringLiteral("<br>")));
    // The offer reads the project as it now is, whatever the lines were about.
    bool poor = false;
    if (const auto report = reports::loadBalanceReport(m_context->database(), m_context->projectId())) {
        for (const reports::BalanceFigure &figure : reports::balanceSummary(report.value()))
            poor = poor || figure.grade == reports::BalanceFigure::Poor;
    }
    const auto settings = store::OptimiseSettingsStore(m_context->database()).read(m_context->projectId());
    const bool offer = poor && settings && !settings->afterDivision;
    m_balanceHint->setVisible(offer);
    m_optimiseOffer->setVisible(offer);
    m_balancePanel->show();
}

void DivisionWindow::showGrid(const QList<int> &onlyClasses) {
    const auto students = store::StudentStore(m_context->database()).byClass(m_context->projectId());
    if (!students) {
        MessageBox::error(this, students.error());
        return;
    }
    QList<store::StudentRecord> shown;
    for (const store::StudentRecord &student : students.value()) {
        if (onlyClasses.isEmpty() || onlyClasses.contains(student.classId))
            shown.append(student);
    }
    // A table without rows leaves the grid as it was.
    if (shown.isEmpty())
        return;
    m_studentGrid->setUpdatesEnabled(false);
    m_studentGrid->clearContents();
    m_studentGrid->setRowCount(static_cast<int>(shown.size()));
    for (int r = 0; r < shown.size(); ++r) {
        const store::StudentRecord &student = shown[r];
        QStringList cells{QString::number(r + 1), QString::number(student.studentId), student.recId,
                          student.name, student.sex};
        for (const auto &score : student.scores)
            cells.append(score ? exchange::numberText(*score) : QString());
        cells << exchange::numberText(student.total()) << student.oralSchool << student.addr
              << QString::number(student.classId) + QStringLiteral("班");
        for (int c = 0; c < cells.size(); ++c)
            m_studentGrid->setItem(r, c, cellItem(cells[c]));
    }
    fitColumnsToContent(m_studentGrid, 1);
    m_studentGrid->setUpdatesEnabled(true);
}

void DivisionWindow::closeEvent(QCloseEvent *event) {
    if (isRunning()) {
        MessageBox::information(this, busyText);
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace fenban::gui
