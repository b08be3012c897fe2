#include "app/optimise_service.h"

#include "reports/history_summary.h"
#include "store/database.h"
#include "store/optimise_settings.h"
#include "store/projects.h"

namespace fenban::app {

namespace {

store::RunOutcome failed(const QString &message) {
    return {store::RunOutcome::Failed, message};
}

} // namespace

OptimisationRun runOptimisation(QSqlDatabase db, const OptimiseRequest &request,
                                const OptimiseProgress &progress) {
    OptimisationRun run;
    const auto project = store::ProjectStore(db).find(request.projectId);
    if (!project || !project.value()) {
        run.outcome = failed(project ? QStringLiteral("不存在编号为%1的分班项目").arg(request.projectId)
                                     : project.error());
        return run;
    }
    double seconds = 0;
    if (request.seconds) {
        seconds = *request.seconds;
    } else {
        const auto settings = store::OptimiseSettingsStore(db).read(request.projectId);
        if (!settings) {
            run.outcome = failed(settings.error());
            return run;
        }
        // Stored by hand or by another version, perhaps: bounded like a typed value.
        if (const auto checked = store::checkOptimiseSeconds(settings->seconds); !checked) {
            run.outcome = failed(checked.error());
            return run;
        }
        seconds = settings->seconds;
    }
    auto before = reports::loadBalanceReport(db, request.projectId);
    if (!before) {
        run.outcome = failed(before.error());
        return run;
    }
    run.before = std::move(before.value());

    OptimiseObserver observer;
    observer.progress = progress.steps;
    if (progress.figures) {
        observer.figures = [&progress](const OptimiseFigures &start, const OptimiseFigures &best) {
            progress.figures(reports::optimiseProgressText(start, best));
        };
    }
    observer.stopRequested = progress.stopRequested;
    const auto engine = makeFastEngine();
    store::DivisionRunner runner(db, *engine);
    runner.useSnapshotSummary(reports::historySummary);
    run.outcome = runner.optimise(request.projectId, seconds, request.seed, observer, progress.keepOnStop);
    if (run.outcome.kind != store::RunOutcome::Done)
        return run;
    auto after = reports::loadBalanceReport(db, request.projectId);
    if (!after) {
        // The new classes are committed, so the run is done; only their figures are missing. The
        // reason is left out: a lost connection's text says that the change in progress was not saved,
        // which is not so of these classes.
        run.figuresMissing = QStringLiteral("优化结果已保存，只是无法读取优化后的均衡度");
        return run;
    }
    run.after = std::move(after.value());
    return run;
}

OptimisationRun runOptimisation(const QString &databasePath, const OptimiseRequest &request,
                                const OptimiseProgress &progress) {
    const auto database = store::Database::open(databasePath);
    if (!database)
        return {failed(database.error()), {}, {}, {}};
    return runOptimisation(database.value()->connection(), request, progress);
}

} // namespace fenban::app
