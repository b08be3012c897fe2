#pragma once

#include "store/result.h"

#include <QSqlError>
#include <QSqlQuery>

#include <functional>

namespace fenban::store {

// SQLite's primary result code behind an error of the Qt driver, 0 when there is none (or when the
// error is a server's).
int sqliteCode(const QSqlError &error);

inline constexpr int sqliteBusy = 5;
inline constexpr int sqliteLocked = 6;
inline constexpr int sqliteReadOnly = 8;
inline constexpr int sqliteCorrupt = 11;
inline constexpr int sqliteFull = 13;
inline constexpr int sqliteConstraint = 19;
inline constexpr int sqliteNotADatabase = 26;

// The database's error as a teacher can act on it: the cause in Chinese where SQLite names one
// (busy, read-only, disk full, damaged file), followed by SQLite's own text.
QString describeError(const QSqlError &error);

// One step of an executed query: true on a row, false past the last one, or the error that
// ended the steps. A failing step looks like the end of the rows to QSqlQuery::next(), which is
// how a damaged table used to pass for a short one.
Result<bool> nextRow(QSqlQuery &query);

// Steps through every remaining row of an executed query, handing each to `take`; fails, with the
// database's text, when any step fails, so the caller never mistakes part of a table for all of it.
Status forEachRow(QSqlQuery &query, const std::function<void(const QSqlQuery &)> &take);

} // namespace fenban::store
