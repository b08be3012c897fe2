#pragma once

#include "cli_runner.h"
#include "support/test_backend.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QVariant>

#include <gtest/gtest.h>

#include <optional>

namespace fenban::testing {

// The real program on a schema of the test's own on the PostgreSQL server FENBAN_TEST_POSTGRESQL
// names, with a connection of the test's own beside it that stands for another user. Skipped
// without a server.
class ServerCli : public Cli {
protected:
    // The first half of the store's advisory lock keys, made from the schema; the second is the
    // project's number.
    int m_lockSpace = 0;

    void SetUp() override {
        m_server = qEnvironmentVariable("FENBAN_TEST_POSTGRESQL");
        if (m_server.isEmpty())
            GTEST_SKIP() << "FENBAN_TEST_POSTGRESQL names no server";
        static int counter = 0;
        ++counter;
        m_schema = QStringLiteral("lock_%1_%2").arg(QCoreApplication::applicationPid()).arg(counter);
        m_connectionName = QStringLiteral("other-user-%1").arg(counter);
        m_other = connectToServer(m_connectionName);
        ASSERT_TRUE(m_other.isOpen()) << m_other.lastError().text().toStdString();
        exec(QStringLiteral("SET client_min_messages TO warning"));
        exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
        exec(QStringLiteral("CREATE SCHEMA %1").arg(m_schema));
        m_location = m_server + (m_server.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
                     QStringLiteral("options=-csearch_path%3D") + m_schema;
        const QStringList space = exec(QStringLiteral("SELECT hashtext('fenban:' || ?)"), {m_schema});
        ASSERT_EQ(space.size(), 1);
        m_lockSpace = space.first().toInt();
        const Outcome opened = cli({QStringLiteral("projects")});
        ASSERT_EQ(opened.exitCode, 0) << opened.err.toStdString();
    }

    void TearDown() override {
        if (m_other.isOpen())
            exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_schema));
        m_other = QSqlDatabase();
        if (!m_connectionName.isEmpty())
            QSqlDatabase::removeDatabase(m_connectionName);
    }

    // A connection outside the store, as another copy of the program would have.
    QSqlDatabase connectToServer(const QString &connectionName) const {
        return connectToTestServer(connectionName);
    }

    // Runs a statement on the other user's connection; its rows come back as cells joined by "|".
    QStringList exec(const QString &sql, const QVariantList &values = {}) {
        QSqlQuery query(m_other);
        QStringList rows;
        // The server prepares no schema statements; those come without values.
        bool done = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
        if (done && !values.isEmpty()) {
            for (const QVariant &value : values)
                query.addBindValue(value);
            done = query.exec();
        }
        if (!done) {
            ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
            return rows;
        }
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.record().count(); ++i)
                cells.append(query.value(i).toString());
            rows.append(cells.join(QLatin1Char('|')));
        }
        return rows;
    }

    Outcome cli(const QStringList &arguments) {
        return run(QStringList{QStringLiteral("--db"), m_location} + arguments);
    }

    // Starts the program without waiting for it.
    void start(QProcess &process, const QStringList &arguments) const {
        process.start(QStringLiteral(FENBAN_CLI_PATH),
                      QStringList{QStringLiteral("--db"), m_location} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    // A new project of `classes` classes holding `students` made-up students; its number.
    int projectWithIntake(int classes, int students, unsigned seed = 1) {
        const Outcome created = cli({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("并发"),
                                     QStringLiteral("--classes"), QString::number(classes)});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
        const int id = created.out.trimmed().toInt();
        const Outcome imported = cli({QStringLiteral("import"), QString::number(id), intake(students, seed)});
        EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
        // The exact division alone: what these tests lock and interrupt is one division's run.
        const Outcome exact = cli({QStringLiteral("settings"), QString::number(id),
                                   QStringLiteral("--optimise-after"), QStringLiteral("0")});
        EXPECT_EQ(exact.exitCode, 0) << exact.err.toStdString();
        return id;
    }

    // A student list to import: numbers from seed * 100000 on, both sexes, scores from 30 to 100.
    QString intake(int students, unsigned seed) {
        const QString path = m_dir.filePath(QStringLiteral("intake-%1-%2.csv").arg(students).arg(seed));
        QFile sheet(path);
        if (!sheet.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            ADD_FAILURE() << "cannot write " << path.toStdString();
            return path;
        }
        sheet.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n");
        unsigned state = seed;
        for (int i = 1; i <= students; ++i) {
            const int number = static_cast<int>(seed) * 100000 + i;
            QByteArray row =
                QByteArray::number(number) + ",,学" + QByteArray::number(number) + (i % 2 ? ",男" : ",女");
            for (int subject = 0; subject < 9; ++subject) {
                state = state * 1103515245u + 12345u;
                row += ',' + QByteArray::number(30 + (state >> 16) % 71);
            }
            sheet.write(row + "\r\n");
        }
        return path;
    }

    // Every row of every table of the schema, so that a command that wrote anything at all shows.
    QStringList dump() {
        QStringList rows;
        for (const QString &table :
             exec(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = ?"
                                 " ORDER BY table_name"),
                  {m_schema})) {
            rows.append(QStringLiteral("== ") + table);
            rows +=
                exec(QStringLiteral("SELECT t::text FROM %1.\"%2\" AS t ORDER BY 1").arg(m_schema, table));
        }
        return rows;
    }

    // Takes (true) or gives back (false) the project's lock on the other user's connection.
    bool otherUserLocks(int projectId, bool take) {
        const QStringList answer =
            exec(take ? QStringLiteral("SELECT pg_try_advisory_lock(CAST(? AS INTEGER), CAST(? AS INTEGER))")
                      : QStringLiteral("SELECT pg_advisory_unlock(CAST(? AS INTEGER), CAST(? AS INTEGER))"),
                 {m_lockSpace, projectId});
        return answer == QStringList{QStringLiteral("true")};
    }

    // The server process of the connection that holds the project's lock, once one does; nothing
    // when none has taken it within `seconds`.
    std::optional<int> lockHolder(int projectId, int seconds = 30) {
        const QDeadlineTimer deadline(seconds * 1000);
        do {
            const QStringList pids =
                exec(QStringLiteral("SELECT pid FROM pg_locks WHERE locktype = 'advisory' AND granted"
                                    " AND classid = CAST(CAST(? AS INTEGER) AS oid) AND objid = CAST(CAST(? "
                                    "AS INTEGER) AS oid)"
                                    " AND objsubid = 2"),
                     {m_lockSpace, projectId});
            if (!pids.isEmpty())
                return pids.first().toInt();
            QThread::msleep(20);
        } while (!deadline.hasExpired());
        return std::nullopt;
    }

    // The history's newest action ("分班", "优化均衡", ...).
    QString newestAction(int projectId) {
        const Outcome listed = cli({QStringLiteral("history"), QString::number(projectId)});
        EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        return listed.out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\t'), 2, 2);
    }

    QString m_server;
    QString m_schema;
    QString m_location;
    QString m_connectionName;
    QSqlDatabase m_other;
};

} // namespace fenban::testing
