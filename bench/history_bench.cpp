// How much room the division history takes: a made-up intake of 3,000 students in 60 classes is
// written to a temporary database and divided, then changed 200 times the way a teacher would (single
// moves, and every 20th change a whole division or a restore), each change with its snapshot as the
// program makes it. Prints the file's size before and after, the snapshots kept and their packed size.
//
//   history_bench [--changes N] [--seed N]

#include "engine/division.h"
#include "intake.h"
#include "reports/history_summary.h"
#include "store/adjustments.h"
#include "store/database.h"
#include "store/division_runner.h"
#include "store/history.h"
#include "store/projects.h"
#include "store/students.h"
#include "student_records.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

using namespace fenban;

namespace {

constexpr int studentCount = 3000;
constexpr int classCount = 60;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

[[noreturn]] void fail(const char *step, const QString &error) {
    std::fprintf(stderr, "%s: %s\n", step, error.toUtf8().constData());
    std::exit(1);
}

QVariant single(QSqlDatabase db, const QString &sql, const QVariant &bound = {}) {
    QSqlQuery query(db);
    if (!query.prepare(sql))
        fail("query", sql);
    if (bound.isValid())
        query.addBindValue(bound);
    if (!query.exec() || !query.next())
        fail("query", sql);
    return query.value(0);
}

// The file as it stands once the write-ahead log is folded back into it.
qint64 fileSize(const store::Database &database) {
    single(database.connection(), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return QFileInfo(database.path()).size();
}

void divide(QSqlDatabase db, const DivisionEngine &engine) {
    store::DivisionRunner runner(db, engine);
    runner.useSnapshotSummary(reports::historySummary);
    const store::RunOutcome outcome = runner.divide(1, {});
    if (outcome.kind != store::RunOutcome::Done)
        fail("divide", outcome.message);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    int changes = 200;
    std::uint32_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--changes") == 0)
            changes = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    }

    QTemporaryDir folder;
    auto opened = store::Database::open(folder.filePath(QStringLiteral("qx.db")));
    if (!opened)
        fail("open", opened.error());
    const store::Database &database = *opened.value();
    const QSqlDatabase db = database.connection();
    if (const auto created = store::ProjectStore(db).create({QStringLiteral("基准"), classCount}); !created)
        fail("create", created.error());
    const std::vector<StudentRow> intake = cohort::intake(studentCount, seed);
    const store::ReplaceOutcome written =
        store::StudentStore(db).replaceAll(1, bench::studentRecords(intake), {}, reports::historySummary);
    if (written.kind != store::ReplaceOutcome::Written)
        fail("import", written.error);
    const auto engine = makeFastEngine();
    divide(db, *engine);
    const qint64 before = fileSize(database);

    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> anyStudent(0, intake.size() - 1);
    std::uniform_int_distribution<int> anyOtherClass(1, classCount - 1);
    int moves = 0, divisions = 0, restores = 0;
    double moveSeconds = 0.0, divisionSeconds = 0.0, restoreSeconds = 0.0;
    for (int change = 1; change <= changes; ++change) {
        if (change % 40 == 20) {
            const auto start = std::chrono::steady_clock::now();
            divide(db, *engine);
            divisionSeconds += secondsSince(start);
            ++divisions;
        } else if (change % 40 == 0) {
            // Back to where the classes stood a dozen changes ago.
            const auto start = std::chrono::steady_clock::now();
            const auto entries = store::history(db, 1);
            if (!entries)
                fail("history", entries.error());
            const int target = entries.value().value(std::min<qsizetype>(12, entries.value().size() - 1)).id;
            if (const Status restored = store::restore(db, 1, target, reports::historySummary); !restored)
                fail("restore", restored.error());
            restoreSeconds += secondsSince(start);
            ++restores;
        } else {
            // A class other than the student's own: the classes after it, counted round from it.
            const StudentRow &student = intake[anyStudent(random)];
            const int from = single(db, QStringLiteral("SELECT class_id FROM qx_1 WHERE student_id=?"),
                                    QVariant::fromValue(qint64(student.studentId)))
                                 .toInt();
            const int to = (from - 1 + anyOtherClass(random)) % classCount + 1;
            const auto start = std::chrono::steady_clock::now();
            if (const Status moved =
                    store::moveStudent(db, 1, student.studentId, to, true, reports::historySummary);
                !moved)
                fail("move", moved.error());
            moveSeconds += secondsSince(start);
            ++moves;
        }
    }
    const qint64 after = fileSize(database);
    const int kept = single(db, QStringLiteral("SELECT count(*) FROM qx_history")).toInt();
    const qint64 packed = single(db, QStringLiteral("SELECT sum(length(data)) FROM qx_history")).toLongLong();

    std::printf("students %d, classes %d, changes %d (moves %d, divisions %d, restores %d)\n", studentCount,
                classCount, changes, moves, divisions, restores);
    std::printf("file before the changes %lld bytes, after %lld bytes (growth %lld)\n",
                static_cast<long long>(before), static_cast<long long>(after),
                static_cast<long long>(after - before));
    std::printf("snapshots kept %d, packed %lld bytes, %lld bytes per snapshot\n", kept,
                static_cast<long long>(packed), kept ? static_cast<long long>(packed / kept) : 0LL);
    std::printf("seconds per move %.3f, per division %.3f, per restore %.3f\n",
                moves ? moveSeconds / moves : 0.0, divisions ? divisionSeconds / divisions : 0.0,
                restores ? restoreSeconds / restores : 0.0);
}
