#include "cli/rules_commands.h"

#include "cli/cli.h"
#include "reports/rule_violations.h"
#include "store/division_runner.h"
#include "store/student_groups.h"

#include <QList>

namespace fenban::cli {

namespace {

int addRule(Context &context, StudentGroup::Kind kind) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    QList<qint64> studentIds;
    while (const auto word = context.args.takePositional()) {
        bool isNumber = false;
        const qint64 studentId = word->toLongLong(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("学号必须是整数: %1").arg(*word) << Qt::endl;
            return UsageError;
        }
        studentIds.append(studentId);
    }
    if (context.usageFailed())
        return UsageError;
    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const auto added = store::addGroup(database->connection(), *id, kind, studentIds);
    if (!added) {
        context.err << added.error() << Qt::endl;
        return Failure;
    }
    context.out << added.value() << Qt::endl;
    return Success;
}

} // namespace

int apartCommand(Context &context) {
    return addRule(context, StudentGroup::Kind::Apart);
}

int togetherCommand(Context &context) {
    return addRule(context, StudentGroup::Kind::Together);
}

int rulesCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto removeText = context.args.takeOption(QStringLiteral("remove"));
    int removeId = 0;
    if (removeText) {
        bool isNumber = false;
        removeId = removeText->toInt(&isNumber);
        if (!isNumber) {
            context.err << QStringLiteral("规则编号必须是整数: %1").arg(*removeText) << Qt::endl;
            return UsageError;
        }
    }
    if (context.usageFailed())
        return UsageError;
    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, *id))
        return Failure;
    const QSqlDatabase db = database->connection();
    if (removeText) {
        if (const Status removed = store::removeGroup(db, *id, removeId); !removed) {
            context.err << removed.error() << Qt::endl;
            return Failure;
        }
        return Success;
    }

    const auto groups = store::groups(db, *id);
    const auto rows = store::readStudentRows(db, *id);
    if (!groups || !rows) {
        context.err << (groups ? rows.error() : groups.error()) << Qt::endl;
        return Failure;
    }
    const std::vector<reports::RuleViolation> violations =
        reports::ruleViolations(rows.value(), groups.value());
    for (const store::StoredGroup &group : groups.value()) {
        std::vector<int> violatedIn;
        for (const reports::RuleViolation &violation : violations) {
            if (violation.groupId == group.id)
                violatedIn = violation.classIds;
        }
        context.out << reports::ruleLine(group, violatedIn) << Qt::endl;
    }
    return Success;
}

} // namespace fenban::cli
