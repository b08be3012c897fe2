// Several teachers on one PostgreSQL server at once: each client, in a thread of its own with a
// connection of its own, keeps importing a made-up intake of 300 to 600 students into a project of its
// own, dividing it, searching its students and computing its statistics, until the time is up. All
// projects live in a schema made for the run and dropped after it. Prints, per kind of operation, how
// many were done and their mean and worst time, then the errors (the first few with their texts);
// exits 1 when there was any.
//
//   pg_load postgresql://user@127.0.0.1:PORT/dbname [--clients 8] [--seconds 60]
//
// Only a server on this machine is taken: the figures are meant to show the program's own work.

#include "engine/division.h"
#include "intake.h"
#include "reports/class_statistics.h"
#include "reports/history_summary.h"
#include "store/database.h"
#include "store/division_runner.h"
#include "store/location.h"
#include "store/projects.h"
#include "store/student_queries.h"
#include "store/students.h"
#include "student_records.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace fenban;

namespace {

enum Kind { Import, Divide, Search, Stats, kindCount };
constexpr std::array<const char *, kindCount> kindNames{"import", "divide", "search", "stats"};
constexpr int classCount = 10;
constexpr int errorsShown = 5;

struct Figures {
    long long count = 0;
    double totalMs = 0.0;
    double worstMs = 0.0;
};

// What all clients found, added up under one lock as each operation ends.
class Tally {
public:
    void done(Kind kind, double ms) {
        const std::lock_guard guard(m_mutex);
        Figures &figures = m_figures[kind];
        ++figures.count;
        figures.totalMs += ms;
        figures.worstMs = std::max(figures.worstMs, ms);
    }
    void failed(int client, const char *what, const QString &error) {
        const std::lock_guard guard(m_mutex);
        if (++m_errors <= errorsShown)
            m_texts.append(QStringLiteral("client %1 %2: %3").arg(client).arg(QLatin1String(what), error));
    }
    int print() const {
        const std::lock_guard guard(m_mutex);
        std::printf("%-8s %8s %10s %10s\n", "kind", "count", "mean ms", "worst ms");
        for (int kind = 0; kind < kindCount; ++kind) {
            const Figures &figures = m_figures[kind];
            std::printf("%-8s %8lld %10.1f %10.1f\n", kindNames[kind], figures.count,
                        figures.count ? figures.totalMs / static_cast<double>(figures.count) : 0.0,
                        figures.worstMs);
        }
        for (const QString &text : m_texts)
            std::printf("%s\n", text.toUtf8().constData());
        std::printf("errors %lld\n", m_errors);
        return m_errors == 0 ? 0 : 1;
    }

private:
    mutable std::mutex m_mutex;
    std::array<Figures, kindCount> m_figures{};
    long long m_errors = 0;
    QStringList m_texts;
};

[[noreturn]] void fail(const QString &text) {
    std::fprintf(stderr, "pg_load: %s\n", text.toUtf8().constData());
    std::exit(1);
}

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: pg_load postgresql://user@127.0.0.1:PORT/dbname [--clients N] [--seconds N]\n");
    std::exit(2);
}

// The searches a teacher makes most: by class, by sex and a score range, by part of a name.
store::StudentFilter someFilter(std::mt19937 &random, const QList<store::StudentRecord> &students) {
    store::StudentFilter filter;
    switch (random() % 3) {
    case 0:
        filter.classId = static_cast<int>(random() % classCount) + 1;
        break;
    case 1: {
        filter.sex = random() % 2 ? QStringLiteral("男") : QStringLiteral("女");
        const double low = static_cast<double>(random() % 100);
        filter.math = store::ScoreRange{low, low + 30.0};
        break;
    }
    default:
        filter.namePart = students[static_cast<qsizetype>(random() % students.size())].name.left(1);
        break;
    }
    return filter;
}

