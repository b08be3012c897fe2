#include "app/division_service.h"

#include "engine/chosen_classes.h"
#include "engine/division.h"
#include "reports/balance.h"
#include "reports/history_summary.h"
#include "store/database.h"
#include "store/optimise_settings.h"
#include "store/projects.h"
#include "store/student_groups.h"

#include <algorithm>
#include <array>

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

// The search after a division takes a second of its budget per this many students, up to the
// project's budget: a class list of forty is even long before ten seconds are up, and a teacher
// should not wait for it.
constexpr double studentsPerBudgetSecond = 300.0;
constexpr double leastBudgetSeconds = 0.01;

double budgetFor(double students, double projectSeconds) {
    return std::min(projectSeconds, std::max(leastBudgetSeconds, students / studentsPerBudgetSecond));
}

// An optimisation within a division run reports its steps as the run's passes and its figures as text.
OptimiseObserver optimiseObserver(const DivisionProgress &progress) {
    OptimiseObserver observer;
    if (progress.passes) {
        observer.progress = [&progress](long long done, long long total) {
            progress.passes(static_cast<long>(done), static_cast<long>(total));
        };
    }
    if (progress.figures) {
        observer.figures = [&progress](const OptimiseFigures &start, const OptimiseFigures &best) {
            progress.figures(reports::optimiseProgressText(start, best));
        };
    }
    observer.stopRequested = progress.cancelled;
    return observer;
}

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
    const OptimiseObserver observer = optimiseObserver(progress);
    const auto before = reports::loadBalanceReport(db, projectId);
    const double seconds = before ? budgetFor(before->students, settings->seconds) : settings->seconds;
    store::RunOutcome optimised = runner.optimise(projectId, seconds, 1, observer);
    switch (optimised.kind) {
    case store::RunOutcome::Done:
        line(QStringLiteral("优化均衡完成"));
        // Never a silent "完成" over a figure the optimisation made worse.
        if (const auto after = reports::loadBalanceReport(db, projectId); before && after) {
            if (const QString worse = reports::worseFiguresLine(before.value(), after.value());
                !worse.isEmpty())
                optimised.summary.append(worse);
        }
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

// A figure's value nudged this little above its earlier value is rounding, not a worse class.
constexpr double figureTolerance = 1e-9;

// The figures of the chosen classes, measured against the whole cohort.
std::vector<reports::BalanceFigure> chosenFigures(const std::vector<StudentRow> &rows, int classCount,
                                                  const std::vector<int> &chosen) {
    return reports::balanceSummary(reports::balanceReport(rows, classCount, chosen));
}

bool noWorse(const std::vector<reports::BalanceFigure> &after,
             const std::vector<reports::BalanceFigure> &before) {
    for (std::size_t i = 0; i < after.size() && i < before.size(); ++i) {
        if (after[i].value > before[i].value + figureTolerance)
            return false;
    }
    return true;
}

// The chosen classes' figures before and after a re-division, one line each, the changed ones only
// (all of them when nothing changed).
QStringList chosenComparison(const std::vector<reports::BalanceFigure> &before,
                             const std::vector<reports::BalanceFigure> &after) {
    QStringList changed;
    QStringList all;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        const QString line = QStringLiteral("  %1: %2 → %3")
                                 .arg(before[i].label, reports::balanceFigureText(before[i]),
                                      reports::balanceFigureText(after[i]));
        all.append(line);
        if (reports::balanceFigureText(before[i]) != reports::balanceFigureText(after[i]))
            changed.append(line);
    }
    return changed.isEmpty() ? all : changed;
}

