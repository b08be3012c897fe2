#include "cli/project_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "store/limits.h"
#include "store/projects.h"
#include "store/settings.h"

#include <variant>

namespace fenban::cli {

namespace {

using store::ProjectSettings;

// One setting as the command line names it and as the settings table names it.
struct SettingField {
    QString option;
    QString column;
    std::variant<int ProjectSettings::*, std::optional<int> ProjectSettings::*> member;
    bool isFlag;
    std::optional<int> maximum = {}; // beyond it a value is refused
};

const QList<SettingField> &settingFields() {
    static const QList<SettingField> fields{
        {QStringLiteral("avg-person"), QStringLiteral("is_avg_person"), &ProjectSettings::isAvgPerson, true},
        {QStringLiteral("avg-total"), QStringLiteral("is_avg_total"), &ProjectSettings::isAvgTotal, true},
        {QStringLiteral("avg-ch"), QStringLiteral("is_avg_ch"), &ProjectSettings::isAvgCh, true},
        {QStringLiteral("avg-math"), QStringLiteral("is_avg_math"), &ProjectSettings::isAvgMath, true},
        {QStringLiteral("avg-eng"), QStringLiteral("is_avg_eng"), &ProjectSettings::isAvgEng, true},
        {QStringLiteral("avg-inter"), QStringLiteral("is_avg_inter"), &ProjectSettings::isAvgInter, true},
        // Any tolerance is meaningful: the engine compares it in 64 bits.
        {QStringLiteral("inter"), QStringLiteral("inter"), &ProjectSettings::inter, false},
        {QStringLiteral("man"), QStringLiteral("is_man"), &ProjectSettings::isMan, true},
        {QStringLiteral("wtnum"), QStringLiteral("wtNum"), &ProjectSettings::wtNum, false,
         // More passes only repeat idle ones and print for hours; below 0 means no fine-tuning.
         store::maxTuningPasses},
    };
    return fields;
}

QString settingText(const ProjectSettings &settings, const SettingField &field) {
    if (const auto *plain = std::get_if<int ProjectSettings::*>(&field.member))
        return QString::number(settings.**plain);
    const std::optional<int> &value = settings.*std::get<std::optional<int> ProjectSettings::*>(field.member);
    return value ? QString::number(*value) : QString();
}

void setSetting(ProjectSettings &settings, const SettingField &field, int value) {
    if (const auto *plain = std::get_if<int ProjectSettings::*>(&field.member))
        settings.**plain = value;
    else
        settings.*std::get<std::optional<int> ProjectSettings::*>(field.member) = value;
}

// A requested change: which setting gets which value.
struct SettingChange {
    const SettingField *field;
    int value;
};

} // namespace

OptionSpec settingsOptions() {
    OptionSpec options;
    for (const SettingField &field : settingFields())
        options.emplace(field.option, OptionKind::Value);
    return options;
}

int newProjectCommand(Context &context) {
    const auto memo = context.args.takeOption(QStringLiteral("memo"));
    const auto classes = context.args.takeOption(QStringLiteral("classes"));
    if (context.usageFailed())
        return UsageError;
    if (!memo || !classes) {
        context.err << QStringLiteral("new 命令需要 --memo 和 --classes") << Qt::endl;
        return UsageError;
    }
    if (const auto at = store::firstControlCharacter(*memo)) {
        context.err << QStringLiteral("分班描述中不能有换行、制表符等控制字符: 第%1个字符").arg(*at + 1)
                    << Qt::endl;
        return Failure;
    }
    const auto checked = store::checkNewProject(*memo, *classes);
    if (!checked) {
        context.err << checked.error() << Qt::endl;
        return Failure;
    }
    if (checked->classes > store::maxClassCount) {
        context.err << QStringLiteral("班级数必须在%1到%2之间: %3")
                           .arg(store::minClassCount)
                           .arg(store::maxClassCount)
                           .arg(checked->classes)
                    << Qt::endl;
        return Failure;
    }
    const auto database = context.openDatabase();
    if (!database)
        return Failure;
    const auto created = store::ProjectStore(database->connection()).create(checked.value());
    if (!created) {
        context.err << created.error() << Qt::endl;
        return Failure;
    }
    context.out << created->id << Qt::endl;
    return Success;
}

int projectsCommand(Context &context) {
    if (context.usageFailed())
        return UsageError;
    const auto database = context.openDatabase();
    if (!database)
        return Failure;
    const auto projects = store::ProjectStore(database->connection()).list();
    if (!projects) {
        context.err << projects.error() << Qt::endl;
        return Failure;
    }
    for (const store::Project &project : projects.value()) {
        context.out << tabSeparatedLine({QString::number(project.id), project.memo,
                                         QString::number(project.classes), project.createdAt})
                    << '\n';
    }
    context.out.flush();
    return Success;
}

int deleteCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    if (context.usageFailed())
        return UsageError;
    const auto database = context.openDatabase();
    if (!database)
        return Failure;
    if (const auto removed = store::ProjectStore(database->connection()).remove(*id); !removed) {
        context.err << removed.error() << Qt::endl;
        return Failure;
    }
    return Success;
}

int settingsCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    QList<std::pair<const SettingField *, QString>> requested;
    for (const SettingField &field : settingFields()) {
        if (const auto value = context.args.takeOption(field.option))
            requested.append({&field, *value});
    }
    if (context.usageFailed())
        return UsageError;

    // Every value is checked before anything is written, so one bad value changes nothing.
    QList<SettingChange> changes;
    for (const auto &[field, text] : requested) {
        bool isNumber = false;
        const int value = text.trimmed().toInt(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("--%1 的取值必须是整数: %2").arg(field->option, text) << Qt::endl;
            return Failure;
        }
        if (field->isFlag && value != 0 && value != 1) {
            context.err << QStringLiteral("--%1 的取值必须是 0 或 1: %2").arg(field->option, text)
                        << Qt::endl;
            return Failure;
        }
        if (field->maximum && value > *field->maximum) {
            context.err << QStringLiteral("--%1 的取值不能大于%2: %3")
                               .arg(field->option)
                               .arg(*field->maximum)
                               .arg(text)
                        << Qt::endl;
            return Failure;
        }
        changes.append({field, value});
    }

    const auto database = context.openDatabase();
    if (!database)
        return Failure;
    store::SettingsStore settingsStore(database->connection());
    const auto stored = settingsStore.read(*id);
    if (!stored || !stored.value()) {
        context.err << (stored ? QStringLiteral("不存在该班别的参数设置") : stored.error()) << Qt::endl;
        return Failure;
    }
    ProjectSettings settings = *stored.value();
    if (!changes.isEmpty()) {
        for (const SettingChange &change : changes)
            setSetting(settings, *change.field, change.value);
        if (const auto written = settingsStore.write(*id, settings); !written) {
            context.err << written.error() << Qt::endl;
            return Failure;
        }
    }
    for (const SettingField &field : settingFields())
        context.out << field.column << '=' << settingText(settings, field) << '\n';
    context.out.flush();
    return Success;
}

} // namespace fenban::cli
