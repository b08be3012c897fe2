#include "cli/division_commands.h"

#include "app/optimise_service.h"
#include "cli/cli.h"
#include "cli/interrupt.h"
#include "store/optimise_settings.h"

#include <algorithm>

namespace fenban::cli {

int optimiseCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto secondsText = context.args.takeOption(QStringLiteral("seconds"));
    const auto seedText = context.args.takeOption(QStringLiteral("seed"));
    if (context.usageFailed())
        return UsageError;

    app::OptimiseRequest request{*id, std::nullopt, 1};
    if (secondsText) {
        bool isNumber = false;
        const double seconds = secondsText->trimmed().toDouble(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("--seconds 的取值必须是数字: %1").arg(*secondsText) << Qt::endl;
            return UsageError;
        }
        if (const auto checked = store::checkOptimiseSeconds(seconds); !checked) {
            context.err << checked.error() << QStringLiteral(": ") << *secondsText << Qt::endl;
            return UsageError;
        }
        request.seconds = seconds;
    }
    if (seedText) {
        const QString digits = seedText->trimmed();
        // Plain digits only: toULongLong alone would also take "+5".
        const bool plain = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
        bool fits = false;
        const qulonglong seed = plain ? digits.toULongLong(&fits) : 0;
        if (!fits) {
            context.err << QStringLiteral("--seed 的取值必须是非负整数: %1").arg(*seedText) << Qt::endl;
            return UsageError;
        }
        request.seed = seed;
    }

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const InterruptWatch interrupt;
    app::OptimiseProgress progress;
    // Without a window to ask in, Ctrl+C keeps nothing: the teacher gets the classes as they were.
    progress.stopRequested = [&interrupt] {
        return interrupt.requested();
    };
    const app::OptimisationRun run = app::runOptimisation(database->connection(), request, progress);
    if (run.outcome.kind == store::RunOutcome::Cancelled) {
        context.err << QStringLiteral("优化均衡已停止，分班没有改变") << Qt::endl;
        return Interrupted;
    }
    if (run.outcome.kind != store::RunOutcome::Done) {
        context.err << run.outcome.message << Qt::endl;
        return Failure;
    }
    // The classes are saved; a script must not take the missing figures for a failed optimisation.
    if (!run.before || !run.after) {
        context.err << run.figuresMissing << Qt::endl;
        return Success;
    }
    const auto before = reports::balanceSummary(*run.before);
    const auto after = reports::balanceSummary(*run.after);
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        context.out << QString::fromStdString(before[i].name) << QLatin1Char(' ')
                    << reports::balanceFigureText(before[i]) << QLatin1Char(' ')
                    << reports::balanceFigureText(after[i]) << '\n';
    }
    context.out.flush();
    return Success;
}

} // namespace fenban::cli
