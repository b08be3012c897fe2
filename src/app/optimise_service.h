#pragma once

#include "reports/balance.h"
#include "store/division_runner.h"

#include <QSqlDatabase>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace fenban::app {

// What an optimisation is asked to do.
struct OptimiseRequest {
    int projectId = 0;
    // The search's budget; empty: the project's optimiser settings. A front end bounds what a teacher
    // types with store::checkOptimiseSeconds.
    std::optional<double> seconds;
    std::uint64_t seed = 1; // the same seed on the same students gives the same classes
};

// How a front end follows an optimisation. Every member may be left empty; all are called on the
// thread that runs it.
struct OptimiseProgress {
    // Search steps done out of all it may take.
    std::function<void(long long done, long long total)> steps;
    // Now and then: how the balance stands, as reports::optimiseProgressText puts it.
    std::function<void(const QString &text)> figures;
    // Asked now and then; answering true stops the search.
    std::function<bool()> stopRequested;
    // Asked once when the search was stopped: true writes the best classes found so far, false (or
    // no answer) changes nothing.
    std::function<bool()> keepOnStop;
};

// How an optimisation ended, with the balance of the project's classes around it.
struct OptimisationRun {
    store::RunOutcome outcome;
    std::optional<reports::BalanceReport> before; // measured before the search, once the run got that far
    std::optional<reports::BalanceReport> after;  // for Done: measured from what was written
    // For Done without `after`: the classes are saved, only their figures could not be read; what to
    // tell the teacher.
    QString figuresMissing;
};

// Optimises the project on `db` with its settings' ticks, the request's (or the project's) budget and
// the request's seed; see store::DivisionRunner::optimise.
OptimisationRun runOptimisation(QSqlDatabase db, const OptimiseRequest &request,
                                const OptimiseProgress &progress = {});

// The same on a connection of its own to the file at `databasePath`, for a worker thread.
OptimisationRun runOptimisation(const QString &databasePath, const OptimiseRequest &request,
                                const OptimiseProgress &progress = {});

} // namespace fenban::app
