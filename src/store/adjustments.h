#pragma once

#include "store/history.h"
#include "store/result.h"

#include <QSqlDatabase>

namespace fenban::store {

// A teacher's own changes of class. Each is one transaction that checks first, writes, and records
// the result in the project's history as "调整". With `fix`, the students moved keep their new
// class in later divisions (placement code 2); otherwise they count as placed (1).

// Refuses an unknown student ("学号不存在: 123"), a class outside 1..K ("班级号必须在1到K之间: 9")
// and the class the student is in already ("学生已在3班: 123 张三").
Status moveStudent(QSqlDatabase db, int projectId, qint64 studentId, int toClass, bool fix,
                   const SnapshotSummary &summary = {});
// Exchanges the classes of two students; refuses an unknown student, a student in no class
// ("学生未分班: 123 张三"), one student given twice ("学生重复: 1 张三") and two students of one
// class ("两名学生在同一个班: 1 张三、2 李四").
Status swapStudents(QSqlDatabase db, int projectId, qint64 first, qint64 second, bool fix,
                    const SnapshotSummary &summary = {});

} // namespace fenban::store
