#pragma once

#include "store/location.h"
#include "store/result.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace fenban::store {

// The program's database, open for as long as this object lives: a file of its own, or a database
// on a PostgreSQL server shared by several users.
class Database {
public:
    // Opens (and on first use creates) the file at `path`: a private folder and file, WAL journal,
    // the fixed tables and the file's mark. An existing file of ours is used as it is (one of an
    // earlier version, known by its tables, gets the mark); a database of another program is
    // refused ("不是分班数据库文件") and left exactly as it was.
    //
    // A postgresql:// address (see parseDatabaseLocation) opens the database on that server and
    // creates the tables there where they do not exist. The password comes from the session (see
    // setSessionPassword), PGPASSWORD or ~/.pgpass; without one that the server wants, the failure is
    // passwordRequiredMessage(). No message ever holds a password.
    //
    // A file that cannot be written (a read-only medium, no write permission on it or its folder) is
    // opened for reading only: reading works and every change fails with "数据库文件只读，无法写入".
    // Access::ReadOnly opens any database that way: a file must exist and is read as it is, with
    // nothing written into it (no mark, no journal mode, no tables); a server database is not given
    // the tables it lacks and its session refuses writes.
    enum class Access { ReadWrite, ReadOnly };
    static Result<std::unique_ptr<Database>> open(const QString &location, Access access = Access::ReadWrite);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QSqlDatabase connection() const;
    // The file, or the server address as shown to the teacher.
    const QString &path() const { return m_path; }
    const QString &location() const { return m_path; }
    Backend backend() const { return m_backend; }

private:
    Database(QString connectionName, QString path, Backend backend);
    static Result<std::unique_ptr<Database>> openServer(const QString &address,
                                                        const DatabaseLocation &location, Access access);
    QString m_connectionName;
    QString m_path;
    Backend m_backend;
};

// The address a connection opened by Database::open was opened with (a file's path, or the server
// address as given), so work in another thread can open a connection of its own to the same
// database; empty for a connection not opened that way.
QString locationOf(const QSqlDatabase &db);

// A server connection that died (a server restart, the network) stays "open" to Qt and fails every
// statement; this finds out with one small query and connects again, so a window that outlives the
// break works on. Does nothing to a file's connection.
Status reconnectIfLost(QSqlDatabase db);

// "数据库服务器要求输入密码": a window asks for the password and tries again.
QString passwordRequiredMessage();
// "数据库服务器拒绝登录，用户名或密码不正确", for a password given: a window may ask again.
QString wrongPasswordMessage();

// Where the database lives unless told otherwise: $XDG_DATA_HOME/fenban/qx.db, on Windows
// %APPDATA%\fenban\qx.db.
QString defaultDatabasePath();

// A path given on the command line wins over the environment variable FENBAN_DB, which wins over
// the default.
QString resolveDatabasePath(const QString &commandLinePath);

} // namespace fenban::store
