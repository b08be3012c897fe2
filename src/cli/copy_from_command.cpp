#include "cli/report_commands.h"

#include "cli/cli.h"
#include "reports/history_summary.h"
#include "store/project_copy.h"

namespace fenban::cli {

int copyFromCommand(Context &context) {
    const bool overwrite = context.args.takeFlag(QStringLiteral("overwrite"));
    const auto source = context.takeProjectId();
    if (!source)
        return UsageError;
    const auto target = context.takeProjectId();
    if (!target || context.usageFailed())
        return UsageError;
    const auto database = context.openDatabase();
    if (!database)
        return Failure;
    const auto copied =
        store::copyStudents(database->connection(), *source, *target, overwrite, reports::historySummary);
    if (!copied) {
        context.err << copied.error() << Qt::endl;
        return Failure;
    }
    context.out << store::copiedText(copied.value()) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
