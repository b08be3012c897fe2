#pragma once

#include "reports/balance.h"
#include "store/division_runner.h"
#include "store/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace fenban::app {

// What a division or re-division is asked to do.
struct DivisionRequest {
    int projectId = 0;
    QList<int> classNumbers; // class numbers (class_id values) to divide again; empty for a whole division
};

// How a front end follows a run. Every member may be left empty; all are called on the thread
// that runs the division.
struct DivisionProgress {
    std::function<void(const QString &line)> line;
    // Fine-tuning passes done out of all the run will make.
    std::function<void(long done, long total)> passes;
    // During an optimisation after the division, now and then: how the balance stands, as
    // reports::optimiseProgressText puts it.
    std::function<void(const QString &text)> figures;
    // Asked between passes; answering true stops the run, which then leaves the classes as they were
    // (during a following optimisation: as the division left them).
    std::function<bool()> cancelled;
};

// Refuses a class number outside 1..the project's class count, naming it as it was given, or a
// project that does not exist; checked before the run so a command can answer before any work.
store::Status checkDivisionRequest(QSqlDatabase db, const DivisionRequest &request);

// The summary figures one per line ("  单科平均分最大偏差: 0.35"), those a teacher should look at marked
// " (未达标)".
QStringList balanceLines(const std::vector<reports::BalanceFigure> &figures);

// Divides (or re-divides) the project on `db`, with the engine the program uses. A whole division is
// followed by optimisation when the project's optimiser settings ask for it (console lines "开始优化均衡"
// and "优化均衡完成", its steps through `passes`); the division is written first and kept when the
// optimisation is stopped (Cancelled) or fails (Failed, the message says the division was saved).
// With that setting on, a re-division is followed by optimisation of the chosen classes among
// themselves, and the chosen classes end no worse on any balance figure than before (else they stay
// as they were). Done carries the balance in `summary`: the project's figures after a division, the
// chosen classes' before and after a re-division.
store::RunOutcome runDivision(QSqlDatabase db, const DivisionRequest &request,
                              const DivisionProgress &progress = {});

// The same on a connection of its own to the file at `databasePath`, for a worker thread: Qt
// connections belong to the thread that made them. A file that cannot be opened fails the run with
// the reason.
store::RunOutcome runDivision(const QString &databasePath, const DivisionRequest &request,
                              const DivisionProgress &progress = {});

} // namespace fenban::app
