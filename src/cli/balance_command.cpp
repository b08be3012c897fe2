#include "cli/report_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "reports/balance.h"

namespace fenban::cli {

namespace {

QString figureText(double value) {
    return QString::number(value, 'f', 2);
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QStringList classHeader(const reports::BalanceReport &report) {
    QStringList header{QStringLiteral("class"), QStringLiteral("size"), QStringLiteral("boys"),
                       QStringLiteral("girls")};
    for (const std::string &category : report.categoryNames)
        header.append(QString::fromStdString(category));
    for (std::size_t measure = 0; measure < reports::measureCount; ++measure) {
        const QString name =
            measure < subjectCount ? utf8(subjects[measure].column) : QStringLiteral("total");
        header << name + QStringLiteral("_mean") << name + QStringLiteral("_sd");
    }
    header << QStringLiteral("band_dev") << QStringLiteral("same_pinyin_pairs")
           << QStringLiteral("same_name_pairs");
    return header;
}

QStringList classFields(const reports::ClassBalance &balance) {
    QStringList fields{QString::number(balance.classId), QString::number(balance.size),
                       QString::number(balance.boys), QString::number(balance.girls)};
    for (const int count : balance.categories)
        fields.append(QString::number(count));
    for (std::size_t measure = 0; measure < reports::measureCount; ++measure)
        fields << figureText(balance.mean[measure]) << figureText(balance.sd[measure]);
    fields << figureText(balance.bandDev) << QString::number(balance.samePinyinPairs)
           << QString::number(balance.sameNamePairs);
    return fields;
}

} // namespace

int balanceCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const bool perClass = context.args.takeFlag(QStringLiteral("classes"));
    if (context.usageFailed())
        return UsageError;

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const auto report = reports::loadBalanceReport(database->connection(), *id);
    if (!report) {
        context.err << report.error() << Qt::endl;
        return Failure;
    }

    for (const reports::BalanceFigure &figure : reports::balanceSummary(report.value())) {
        context.out << QString::fromStdString(figure.name) << QLatin1Char(' ')
                    << reports::balanceFigureText(figure) << Qt::endl;
    }
    for (const reports::RuleViolation &violation : report->ruleViolations)
        context.out << QStringLiteral("rule_violation ") << reports::ruleLine(violation) << Qt::endl;
    if (!perClass)
        return Success;
    context.out << Qt::endl << tabSeparatedLine(classHeader(report.value())) << Qt::endl;
    for (const reports::ClassBalance &balance : report->classes)
        context.out << tabSeparatedLine(classFields(balance)) << Qt::endl;
    return Success;
}

} // namespace fenban::cli
