#pragma once

#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace fenban::store {

struct ScoreRange {
    double low = 0;
    double high = 0;
};

// A search ready to run. Every value is bound into the statement, never written into it.
struct StudentFilter {
    std::optional<qint64> studentId;
    QString namePart; // matched anywhere in the name, taken literally (no wildcards)
    QString sex;      // compared with the trimmed stored sex; empty for both
    std::optional<int> classId;
    std::optional<ScoreRange> math;
    std::optional<ScoreRange> chinese;
    std::optional<ScoreRange> english;
};

// The project's students that meet every condition of `filter`, by student number.
Result<QList<StudentRecord>> searchStudents(QSqlDatabase db, int projectId, const StudentFilter &filter);

// Every student of the project, by class and then student number.
Result<QList<StudentRecord>> allStudents(QSqlDatabase db, int projectId);

// The distinct class numbers the project's students have, ascending (0 for students in no class).
Result<QList<int>> studentClassIds(QSqlDatabase db, int projectId);

} // namespace fenban::store
