#include "cli/history_commands.h"

#include "cli/cli.h"
#include "cli/tab_separated.h"
#include "engine/subject.h"
#include "reports/history_summary.h"
#include "reports/move_preview.h"
#include "store/adjustments.h"
#include "store/division_runner.h"
#include "store/history.h"

#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace fenban::cli {

namespace {

// A word that must be a whole number; a missing or malformed word is a usage problem, reported on
// `err` as "缺少<what>" or "<what>必须是整数: <word>".
template <typename Number>
std::optional<Number> wholeNumber(Context &context, const std::optional<QString> &word, const QString &what) {
    if (!word) {
        context.err << QStringLiteral("缺少") << what << Qt::endl;
        return std::nullopt;
    }
    bool isNumber = false;
    const qint64 number = word->toLongLong(&isNumber);
    if (!isNumber || number < std::numeric_limits<Number>::min() ||
        number > std::numeric_limits<Number>::max()) {
        context.err << what << QStringLiteral("必须是整数: ") << *word << Qt::endl;
        return std::nullopt;
    }
    return Number(number);
}

template <typename Number> std::optional<Number> takeNumber(Context &context, const QString &what) {
    return wholeNumber<Number>(context, context.args.takePositional(), what);
}

const QString snapshotWord = QStringLiteral("分班历史记录编号");
const QString studentWord = QStringLiteral("学号");

QString classText(int classId) {
    return classId < 0 ? QString() : QString::number(classId);
}

// Opens the database for a project that exists; null after reporting why not.
std::unique_ptr<store::Database> openProject(Context &context, int id) {
    auto database = context.openDatabase();
    if (!database || !context.projectExists(*database, id))
        return nullptr;
    return database;
}

// Writes the hand moves with `write`. The conflicts they bring about are worked out before the
// write, from the classes as they were, and shown once the write has been made: the teacher asked
// for the move, so a conflict does not stop it, and a refused move warns of nothing.
int adjust(Context &context, int projectId,
           const std::function<std::vector<reports::StudentMove>(QSqlDatabase)> &moves,
           const std::function<Status(QSqlDatabase)> &write) {
    const auto database = openProject(context, projectId);
    if (!database)
        return Failure;
    const QSqlDatabase db = database->connection();
    const auto preview = reports::loadMovePreview(db, projectId, moves(db), subjectCount);
    if (const Status written = write(db); !written) {
        context.err << written.error() << Qt::endl;
        return Failure;
    }
    if (preview) {
        for (const QString &conflict : preview.value().conflicts())
            context.err << QStringLiteral("警告: ") << conflict << Qt::endl;
    }
    return Success;
}

} // namespace

int historyCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id || context.usageFailed())
        return UsageError;
    const auto database = openProject(context, *id);
    if (!database)
        return Failure;
    const auto entries = store::history(database->connection(), *id);
    if (!entries) {
        context.err << entries.error() << Qt::endl;
        return Failure;
    }
    for (const store::HistoryEntry &entry : entries.value())
        context.out << tabSeparatedLine({QString::number(entry.id), entry.time, entry.action, entry.summary})
                    << Qt::endl;
    return Success;
}

int restoreCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto snapshot = takeNumber<int>(context, snapshotWord);
    if (!snapshot || context.usageFailed())
        return UsageError;
    const auto database = openProject(context, *id);
    if (!database)
        return Failure;
    if (const Status restored =
            store::restore(database->connection(), *id, *snapshot, reports::historySummary);
        !restored) {
        context.err << restored.error() << Qt::endl;
        return Failure;
    }
    context.out << QStringLiteral("已恢复到第%1号分班").arg(*snapshot) << Qt::endl;
    return Success;
}

int diffCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto from = takeNumber<int>(context, snapshotWord);
    if (!from)
        return UsageError;
    // Without a second snapshot the first is compared with the classes now.
    const auto secondWord = context.args.takePositional();
    std::optional<int> to = 0;
    if (secondWord)
        to = wholeNumber<int>(context, secondWord, snapshotWord);
    if (!to || context.usageFailed())
        return UsageError;
    const auto database = openProject(context, *id);
    if (!database)
        return Failure;
    // store::diff reads a second number of 0 or less as the classes now; typed, it names a snapshot
    // that is not there.
    if (secondWord && *to <= 0) {
        context.err << store::snapshotPlacings(database->connection(), *id, *to).error() << Qt::endl;
        return Failure;
    }
    const auto moved = store::diff(database->connection(), *id, *from, *to);
    if (!moved) {
        context.err << moved.error() << Qt::endl;
        return Failure;
    }
    for (const store::MovedStudent &student : moved.value())
        context.out << tabSeparatedLine({QString::number(student.studentId), student.name,
                                         classText(student.fromClass), classText(student.toClass)})
                    << Qt::endl;
    return Success;
}

int moveCommand(Context &context) {
    const bool keepUnfixed = context.args.takeFlag(QStringLiteral("keep-unfixed"));
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto student = takeNumber<qint64>(context, studentWord);
    if (!student)
        return UsageError;
    const auto toClass = takeNumber<int>(context, QStringLiteral("班级号"));
    if (!toClass || context.usageFailed())
        return UsageError;
    return adjust(
        context, *id,
        [&](QSqlDatabase) {
            return std::vector<reports::StudentMove>{{*student, *toClass}};
        },
        [&](QSqlDatabase db) {
            return store::moveStudent(db, *id, *student, *toClass, !keepUnfixed, reports::historySummary);
        });
}

int swapCommand(Context &context) {
    const auto id = context.takeProjectId();
    if (!id)
        return UsageError;
    const auto first = takeNumber<qint64>(context, studentWord);
    if (!first)
        return UsageError;
    const auto second = takeNumber<qint64>(context, studentWord);
    if (!second || context.usageFailed())
        return UsageError;
    return adjust(
        context, *id,
        [&](QSqlDatabase db) -> std::vector<reports::StudentMove> {
            // Each goes to the other's class; students the swap refuses have nothing to preview.
            const auto rows = store::readStudentRows(db, *id);
            if (!rows)
                return {};
            int firstClass = 0, secondClass = 0;
            for (const StudentRow &row : rows.value()) {
                if (row.studentId == *first)
                    firstClass = row.classId;
                if (row.studentId == *second)
                    secondClass = row.classId;
            }
            if (firstClass <= 0 || secondClass <= 0)
                return {};
            return {{*first, secondClass}, {*second, firstClass}};
        },
        [&](QSqlDatabase db) {
            return store::swapStudents(db, *id, *first, *second, true, reports::historySummary);
        });
}

} // namespace fenban::cli
