#pragma once

#include "store/history.h"
#include "store/result.h"
#include "store/students.h"

#include <QSqlDatabase>

namespace fenban::store {

// Single students written from the student list. Each of these is one transaction. A student number
// already taken by another student is refused.
// An edit that changes where students stand (class, placement code, a student added or gone) is
// recorded in the project's history as "调整", summed up by `summary`.
Status updateStudent(QSqlDatabase db, int projectId, qint64 storedStudentId, const StudentRecord &student,
                     const SnapshotSummary &summary = {});
Status insertStudent(QSqlDatabase db, int projectId, const StudentRecord &student,
                     const SnapshotSummary &summary = {});
Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId, const SnapshotSummary &summary = {});

} // namespace fenban::store
