#include "cli/division_commands.h"

#include "cli/cli.h"
#include "engine/division.h"
#include "store/division_runner.h"
#include "store/projects.h"

namespace fenban::cli {

namespace {

// Whether every chosen class exists in the project, reporting the first that does not. Checked
// here as well as in the runner so that the message names the number as it was typed.
bool classesExist(Context &context, store::Database &database, int projectId,
                  const QList<int> &classNumbers) {
    const auto project = store::ProjectStore(database.connection()).find(projectId);
    if (!project || !project.value()) {
        context.err << (project ? QStringLiteral("不存在编号为%1的分班项目").arg(projectId) : project.error())
                    << Qt::endl;
        return false;
    }
    const int classes = project.value()->classes;
    for (const int number : classNumbers) {
        if (number < 1 || number > classes) {
            context.err << QStringLiteral("班级号必须在1到%1之间: %2").arg(classes).arg(number) << Qt::endl;
            return false;
        }
    }
    return true;
}

// Runs a division or re-division and prints its console lines as they come.
int runAndReport(Context &context, int projectId, const QList<int> &classNumbers) {
    const auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, projectId))
        return Failure;
    if (!classNumbers.isEmpty() && !classesExist(context, *database, projectId, classNumbers))
        return Failure;
    DivisionObserver observer;
    observer.message = [&context](const std::string &line) {
        context.out << QString::fromStdString(line) << Qt::endl;
    };
    const auto engine = makeFastEngine();
    store::DivisionRunner runner(database->connection(), *engine);
    const store::RunOutcome outcome = classNumbers.isEmpty()
                                          ? runner.divide(projectId, observer)
                                          : runner.redivide(projectId, classNumbers, observer);
    if (outcome.kind != store::RunOutcome::Done) {
        context.err << outcome.message << Qt::endl;
        return Failure;
    }
    if (!outcome.withoutSex.isEmpty())
        context.out << store::withoutSexText(outcome.withoutSex) << Qt::endl;
    return Success;
}

} // namespace

int divideCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id || context.usageFailed())
        return UsageError;
    return runAndReport(context, *id, {});
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
    return runAndReport(context, *id, classNumbers);
}

} // namespace fenban::cli