class Stopwatch {
public:
    double ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

void client(int number, const QString &location, std::chrono::steady_clock::time_point end, Tally &tally) {
    auto opened = store::Database::open(location);
    if (!opened) {
        tally.failed(number, "open", opened.error());
        return;
    }
    const QSqlDatabase db = opened.value()->connection();
    const auto project = store::ProjectStore(db).create({QStringLiteral("负载 %1").arg(number), classCount});
    if (!project) {
        tally.failed(number, "new", project.error());
        return;
    }
    const int id = project->id;
    const auto engine = makeFastEngine();
    std::mt19937 random(static_cast<std::uint32_t>(number));
    for (std::uint32_t round = 1; std::chrono::steady_clock::now() < end; ++round) {
        const int size = 300 + static_cast<int>(random() % 301);
        const QList<store::StudentRecord> intake =
            bench::studentRecords(cohort::intake(size, static_cast<std::uint32_t>(number) * 100000 + round));
        Stopwatch importing;
        const store::ReplaceOutcome written =
            store::StudentStore(db).replaceAll(id, intake, {}, reports::historySummary);
        if (written.kind != store::ReplaceOutcome::Written) {
            tally.failed(number, "import", written.error);
            continue;
        }
        tally.done(Import, importing.ms());

        Stopwatch dividing;
        store::DivisionRunner runner(db, *engine);
        runner.useSnapshotSummary(reports::historySummary);
        const store::RunOutcome divided = runner.divide(id);
        if (divided.kind != store::RunOutcome::Done)
            tally.failed(number, "divide", divided.message);
        else
            tally.done(Divide, dividing.ms());

        for (int search = 0; search < 3; ++search) {
            Stopwatch searching;
            const auto found = store::searchStudents(db, id, someFilter(random, intake));
            if (!found)
                tally.failed(number, "search", found.error());
            else
                tally.done(Search, searching.ms());
        }

        Stopwatch counting;
        const auto statistics = reports::loadClassStatistics(db, id);
        if (!statistics)
            tally.failed(number, "stats", statistics.error());
        else if (statistics->classIds.isEmpty())
            tally.failed(number, "stats", QStringLiteral("no class in the statistics"));
        else
            tally.done(Stats, counting.ms());
    }
}

// A plain connection beside the store's, to make and drop the run's schema.
QSqlDatabase serverConnection(const store::DatabaseLocation &location) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg_load"));
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setUserName(location.user);
    db.setDatabaseName(location.databaseName);
    db.setConnectOptions(location.options.join(QLatin1Char(';')));
    if (!db.open())
        fail(QStringLiteral("cannot connect to %1: %2").arg(location.display(), db.lastError().text()));
    return db;
}

void exec(QSqlDatabase db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        fail(sql + QStringLiteral(": ") + query.lastError().text());
}

bool onThisMachine(const QString &host) {
    return host == QStringLiteral("localhost") || host == QStringLiteral("::1") ||
           host.startsWith(QStringLiteral("127."));
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    if (argc < 2 || argc % 2 != 0)
        usage();
    const QString url = QString::fromLocal8Bit(argv[1]);
    int clients = 8;
    int seconds = 60;
    for (int i = 2; i + 1 < argc; i += 2) {
        char *rest = nullptr;
        const long value = std::strtol(argv[i + 1], &rest, 10);
        if (*rest != '\0' || value < 1 || value > 3600)
            usage();
        if (std::strcmp(argv[i], "--clients") == 0)
            clients = static_cast<int>(value);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = static_cast<int>(value);
        else
            usage();
    }

    const auto location = store::parseDatabaseLocation(url);
    if (!location)
        fail(location.error());
    if (location->backend != store::Backend::PostgreSQL)
        fail(QStringLiteral("not a postgresql:// address: %1").arg(url));
    if (!onThisMachine(location->host))
        fail(QStringLiteral("the server must be on this machine (127.0.0.1, ::1 or localhost), not %1")
                 .arg(location->host));
    if (std::any_of(location->options.begin(), location->options.end(),
                    [](const QString &option) { return option.startsWith(QStringLiteral("options=")); }))
        fail(QStringLiteral("the address may not carry options=: the run chooses its own schema"));

    // A schema of the run's own, so that nothing of a real database is touched.
    const QString schema = QStringLiteral("load_run_%1").arg(QCoreApplication::applicationPid());
    {
        QSqlDatabase admin = serverConnection(location.value());
        exec(admin, QStringLiteral("SET client_min_messages TO warning"));
        exec(admin, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
        exec(admin, QStringLiteral("CREATE SCHEMA %1").arg(schema));
    }
    const QString inSchema = url + (url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
                             QStringLiteral("options=-csearch_path%3D") + schema;
    std::printf("%d clients for %d s on %s\n", clients, seconds, location->display().toUtf8().constData());
    std::fflush(stdout);

    Tally tally;
    {
        // The tables are made once, before the clients race for them.
        auto first = store::Database::open(inSchema);
        if (!first)
            fail(first.error());
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    for (int number = 1; number <= clients; ++number)
        threads.emplace_back(client, number, inSchema, end, std::ref(tally));
    for (std::thread &thread : threads)
        thread.join();

    exec(QSqlDatabase::database(QStringLiteral("pg_load")),
         QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
    QSqlDatabase::removeDatabase(QStringLiteral("pg_load"));
    return tally.print();
}