// Re-divides the chosen classes; with optimisation after division on, the optimiser then evens them out
// among themselves, and the classes end no worse on any figure than before: when neither the
// re-divided nor the original classes can be evened out without some figure growing, the chosen
// classes stay as they were.
store::RunOutcome redivideChosen(QSqlDatabase db, store::DivisionRunner &runner,
                                 const DivisionRequest &request, const DivisionObserver &observer,
                                 const DivisionProgress &progress) {
    const auto settings = store::OptimiseSettingsStore(db).read(request.projectId);
    if (!settings)
        return {store::RunOutcome::Failed, settings.error()};
    const auto groups = store::engineGroups(db, request.projectId);
    if (!groups)
        return {store::RunOutcome::Failed, groups.error()};
    const std::vector<int> chosen(request.classNumbers.begin(), request.classNumbers.end());
    const auto line = [&progress](const QString &text) {
        if (progress.line)
            progress.line(text);
    };
    QStringList summary;
    const auto afterward = [&](const std::vector<StudentRow> &before, std::vector<StudentRow> &after,
                               int classCount,
                               const DivisionSettings &divisionSettings) -> std::optional<store::RunOutcome> {
        const auto start = chosenFigures(before, classCount, chosen);
        if (settings->afterDivision) {
            OptimiseOptions options = optimiseOptions(divisionSettings);
            options.subjects = settings->subjects;
            options.groups = groups.value();
            options.seed = 1;
            // The budget goes with the students that take part.
            const auto taking = std::count_if(before.begin(), before.end(), [&](const StudentRow &row) {
                return std::find(chosen.begin(), chosen.end(), row.classId) != chosen.end();
            });
            options.seconds = budgetFor(double(taking), settings->seconds);
            const OptimiseObserver searchObserver = optimiseObserver(progress);
            line(QStringLiteral("开始优化均衡"));
            bool placed = false;
            for (const std::vector<StudentRow> *from :
                 std::array<const std::vector<StudentRow> *, 2>{&after, &before}) {
                std::vector<StudentRow> candidate = *from;
                const OptimiseResult result =
                    optimiseChosenClasses(candidate, chosen, options, searchObserver);
                if (result.outcome == OptimiseOutcome::Stopped)
                    return store::RunOutcome{store::RunOutcome::Cancelled, {}};
                if (result.outcome == OptimiseOutcome::Refused)
                    return store::RunOutcome{store::RunOutcome::Failed,
                                             QString::fromStdString(result.message)};
                if (noWorse(chosenFigures(candidate, classCount, chosen), start)) {
                    after = std::move(candidate);
                    placed = true;
                    break;
                }
            }
            if (!placed) {
                after = before;
                summary.append(QStringLiteral("所选班级已经无法更均衡，保持原样"));
            }
            line(QStringLiteral("优化均衡完成"));
        }
        summary.prepend(QStringLiteral("所选班级重新分班前后:"));
        summary += chosenComparison(start, chosenFigures(after, classCount, chosen));
        return std::nullopt;
    };
    store::RunOutcome outcome = runner.redivide(request.projectId, request.classNumbers, observer, afterward);
    if (outcome.kind == store::RunOutcome::Done)
        outcome.summary = summary;
    return outcome;
}

} // namespace

QStringList balanceLines(const std::vector<reports::BalanceFigure> &figures) {
    QStringList lines;
    for (const reports::BalanceFigure &figure : figures) {
        QString line = QStringLiteral("  %1: %2").arg(figure.label, reports::balanceFigureText(figure));
        if (figure.grade == reports::BalanceFigure::Poor)
            line += QStringLiteral(" (未达标)");
        lines.append(line);
    }
    return lines;
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
    store::DivisionRunner runner(db, *engine);
    runner.useSnapshotSummary(reports::historySummary);
    if (!request.classNumbers.isEmpty())
        return redivideChosen(db, runner, request, observer, progress);
    const store::RunOutcome divided = runner.divide(request.projectId, observer);
    if (divided.kind != store::RunOutcome::Done)
        return divided;
    store::RunOutcome outcome = optimiseAfterDivision(db, runner, request.projectId, divided, progress);
    if (outcome.kind != store::RunOutcome::Done)
        return outcome;
    // The classes are saved whatever the figures: a figure that cannot be read is only not shown.
    if (const auto report = reports::loadBalanceReport(db, request.projectId)) {
        QStringList lines{QStringLiteral("均衡情况:")};
        lines += balanceLines(reports::balanceSummary(report.value()));
        outcome.summary = lines + outcome.summary;
    }
    return outcome;
}

store::RunOutcome runDivision(const QString &databasePath, const DivisionRequest &request,
                              const DivisionProgress &progress) {
    const auto database = store::Database::open(databasePath);
    if (!database)
        return {store::RunOutcome::Failed, database.error()};
    return runDivision(database.value()->connection(), request, progress);
}

} // namespace fenban::app
