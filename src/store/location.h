#pragma once

#include "store/result.h"

#include <QString>
#include <QStringList>

namespace fenban::store {

enum class Backend { SQLite, PostgreSQL };

// Where the program's data lives: a database file of its own, or a database on a PostgreSQL server
// that several teachers share.
struct DatabaseLocation {
    Backend backend = Backend::SQLite;
    QString path; // the file, for SQLite
    QString host;
    int port = 5432;
    QString user;
    QString databaseName;
    // Further libpq keywords from the address's query (sslmode=require, connect_timeout=10, ...), each
    // as "keyword=value".
    QStringList options;

    // The address as the teacher gave it, for titles and messages; it never holds a password.
    QString display() const;
};

// Whether the text is meant as a server address rather than a file.
bool isServerAddress(const QString &text);

// A file path, or postgresql://user@host:port/dbname?keyword=value&... ; a password written into the
// address is refused, since an address is shown, remembered and visible to other users in the process list.
Result<DatabaseLocation> parseDatabaseLocation(const QString &text);

// The database as a message may name it: a file path as it is; a server address without any password
// written into it, even one that does not parse.
QString shownLocation(const QString &text);

// "无法打开数据库文件 <path>: <why>" or, for a server, "无法打开数据库 <address>: <why>".
QString openFailureText(const QString &location, const QString &why);

// A password the teacher typed for a server address, kept in this process's memory only and used by
// every later connection to that address. An empty password forgets it.
void setSessionPassword(const QString &location, const QString &password);
QString sessionPassword(const QString &location);

} // namespace fenban::store
