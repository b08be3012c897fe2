#pragma once

#include "store/database.h"
#include "support/qt_printers.h"

#include <QTemporaryDir>

#include <memory>

namespace fenban::testing {

// A fresh database file in a folder of its own, removed with the object.
class TempDatabase {
public:
    TempDatabase();
    QString path() const { return m_dir.filePath(QStringLiteral("qx.db")); }
    const QTemporaryDir &dir() const { return m_dir; }
    store::Database &database() { return *m_database; }
    QSqlDatabase connection() const { return m_database->connection(); }

    // Runs a statement that must succeed; each row comes back as its cells joined by "|".
    QStringList query(const QString &sql) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<store::Database> m_database;
};

} // namespace fenban::testing
