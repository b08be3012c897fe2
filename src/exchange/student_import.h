#pragma once

#include "exchange/import_rows.h"
#include "store/students.h"

#include <optional>

namespace fenban::exchange {

// Why a spreadsheet row cannot become a student.
struct ImportProblem {
    int sheetRow = 0;
    QString column; // the column's title, as in the sheet's header
    QString value;  // the cell's text
    QString reason; // what is wrong with it, said in full

    // The message shown to the teacher: the row-numbered line, then what is wrong.
    QString message() const;
};

struct ImportCheck {
    QList<store::StudentRecord> records;
    std::optional<ImportProblem> problem; // the first row that cannot be imported, if any
};

// Turns the student rows into records for the student table (class 0, placement code 0, the name's
// pinyin), refusing the first row that the table could not hold faithfully.
ImportCheck studentsFromRows(const QList<ImportRow> &rows);

} // namespace fenban::exchange
