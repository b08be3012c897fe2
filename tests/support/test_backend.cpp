#include "support/test_backend.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>

namespace fenban::testing {

bool onServer() {
    return qEnvironmentVariable("FENBAN_TEST_BACKEND") == QStringLiteral("postgresql");
}

QString serverUrl() {
    return qEnvironmentVariable("FENBAN_TEST_POSTGRESQL");
}

QString schemaLocation(const QString &schema) {
    const QString url = serverUrl();
    const QChar separator = url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
    return url + separator + QStringLiteral("options=-csearch_path%3D") + schema;
}

QSqlDatabase connectToTestServer(const QString &connectionName) {
    const QUrl url(serverUrl());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    QStringList options;
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        options.append(key + QLatin1Char('=') + value);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open()) {
        ADD_FAILURE() << "cannot reach the test server " << serverUrl().toStdString() << ": "
                      << db.lastError().text().toStdString();
        return db;
    }
    // The server's notes on what a drop took with it are no news here.
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
    return db;
}

namespace {

void exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

} // namespace

ServerSchema::ServerSchema() {
    static std::atomic<int> counter{0};
    const int number = ++counter;
    m_connectionName = QStringLiteral("fenban-test-schema-%1").arg(number);
    m_name = QStringLiteral("t_%1_%2").arg(QCoreApplication::applicationPid()).arg(number);
    const QSqlDatabase db = connectToTestServer(m_connectionName);
    // A test program that crashed may have left a schema of the same name behind.
    exec(db, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_name));
    exec(db, QStringLiteral("CREATE SCHEMA %1").arg(m_name));
}

ServerSchema::~ServerSchema() {
    {
        const QSqlDatabase db = QSqlDatabase::database(m_connectionName);
        if (db.isOpen())
            exec(db, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_name));
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

} // namespace fenban::testing
