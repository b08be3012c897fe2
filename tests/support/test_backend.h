#pragma once

#include <QSqlDatabase>
#include <QString>

#include <gtest/gtest.h>

namespace fenban::testing {

// True when this run of a test program is its PostgreSQL variant (FENBAN_TEST_BACKEND=postgresql):
// every database the tests open is then a schema on the server FENBAN_TEST_POSTGRESQL names.
bool onServer();

// The test server's URL, postgresql://user@host:port/dbname, from FENBAN_TEST_POSTGRESQL.
QString serverUrl();

// The URL that opens `schema` on the test server: the server's URL with the schema as search path.
QString schemaLocation(const QString &schema);

// A plain connection to the test server under `connectionName`, outside the store (as another copy
// of the program, or the test's own housekeeping, would have), quiet about the server's notices. A
// server it cannot reach is a test failure.
QSqlDatabase connectToTestServer(const QString &connectionName);

// A schema of its own on the test server, empty when made and dropped with everything in it when
// the object goes. No connection may still be inside a transaction on it by then.
class ServerSchema {
public:
    ServerSchema();
    ~ServerSchema();
    ServerSchema(const ServerSchema &) = delete;
    ServerSchema &operator=(const ServerSchema &) = delete;

    const QString &name() const { return m_name; }
    QString location() const { return schemaLocation(m_name); }

private:
    QString m_connectionName;
    QString m_name;
};

} // namespace fenban::testing

// For a test about the database file itself (its bytes, permissions, journal, locks, path), which
// has nothing to test on a server.
#define FENBAN_FILE_ONLY()                                                                                   \
    if (::fenban::testing::onServer())                                                                       \
    GTEST_SKIP() << "file only"
