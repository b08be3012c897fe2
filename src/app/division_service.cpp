#include "app/division_service.h"

#include "engine/division.h"
#include "store/database.h"
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
    store::DivisionRunner runner(std::move(db), *engine);
    return request.classNumbers.isEmpty()
               ? runner.divide(request.projectId, observer)
               : runner.redivide(request.projectId, request.classNumbers, observer);
}

store::RunOutcome runDivision(const QString &databasePath, const DivisionRequest &request,
                              const DivisionProgress &progress) {
    const auto database = store::Database::open(databasePath);
    if (!database)
        return {store::RunOutcome::Failed, database.error()};
    return runDivision(database.value()->connection(), request, progress);
}

} // namespace fenban::app
