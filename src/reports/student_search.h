#pragma once

#include "store/result.h"
#include "store/student_queries.h"
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

// The search itself runs in the store; the list window and the command line reach it from here.
using store::ScoreRange;
using store::StudentFilter;

// Reads the typed texts. A student number or a score bound that is not a number is refused with a
// message beginning "请输入数字" that names the field and the text; a number that is no student
// number (a fraction, more than 18 digits) with the import's reason.
store::Result<StudentFilter> studentFilter(const StudentSearchTexts &texts);

using store::allStudents;
using store::searchStudents;
using store::studentClassIds;

// The students of one class, by student number.
store::Result<QList<store::StudentRecord>> studentsOfClass(QSqlDatabase db, int projectId, int classId);

} // namespace fenban::reports
