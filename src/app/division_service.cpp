#include "app/division_service.h"

#include "engine/division.h"
#include "reports/history_summary.h"
#include "store/database.h"
#include "store/optimise_settings.h"
#include "store/projects.h"

namespace fenban::app {

store::Status checkDivisionRequest(QSqlDatabase db, const DivisionRequest &request) {
    const auto project = store::ProjectStore(std::move(db)).find(request.projectId);
    if (!project)
        return store::Status::failure(project.error());
    if (!project.value())
        return store::Status::failure(QStringLiteral("不存在编号为%1的分班项目").arg(request.projectId));
    const int classes = project.value()->classes;
    for (const int number : request.classNumbers) {
        if (number < 1 || number > classes)
            return store::Status::failure(
                QStringLiteral("班级号必须在1到%1之间: %2").arg(classes).arg(number));
    }
    return store::Status::success();
}

namespace {

// A whole division is followed by optimisation when the project's settings ask for it, with their
// budget and seed 1, so the same students always end in the same classes. The division is written
// first and stays whatever becomes of the optimisation.
store::RunOutcome optimiseAfterDivision(QSqlDatabase db, store::DivisionRunner &runner, int projectId,
                                        const store::RunOutcome &divided, const DivisionProgress &progress) {
    const auto settings = store::OptimiseSettingsStore(std::move(db)).read(projectId);
    if (!settings)
        return {store::RunOutcome::Failed,
                QStringLiteral("分班已完成，但读不到优化设置: %1").arg(settings.error()), divided.withoutSex,
                true};
    if (!settings->afterDivision)
        return divided;
    if (const auto checked = store::checkOptimiseSeconds(settings->seconds); !checked)
        return {store::RunOutcome::Failed,
                QStringLiteral("分班已完成，但优化均衡失败: %1").arg(checked.error()), divided.withoutSex,
                true};
    const auto line = [&progress](const QString &text) {
        if (progress.line)
            progress.line(text);
    };
    line(QStringLiteral("开始优化均衡"));
    OptimiseObserver observer;
    if (progress.passes) {
        observer.progress = [&progress](long long done, long long total) {
            progress.passes(static_cast<long>(done), static_cast<long>(total));
        };
    }
    observer.stopRequested = progress.cancelled;
    const store::RunOutcome optimised = runner.optimise(projectId, settings->seconds, 1, observer);
    switch (optimised.kind) {
    case store::RunOutcome::Done:
        line(QStringLiteral("优化均衡完成"));
        return optimised;
    case store::RunOutcome::Cancelled:
        return {store::RunOutcome::Cancelled, QStringLiteral("已停止优化均衡，分班结果已保存"),
                divided.withoutSex, true};
    case store::RunOutcome::Failed:
        break;
    }
    return {store::RunOutcome::Failed,
            QStringLiteral("分班已完成，但优化均衡失败: %1").arg(optimised.message), divided.withoutSex,
            true};
}

} // namespace

store::RunOutcome runDivision(QSqlDatabase db, const DivisionRequest &request,
                              const DivisionProgress &progress) {
    DivisionObserver observer;
    if (progress.line) {
        observer.message = [&progress](const std::string &line) {
            progress.line(QString::fromStdString(line));
        };
    }
    observer.progress = progress.passes;
    observer.cancelled = progress.cancelled;
    const auto engine = makeFastEngine();
    store::DivisionRunner runner(db, *engine);
    runner.useSnapshotSummary(reports::historySummary);
    if (!request.classNumbers.isEmpty())
        return runner.redivide(request.projectId, request.classNumbers, observer);
    const store::RunOutcome divided = runner.divide(request.projectId, observer);
    if (divided.kind != store::RunOutcome::Done)
        return divided;
    return optimiseAfterDivision(db, runner, request.projectId, divided, progress);
}

store::RunOutcome runDivision(const QString &databasePath, const DivisionRequest &request,
                              const DivisionProgress &progress) {
    const auto database = store::Database::open(databasePath);
    if (!database)
        return {store::RunOutcome::Failed, database.error()};
    return runDivision(database.value()->connection(), request, progress);
}

} // namespace fenban::app
