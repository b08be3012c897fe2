#include "cli/exchange_commands.h"

#include "app/export_service.h"
#include "app/import_service.h"
#include "cli/cli.h"
#include "exchange/pinyin/pinyin.h"

namespace fenban::cli {

namespace {

// The id and file words of import and export; reports a usage problem and gives nothing on failure.
std::optional<std::pair<int, QString>> takeIdAndFile(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return std::nullopt;
    const auto file = context.args.takePositional();
    if (context.usageFailed())
        return std::nullopt;
    if (!file) {
        context.err << QStringLiteral("缺少文件名") << Qt::endl;
        return std::nullopt;
    }
    return std::pair{*id, *file};
}

} // namespace

int importCommand(Context &context) {
    const auto request = takeIdAndFile(context);
    if (!request)
        return UsageError;
    const auto &[id, file] = *request;

    const auto rows = app::readImportFile(file);
    if (!rows) {
        context.err << rows.error() << Qt::endl;
        return Failure;
    }
    const exchange::ImportCheck check = exchange::studentsFromRows(rows->students);
    if (check.problem) {
        context.err << check.problem->message() << Qt::endl;
        return Failure;
    }
    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, id))
        return Failure;
    const store::ReplaceOutcome outcome = app::writeStudents(database->connection(), id, check.records);
    if (outcome.kind != store::ReplaceOutcome::Written) {
        context.err << outcome.error << Qt::endl;
        return Failure;
    }
    context.out << QStringLiteral("导入成功") << Qt::endl
                << QStringLiteral("学生人数: %1").arg(check.records.size()) << Qt::endl;
    return Success;
}

int exportCommand(Context &context) {
    const auto request = takeIdAndFile(context);
    if (!request)
        return UsageError;
    const auto &[id, file] = *request;

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, id))
        return Failure;
    const auto exported = app::exportResult(database->connection(), id, file);
    if (!exported) {
        context.err << exported.error() << Qt::endl;
        return Failure;
    }
    context.out << QStringLiteral("已导出%1名学生: %2").arg(exported.value()).arg(file) << Qt::endl;
    return Success;
}

int pinyinCommand(Context &context) {
    const auto text = context.args.takePositional();
    if (context.usageFailed())
        return UsageError;
    if (!text) {
        context.err << QStringLiteral("缺少要转换的文字") << Qt::endl;
        return UsageError;
    }
    context.out << exchange::pinyinName(*text) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
