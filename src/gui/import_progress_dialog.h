#pragma once

#include "exchange/import_rows.h"

#include <QDialog>

#include <memory>

class QProgressBar;
class QPushButton;
class QTimer;

namespace fenban::gui {

struct ImportJob;

// The import progress window: checks the rows and replaces the project's students with them in the
// background, all or nothing, showing progress and taking a cancel.
class ImportProgressDialog : public QDialog {
    Q_OBJECT

public:
    ImportProgressDialog(QString databasePath, int projectId, QList<exchange::ImportRow> rows,
                         QWidget *parent);
    ~ImportProgressDialog() override;

    bool isWriting() const { return m_writing; }

signals:
    // The write is over; `cancelled` tells whether it was given up (so it may be started again).
    void writeEnded(bool cancelled);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void startWriting();
    void cancel();
    void showProgress();
    void writeFinished();

    QString m_databasePath;
    int m_projectId;
    QList<exchange::ImportRow> m_rows;
    std::shared_ptr<ImportJob> m_job;
    bool m_started = false;
    bool m_writing = false;

    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QTimer *m_startTimer = nullptr;
    QTimer *m_progressTimer = nullptr;
};

} // namespace fenban::gui
