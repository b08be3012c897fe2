#pragma once

#include "store/location.h"
#include "store/result.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

// The SQL that differs between a SQLite file and a PostgreSQL server lives here and nowhere else;
// everything else in the store is written in the SQL both understand.
namespace fenban::store {

Backend backendOf(const QSqlDatabase &db);

// A table's own number column, given out once and never again.
QString identityColumn(Backend backend);
// Raw bytes, and a floating-point number of double precision.
QString bytesType(Backend backend);
QString doubleType(Backend backend);
// The student tables' text columns: SQLite keeps the declared lengths of files it always had; a
// server column must not pad (char(n) does) nor refuse a longer name the file took.
QString studentTextType(Backend backend, int declaredLength);
// A student number: up to 18 digits, which SQLite's int holds and a server's INTEGER does not.
QString studentNumberType(Backend backend);
// A 64-bit integer column of the program's own tables.
QString wideIntegerType(Backend backend);
// A name match that ignores the case of Latin letters, as SQLite's LIKE does.
QString likeOperator(Backend backend);

// The statement that starts a transaction whose reads stay true until it writes: SQLite takes its
// write lock at once; a server transaction works on one snapshot and fails rather than overwrite a
// change committed meanwhile.
QString beginWriteStatement(Backend backend);
// The statement that starts a transaction that only reads, every read seeing the same moment.
QString beginSnapshotStatement(Backend backend);

// After rows were written with their own numbers: the table's counter gives out numbers above every
// one in it from now on and never goes back (a file's counter follows such rows by itself).
Status advanceIdentity(QSqlDatabase db, const QString &table);

// The tables of the program's database (its schema on a server).
Result<QStringList> tableNames(QSqlDatabase db);

// Kinds of failure the store answers differently from the rest.
bool isConstraintViolation(const QSqlError &error);
bool isConnectionLost(const QSqlError &error);

// A server error as a teacher can act on it, or an empty text when its code names no known cause.
QString describeServerError(const QSqlError &error);

} // namespace fenban::store
