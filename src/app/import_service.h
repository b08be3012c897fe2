#pragma once

#include "exchange/import_rows.h"
#include "exchange/student_import.h"
#include "store/result.h"
#include "store/students.h"

#include <QSqlDatabase>

#include <functional>
#include <optional>

namespace fenban::app {

// An import goes in two steps, so that a window can show the rows before anything is written:
// read the file, then check the rows and replace the project's students with them.

// The student rows of the file's first sheet (.xls, .xlsx or .csv), or why there are none.
store::Result<exchange::ImportSheet> readImportFile(const QString &path);

// Told how many students are written so far; answering false cancels the write.
using WriteProgress = std::function<bool(qsizetype written)>;

// Replaces every student of the project with `records`, all or nothing.
store::ReplaceOutcome writeStudents(QSqlDatabase db, int projectId,
                                    const QList<store::StudentRecord> &records,
                                    const WriteProgress &progress = {});

struct ImportOutcome {
    // The first row the student table could not hold; when set, the database was not touched.
    std::optional<exchange::ImportProblem> problem;
    store::ReplaceOutcome write; // when there is no problem
    qsizetype students = 0;      // how many were to be written
};

// Checks the rows and, when all are sound, writes them on a connection of its own to the file at
// `databasePath` (for a worker thread: Qt connections belong to the thread that made them). A file
// that cannot be opened fails the write with the reason.
ImportOutcome importRows(const QString &databasePath, int projectId, const QList<exchange::ImportRow> &rows,
                         const WriteProgress &progress = {});

} // namespace fenban::app
