#include "cli/roster_command.h"

#include "cli/cli.h"
#include "reports/roster.h"
#include "reports/roster_pdf.h"

#include <QFileInfo>

namespace fenban::cli {

namespace {

enum class RosterFormat { Workbook, Pdf };

std::optional<RosterFormat> formatOf(const QString &file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QStringLiteral("xlsx"))
        return RosterFormat::Workbook;
    if (suffix == QStringLiteral("pdf"))
        return RosterFormat::Pdf;
    return std::nullopt;
}

} // namespace

int rosterCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto file = context.args.takePositional();
    const auto sortWord = context.args.takeOption(QStringLiteral("sort"));
    const auto columnsWord = context.args.takeOption(QStringLiteral("columns"));
    if (context.usageFailed())
        return UsageError;
    if (!file) {
        context.err << QStringLiteral("缺少名单文件 (.pdf 或 .xlsx)") << Qt::endl;
        return UsageError;
    }
    const auto format = formatOf(*file);
    if (!format) {
        context.err << QStringLiteral("名单文件必须是 .pdf 或 .xlsx: %1").arg(*file) << Qt::endl;
        return UsageError;
    }

    reports::RosterOptions options;
    if (sortWord) {
        if (*sortWord == QStringLiteral("name"))
            options.sort = reports::RosterSort::Name;
        else if (*sortWord != QStringLiteral("number")) {
            context.err << QStringLiteral("未知的排序方式: %1 (可选 number 或 name)").arg(*sortWord)
                        << Qt::endl;
            return UsageError;
        }
    }
    if (columnsWord) {
        options.columns.clear();
        for (const QString &column : columnsWord->split(u',', Qt::SkipEmptyParts))
            options.columns.append(column.trimmed());
    }
    if (const store::Status checked = reports::checkRosterColumns(options.columns); !checked) {
        context.err << checked.error() << Qt::endl;
        return UsageError;
    }

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const auto roster = reports::loadRoster(database->connection(), *id, options);
    if (!roster) {
        context.err << roster.error() << Qt::endl;
        return Failure;
    }
    const store::Status written = *format == RosterFormat::Workbook
                                      ? reports::writeRosterWorkbook(roster.value(), *file)
                                      : reports::writeRosterPdf(roster.value(), *file);
    if (!written) {
        context.err << written.error() << Qt::endl;
        return Failure;
    }
    context.out << QStringLiteral("已导出分班名单: %1").arg(*file) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
