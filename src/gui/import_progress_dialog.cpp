#include "gui/import_progress_dialog.h"

#include "app/import_service.h"
#include "exchange/student_import.h"
#include "gui/message_box.h"
#include "store/database.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>

namespace fenban::gui {

// Shared by the window and the worker thread; the worker writes `result` before it finishes, and the
// window reads it only after.
struct ImportJob {
    std::atomic<qsizetype> written{0};
    std::atomic<bool> cancel{false};
    app::ImportOutcome result;
};

namespace {

const QString rowFailedText = QStringLiteral("插入数据库过程第%1行出错,学生不考的科目请设置为0分");

} // namespace

ImportProgressDialog::ImportProgressDialog(QString databasePath, int projectId,
                                           QList<exchange::ImportRow> rows, QWidget *parent)
    : QDialog(parent), m_databasePath(std::move(databasePath)), m_projectId(projectId),
      m_rows(std::move(rows)), m_job(std::make_shared<ImportJob>()) {
    setObjectName(QStringLiteral("frm_pb"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("正在导入……"));
    setModal(true);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("pb"));
    m_progressBar->setRange(0, static_cast<int>(m_rows.size()));
    m_progressBar->setValue(0);
    m_cancelButton = new QPushButton(QStringLiteral("取消"), this);
    m_cancelButton->setObjectName(QStringLiteral("bntCancel"));
    // Writing starts half a second after the window is shown, once it has surely been drawn.
    m_startTimer = new QTimer(this);
    m_startTimer->setObjectName(QStringLiteral("tmQX"));
    m_startTimer->setSingleShot(true);
    m_startTimer->setInterval(500);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(50);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_cancelButton, 0, Qt::AlignHCenter);
    setMinimumWidth(360);

    connect(m_cancelButton, &QPushButton::clicked, this, &ImportProgressDialog::cancel);
    connect(m_startTimer, &QTimer::timeout, this, &ImportProgressDialog::startWriting);
    connect(m_progressTimer, &QTimer::timeout, this, &ImportProgressDialog::showProgress);
}

ImportProgressDialog::~ImportProgressDialog() = default;

void ImportProgressDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_startTimer->start();
    }
}

void ImportProgressDialog::startWriting() {
    m_writing = true;
    QThread *worker = QThread::create([job = m_job, path = m_databasePath, id = m_projectId, rows = m_rows] {
        job->result = app::importRows(path, id, rows, [job](qsizetype written) {
            job->written = written;
            return !job->cancel;
        });
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, &ImportProgressDialog::writeFinished);
    m_progressTimer->start();
    worker->start();
}

void ImportProgressDialog::showProgress() {
    m_progressBar->setValue(static_cast<int>(m_job->written.load()));
}

void ImportProgressDialog::cancel() {
    m_job->cancel = true;
}

void ImportProgressDialog::writeFinished() {
    m_progressTimer->stop();
    showProgress();
    m_writing = false;
    const store::ReplaceOutcome &outcome = m_job->result.write;
    if (m_job->result.problem) {
        MessageBox::error(this, m_job->result.problem->message());
        emit writeEnded(false);
    } else if (outcome.kind == store::ReplaceOutcome::Cancelled) {
        emit writeEnded(true);
    } else if (outcome.kind == store::ReplaceOutcome::Failed) {
        const bool onRow = outcome.failedIndex >= 0 && outcome.failedIndex < m_rows.size();
        MessageBox::error(this, onRow ? rowFailedText.arg(m_rows[outcome.failedIndex].sheetRow) +
                                            QLatin1Char('\n') + outcome.error
                                      : outcome.error);
        emit writeEnded(false);
    } else {
        emit writeEnded(false);
        MessageBox::information(this, QStringLiteral("导入成功"));
    }
    close();
}

// Closing by the frame or Escape while rows are written counts as "取消": the window waits for the
// worker to give up and closes then.
void ImportProgressDialog::closeEvent(QCloseEvent *event) {
    if (m_writing) {
        cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ImportProgressDialog::reject() {
    if (m_writing) {
        cancel();
        return;
    }
    QDialog::reject();
}

} // namespace fenban::gui
