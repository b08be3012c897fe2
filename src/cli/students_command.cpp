#include "cli/report_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "reports/student_search.h"

namespace fenban::cli {

namespace {

void printRow(QTextStream &out, const QStringList &cells) {
    out << tabSeparatedLine(cells) << Qt::endl;
}

} // namespace

int studentsCommand(Context &context) {
    reports::StudentSearchTexts texts;
    texts.number = context.args.takeOption(QStringLiteral("no")).value_or(QString());
    texts.namePart = context.args.takeOption(QStringLiteral("name")).value_or(QString());
    const auto sex = context.args.takeOption(QStringLiteral("sex"));
    const auto classText = context.args.takeOption(QStringLiteral("class"));
    const std::pair<QString *, QString *> ranges[] = {{&texts.mathLow, &texts.mathHigh},
                                                      {&texts.chineseLow, &texts.chineseHigh},
                                                      {&texts.englishLow, &texts.englishHigh}};
    const QString rangeNames[] = {QStringLiteral("math"), QStringLiteral("chinese"),
                                  QStringLiteral("english")};
    for (std::size_t i = 0; i < std::size(ranges); ++i) {
        if (const auto bounds = context.args.takeOptionPair(rangeNames[i])) {
            *ranges[i].first = bounds->first;
            *ranges[i].second = bounds->second;
        }
    }
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    if (context.usageFailed())
        return UsageError;

    if (sex) {
        if (*sex != QStringLiteral("男") && *sex != QStringLiteral("女")) {
            context.err << QStringLiteral("--sex 只能是男或女: %1").arg(*sex) << Qt::endl;
            return UsageError;
        }
        texts.sex = *sex;
    }
    if (classText) {
        bool isNumber = false;
        texts.classId = classText->trimmed().toInt(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("班级必须是整数: %1").arg(*classText) << Qt::endl;
            return UsageError;
        }
    }
    const auto filter = reports::studentFilter(texts);
    if (!filter) {
        context.err << filter.error() << Qt::endl;
        return UsageError;
    }

    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const auto students = reports::searchStudents(database->connection(), *id, filter.value());
    if (!students) {
        context.err << students.error() << Qt::endl;
        return Failure;
    }
    printRow(context.out, reports::studentListTitles());
    for (const store::StudentRecord &student : students.value())
        printRow(context.out, reports::studentListCells(student));
    return Success;
}

} // namespace fenban::cli
