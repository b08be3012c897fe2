#pragma once

#include "store/result.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace fenban::store {

// The program's one database file, open for as long as this object lives.
class Database {
public:
    // Opens (and on first use creates) the file at `path`: a private folder and file, WAL journal,
    // the fixed tables and the file's mark. An existing file of ours is used as it is (one of an
    // earlier version, known by its tables, gets the mark); a database of another program is
    // refused ("不是分班数据库文件") and left exactly as it was.
    static Result<std::unique_ptr<Database>> open(const QString &path);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QSqlDatabase connection() const;
    const QString &path() const { return m_path; }

private:
    Database(QString connectionName, QString path);
    QString m_connectionName;
    QString m_path;
};

// Where the database lives unless told otherwise: $XDG_DATA_HOME/fenban/qx.db.
QString defaultDatabasePath();

// A path given on the command line wins over the environment variable FENBAN_DB, which wins over
// the default.
QString resolveDatabasePath(const QString &commandLinePath);

} // namespace fenban::store
