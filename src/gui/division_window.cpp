#include "gui/division_window.h"

#include "app/division_service.h"
#include "exchange/sheets/sheet.h"
#include "gui/console_window.h"
#include "gui/message_box.h"
#include "gui/project_context.h"
#include "store/database.h"
#include "store/division_runner.h"
#include "store/students.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMutex>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>

namespace fenban::gui {

// Shared by the window and the worker thread. Lines and progress cross over under the mutex or as
// atomics; the outcome is read only after the worker has finished.
struct DivisionJob {
    QList<int> classNumbers; // empty for a whole division
    QMutex mutex;
    QStringList lines;
    std::atomic<long> done{0};
    std::atomic<long> total{0};
    store::RunOutcome outcome;
};

namespace {

const QString busyText = QStringLiteral("正在分班，请稍候");
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
    job.outcome = app::runDivision(databasePath, {projectId, job.classNumbers}, progress);
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
    m_studentGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_studentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);

    m_startButton = new QPushButton(QStringLiteral("分班"), this);
    m_startButton->setObjectName(QStringLiteral("Button1"));
    m_exportButton = new QPushButton(QStringLiteral("导出到Excel"), this);
    m_exportButton->setObjectName(QStringLiteral("Button2"));
    m_exportButton->hide();
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("pbRun"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->hide();
    m_poll = new QTimer(this);
    m_poll->setInterval(50);
    connect(m_poll, &QTimer::timeout, this, &DivisionWindow::drainJob);
    connect(m_startButton, &QPushButton::clicked, this, &DivisionWindow::startDivision);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_progress, 1);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_studentGrid);
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
    emit runStarting();
    m_job = std::make_shared<DivisionJob>();
    m_job->classNumbers = classNumbers;
    QThread *worker = QThread::create([job = m_job, path = m_context->databasePath(),
                                       id = m_context->projectId()] { runDivision(*job, path, id); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, &DivisionWindow::runFinished);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->show();
    m_poll->start();
    worker->start();
}

void DivisionWindow::drainJob() {
    QStringList lines;
    {
        QMutexLocker lock(&m_job->mutex);
        lines.swap(m_job->lines);
    }
    for (const QString &line : lines)
        emit progressLine(line);
    const long total = m_job->total;
    if (total > 0) {
        m_progress->setRange(0, static_cast<int>(total));
        m_progress->setValue(static_cast<int>(m_job->done.load()));
    }
}

void DivisionWindow::runFinished() {
    m_poll->stop();
    drainJob();
    m_progress->hide();
    const std::shared_ptr<DivisionJob> job = std::exchange(m_job, nullptr);
    if (job->outcome.kind == store::RunOutcome::Failed)
        MessageBox::error(this, job->outcome.message);
    else if (job->outcome.kind == store::RunOutcome::Done)
        showGrid(job->classNumbers);
    // Left in class 0 by design, they would otherwise go unnoticed until a class list lacks them.
    if (job->outcome.kind == store::RunOutcome::Done && !job->outcome.withoutSex.isEmpty()) {
        emit progressLine(store::withoutSexText(job->outcome.withoutSex));
        MessageBox::information(this, store::withoutSexText(job->outcome.withoutSex, shownInMessage));
    }
    emit runEnded();
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
