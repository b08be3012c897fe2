#include "cli/report_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "reports/balance.h"
#include "reports/class_statistics.h"
#include "reports/statistics_export.h"

namespace fenban::cli {

int statsCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto file = context.args.takePositional();
    if (context.usageFailed())
        return UsageError;

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const auto statistics = reports::loadClassStatistics(database->connection(), *id);
    if (!statistics) {
        context.err << statistics.error() << Qt::endl;
        return Failure;
    }

    if (file) {
        const auto balance = reports::loadBalanceReport(database->connection(), *id);
        if (!balance) {
            context.err << balance.error() << Qt::endl;
            return Failure;
        }
        if (const auto written = reports::writeStatistics(statistics.value(), balance.value(), *file);
            !written) {
            context.err << written.error() << Qt::endl;
            return Failure;
        }
        context.out << QStringLiteral("已导出班级统计: %1").arg(*file) << Qt::endl;
        return Success;
    }

    // The blanks that align the window's columns would only get in the way of other programs here.
    const auto line = [](const QStringList &cells) {
        QStringList fields;
        for (const QString &cell : cells)
            fields.append(cell.trimmed());
        return tabSeparatedLine(fields);
    };
    const reports::ReportGrid &summary = statistics->summary;
    context.out << line(summary.headers) << Qt::endl;
    for (const QStringList &row : summary.rows)
        context.out << line(row) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
