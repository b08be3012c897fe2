#pragma once

#include "store/database.h"
#include "support/qt_printers.h"
#include "support/test_backend.h"

#include <QTemporaryDir>

#include <memory>

namespace fenban::testing {

// A fresh database, removed with the object: a file in a folder of its own, or on the PostgreSQL
// variant a schema of its own on the test server.
class TempDatabase {
public:
    TempDatabase();
    // The file's path, also on the server, where nothing is there (for the file-only tests).
    QString path() const { return m_dir.filePath(QStringLiteral("qx.db")); }
    // What Database::open takes: the file's path or the schema's URL.
    QString location() const { return m_schema ? m_schema->location() : path(); }
    bool isServer() const { return m_schema != nullptr; }
    const QTemporaryDir &dir() const { return m_dir; }
    store::Database &database() { return *m_database; }
    QSqlDatabase connection() const { return m_database->connection(); }

    // Runs a statement that must succeed; each row comes back as its cells joined by "|", a NULL as
    // an empty cell on either backend.
    QStringList query(const QString &sql) const;

    // Makes the database refuse a write with `message`, as a full disk or a constraint would: before
    // `event` ("UPDATE", "INSERT") on `table`, for the rows where `condition` (SQL over NEW) holds.
    void refuseWrites(const QString &name, const QString &event, const QString &table,
                      const QString &condition, const QString &message) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ServerSchema> m_schema;
    std::unique_ptr<store::Database> m_database;
};

} // namespace fenban::testing
