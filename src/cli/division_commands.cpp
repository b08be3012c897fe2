#include "cli/division_commands.h"

#include "app/division_service.h"
#include "cli/cli.h"
#include "cli/interrupt.h"

namespace fenban::cli {

namespace {

// Runs a division or re-division and prints its console lines as they come.
int runAndReport(Context &context, const app::DivisionRequest &request) {
    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, request.projectId))
        return Failure;
    // Checked here as well as in the run so that the message names the number as it was typed.
    if (const auto checked = app::checkDivisionRequest(database->connection(), request); !checked) {
        context.err << checked.error() << Qt::endl;
        return Failure;
    }
    app::DivisionProgress progress;
    progress.line = [&context](const QString &line) {
        context.out << line << Qt::endl;
    };
    const InterruptWatch interrupt;
    progress.cancelled = [&interrupt] {
        return interrupt.requested();
    };
    const store::RunOutcome outcome = app::runDivision(database->connection(), request, progress);
    if (outcome.kind == store::RunOutcome::Cancelled) {
        // Stopped during a following optimisation, the division itself was written; the message says so.
        context.err << (outcome.written ? outcome.message : QStringLiteral("分班已停止，原有分班没有改变"))
                    << Qt::endl;
        return Interrupted;
    }
    if (outcome.kind != store::RunOutcome::Done) {
        context.err << outcome.message << Qt::endl;
        return Failure;
    }
    if (!outcome.withoutSex.isEmpty())
        context.out << store::withoutSexText(outcome.withoutSex) << Qt::endl;
    for (const QString &line : outcome.summary)
        context.out << line << Qt::endl;
    return Success;
}

} // namespace

int divideCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id || context.usageFailed())
        return UsageError;
    return runAndReport(context, {*id, {}});
}

int redivideCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    QList<int> classNumbers;
    while (const auto word = context.args.takePositional()) {
        bool isNumber = false;
        const int number = word->toInt(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("班级编号必须是整数: %1").arg(*word) << Qt::endl;
            return UsageError;
        }
        classNumbers.append(number);
    }
    if (context.usageFailed())
        return UsageError;
    if (classNumbers.isEmpty()) {
        context.err << QStringLiteral("请选择要重新分班的班级") << Qt::endl;
        return Failure;
    }
    return runAndReport(context, {*id, classNumbers});
}

} // namespace fenban::cli
