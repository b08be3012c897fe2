#include "cli/project_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "engine/subject.h"
#include "store/limits.h"
#include "store/optimise_settings.h"
#include "store/projects.h"
#include "store/settings.h"

#include <QRegularExpression>

#include <array>
#include <optional>
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
    std::optional<int> minimum = {}; // below it a value is refused
};

const QList<SettingField> &settingFields() {
    static const QList<SettingField> fields{
        {QStringLiteral("avg-person"), QStringLiteral("is_avg_person"), &ProjectSettings::isAvgPerson, true},
        {QStringLiteral("avg-total"), QStringLiteral("is_avg_total"), &ProjectSettings::isAvgTotal, true},
        {QStringLiteral("avg-ch"), QStringLiteral("is_avg_ch"), &ProjectSettings::isAvgCh, true},
        {QStringLiteral("avg-math"), QStringLiteral("is_avg_math"), &ProjectSettings::isAvgMath, true},
        {QStringLiteral("avg-eng"), QStringLiteral("is_avg_eng"), &ProjectSettings::isAvgEng, true},
        {QStringLiteral("avg-inter"), QStringLiteral("is_avg_inter"), &ProjectSettings::isAvgInter, true},
        // Any tolerance from 0 up is meaningful: the engine compares it in 64 bits.
        {QStringLiteral("inter"), QStringLiteral("inter"), &ProjectSettings::inter, false, std::nullopt,
         store::minBandTolerance},
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

// The optimiser's two settings live in a table of their own, so they are not SettingFields.
const QString optimiseSecondsOption = QStringLiteral("optimise-seconds");
const QString optimiseAfterOption = QStringLiteral("optimise-after");
const QString optimiseSubjectsOption = QStringLiteral("optimise-subjects");

// The optimiser's subjects as the settings print them: labels in subject order, comma-separated.
QString subjectsText(const std::array<bool, subjectCount> &chosen) {
    QStringList labels;
    for (std::size_t s = 0; s < subjectCount; ++s) {
        if (chosen[s])
            labels.append(QString::fromUtf8(subjects[s].label.data(), qsizetype(subjects[s].label.size())));
    }
    return labels.join(u',');
}

// Reads "语文,数学,…" (any order, 、 or , between); empty when a word names no subject or is missing,
// as in an empty value or "语文,,数学": a slip there must not quietly drop subjects.
std::optional<std::array<bool, subjectCount>> parseSubjects(const QString &text) {
    std::array<bool, subjectCount> chosen{};
    for (const QString &word : text.split(QRegularExpression(QStringLiteral("[,，、]")))) {
        const QString label = word.trimmed();
        if (label.isEmpty())
            return std::nullopt;
        bool known = false;
        for (std::size_t s = 0; s < subjectCount; ++s) {
            if (label == QString::fromUtf8(subjects[s].label.data(), qsizetype(subjects[s].label.size()))) {
                chosen[s] = true;
                known = true;
            }
        }
        if (!known)
            return std::nullopt;
    }
    return chosen;
}

} // namespace

OptionSpec settingsOptions() {
    OptionSpec options;
    for (const SettingField &field : settingFields())
        options.emplace(field.option, OptionKind::Value);
    options.emplace(optimiseSecondsOption, OptionKind::Value);
    options.emplace(optimiseAfterOption, OptionKind::Value);
    options.emplace(optimiseSubjectsOption, OptionKind::Value);
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
    const auto secondsText = context.args.takeOption(optimiseSecondsOption);
    const auto afterText = context.args.takeOption(optimiseAfterOption);
    const auto subjectsOption = context.args.takeOption(optimiseSubjectsOption);
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
        if (field->minimum && value < *field->minimum) {
            context.err << QStringLiteral("--%1 的取值不能小于%2: %3")
                               .arg(field->option)
                               .arg(*field->minimum)
                               .arg(text)
                        << Qt::endl;
            return Failure;
        }
        changes.append({field, value});
    }
    std::optional<double> seconds;
    if (secondsText) {
        bool isNumber = false;
        seconds = secondsText->trimmed().toDouble(&isNumber);
        if (!isNumber) {
            context.err
                << QStringLiteral("--%1 的取值必须是数字: %2").arg(optimiseSecondsOption, *secondsText)
                << Qt::endl;
            return Failure;
        }
        if (const auto checked = store::checkOptimiseSeconds(*seconds); !checked) {
            context.err << checked.error() << QStringLiteral(": ") << *secondsText << Qt::endl;
            return Failure;
        }
    }
    std::optional<bool> after;
    if (afterText) {
        const QString flag = afterText->trimmed();
        if (flag != QStringLiteral("0") && flag != QStringLiteral("1")) {
            context.err << QStringLiteral("--%1 的取值必须是 0 或 1: %2").arg(optimiseAfterOption, *afterText)
                        << Qt::endl;
            return Failure;
        }
        after = flag == QStringLiteral("1");
    }
    std::optional<std::array<bool, subjectCount>> chosenSubjects;
    if (subjectsOption) {
        chosenSubjects = parseSubjects(*subjectsOption);
        if (!chosenSubjects) {
            context.err << QStringLiteral("--%1 的取值必须是用逗号分隔的科目名（%2）: %3")
                               .arg(optimiseSubjectsOption,
                                    subjectsText({true, true, true, true, true, true, true, true, true}),
                                    *subjectsOption)
                        << Qt::endl;
            return Failure;
        }
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
    const auto storedOptimise = store::OptimiseSettingsStore(database->connection()).read(*id);
    if (!storedOptimise) {
        context.err << storedOptimise.error() << Qt::endl;
        return Failure;
    }
    store::OptimiseSettings optimise = storedOptimise.value();
    if (!changes.isEmpty() || seconds || after || chosenSubjects) {
        for (const SettingChange &change : changes)
            setSetting(settings, *change.field, change.value);
        optimise.seconds = seconds.value_or(optimise.seconds);
        optimise.afterDivision = after.value_or(optimise.afterDivision);
        optimise.subjects = chosenSubjects.value_or(optimise.subjects);
        if (const auto written = store::writeProjectSettings(database->connection(), *id, settings, optimise);
            !written) {
            context.err << written.error() << Qt::endl;
            return Failure;
        }
    }
    for (const SettingField &field : settingFields())
        context.out << field.column << '=' << settingText(settings, field) << '\n';
    context.out << QStringLiteral("optimise_seconds=") << QString::number(optimise.seconds) << '\n'
                << QStringLiteral("optimise_after_division=") << (optimise.afterDivision ? 1 : 0) << '\n'
                << QStringLiteral("optimise_subjects=") << subjectsText(optimise.subjects) << '\n';
    context.out.flush();
    return Success;
}

} // namespace fenban::cli
