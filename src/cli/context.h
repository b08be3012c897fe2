#pragma once

#include "cli/arguments.h"
#include "store/database.h"

#include <QTextStream>

#include <memory>

namespace fenban::cli {

// What every command works with: its words, the two output streams and the database file.
struct Context {
    Arguments &args;
    QTextStream &out;
    QTextStream &err;
    QString databasePath;

    // Reports a usage problem left in the words; returns whether there was one.
    bool usageFailed();
    // Opens the database, reporting on `err` why it could not; null on failure.
    std::unique_ptr<store::Database> openDatabase();
    // Reads a project id word; reports a usage problem and gives nothing when it is not a whole number.
    std::optional<int> takeProjectId();
    // Whether the project exists, reporting on `err` when it does not.
    bool projectExists(store::Database &database, int id);
};

} // namespace fenban::cli
