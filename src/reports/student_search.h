#pragma once

#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace fenban::reports {

// The seventeen columns of the student list, in list order: the student table's field and the title
// the list shows for it.
struct StudentListColumn {
    QString field;
    QString title;
};
const QList<StudentListColumn> &studentListColumns();
QStringList studentListTitles();

// The texts the list shows for a student, one per list column; an empty score stays empty.
QStringList studentListCells(const store::StudentRecord &student);

// The caption of a class in the class tree ("3班"), and the caption of the tree's root.
QString className(int classId);
QString allClassesCaption();

// The search as the teacher typed it. Empty texts set no condition; a score range sets one only
// when both bounds are given.
struct StudentSearchTexts {
    QString number;
    QString namePart;
    QString sex; // "男" or "女"; anything else means both
    std::optional<int> classId;
    QString mathLow, mathHigh;
    QString chineseLow, chineseHigh;
    QString englishLow, englishHigh;
};

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

// Reads the typed texts. A student number or a score bound that is not a number is refused with a
// message beginning "请输入数字" that names the field and the text; a number that is no student
// number (a fraction, more than 18 digits) with the import's reason.
store::Result<StudentFilter> studentFilter(const StudentSearchTexts &texts);

// The project's students that meet every condition of `filter`, by student number.
store::Result<QList<store::StudentRecord>> searchStudents(QSqlDatabase db, int projectId,
                                                          const StudentFilter &filter);

// Every student of the project, by class and then student number.
store::Result<QList<store::StudentRecord>> allStudents(QSqlDatabase db, int projectId);

// The students of one class, by student number.
store::Result<QList<store::StudentRecord>> studentsOfClass(QSqlDatabase db, int projectId, int classId);

// The distinct class numbers the project's students have, ascending (0 for students in no class).
store::Result<QList<int>> studentClassIds(QSqlDatabase db, int projectId);

} // namespace fenban::reports
