#pragma once

#include "store/result.h"
#include "store/students.h"

#include <QSqlDatabase>

namespace fenban::store {

// Single students written from the student list. Each of these is one transaction. A student number
// already taken by another student is refused.
Status updateStudent(QSqlDatabase db, int projectId, qint64 storedStudentId, const StudentRecord &student);
Status insertStudent(QSqlDatabase db, int projectId, const StudentRecord &student);
Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId);

} // namespace fenban::store
