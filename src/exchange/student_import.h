#pragma once

#include "exchange/import_rows.h"
#include "store/students.h"

#include <optional>

namespace fenban::exchange {

// Why a spreadsheet row cannot become a student.
struct ImportProblem {
    int sheetRow = 0; // 0 when the problem is the file as a whole rather than one of its rows
    QString column;   // the column's title, as in the sheet's header
    QString value;    // the cell's text
    QString reason;   // what is wrong with it, said in full

    // The message shown to the teacher: the row-numbered line, then what is wrong; for a problem of
    // the whole file only what is wrong.
    QString message() const;
};

// A student number as a cell or a search box gives it: a whole number of up to 18 digits, written
// plainly or with a fraction of zeros ("20260001.0"). Read from the digits, never through a double,
// which holds only 15 to 16 of them. The exponent form ("2.02601E+11") fails with
// "学号不能写成科学计数法": it is how a spreadsheet shows a number whose digits it may have lost. A
// negative number fails with "学号不能是负数", more digits with "学号太长，最多18位", anything else
// with "学号必须是整数".
inline constexpr int studentNumberDigits = 18;
store::Result<qint64> studentNumber(const QString &text);

// The text with each control character written out ("\\n", "\\t", "\\r", otherwise "U+0000"), so a
// message that quotes a cell stays on its lines and shows what the cell holds.
QString visibleControls(const QString &text);

struct ImportCheck {
    QList<store::StudentRecord> records;
    std::optional<ImportProblem> problem; // the first row that cannot be imported, if any
};

// Turns the student rows into records for the student table (class 0, placement code 0, the name's
// pinyin), refusing the first row that the table could not hold faithfully. No rows at all are
// refused too: replacing a project's students with none would only lose them.
ImportCheck studentsFromRows(const QList<ImportRow> &rows);

} // namespace fenban::exchange
