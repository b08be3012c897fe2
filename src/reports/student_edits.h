#pragma once

#include "store/result.h"
#include "store/student_edits.h"
#include "store/students.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace fenban::reports {

// Why a list row cannot be written: the list column, the text in it and what is wrong with it.
struct StudentFieldProblem {
    QString column;
    QString value;
    QString reason;

    QString message() const;
};

struct StudentEdit {
    std::optional<store::StudentRecord> record;
    std::optional<StudentFieldProblem> problem;
};

// Turns the seventeen texts of a list row (list column order) into the student to store, refusing
// what the import would refuse, a class that is not a whole number from 0 up and a placement code
// other than 0 to 3. `before` is the student as stored (a default record for a new row): it gives
// the columns the list does not show, and the pinyin, which is formed again only when the name
// changed.
StudentEdit studentFromListCells(const QStringList &cells, const store::StudentRecord &before);

// Writing the edited students is the store's; the list window reaches it from here, so that the
// history sums up what an edit does to the classes as every other change does.
store::Status updateStudent(QSqlDatabase db, int projectId, qint64 storedStudentId,
                            const store::StudentRecord &student);
store::Status insertStudent(QSqlDatabase db, int projectId, const store::StudentRecord &student);
store::Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId);

} // namespace fenban::reports
