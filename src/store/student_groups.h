#pragma once

#include "engine/student_groups.h"
#include "store/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace fenban::store {

// A teacher's keep-apart or keep-together rule of one project, as the lists show it. Members are kept
// in step with the student table: a changed student number follows, a deleted student leaves its rules
// (a rule left with fewer than two students goes), and replacing every student removes the rules.
struct GroupMember {
    qint64 studentId = 0;
    QString name; // empty if the student is missing from the table

    bool operator==(const GroupMember &) const = default;
};

struct StoredGroup {
    int id = 0; // the number the teacher removes the rule by
    StudentGroup::Kind kind = StudentGroup::Kind::Apart;
    QList<GroupMember> members; // by student number

    bool operator==(const StoredGroup &) const = default;
};

// "分开" or "同班".
QString groupKindText(StudentGroup::Kind kind);

// Creates the rule tables where they do not exist yet (files of earlier versions get them on open).
Status createGroupTables(QSqlDatabase db);

// Stores a new rule and answers its number. Checks first and stores nothing when it refuses:
// fewer than two students ("至少需要两名学生"), a number the project has no student for
// ("学号不存在: 123"), a student twice ("学生重复: 123 张三"), or a keep-together rule with more
// students than one class holds, ceil(students / classes) ("同班组有5名学生，超过一个班的人数4").
Result<int> addGroup(QSqlDatabase db, int projectId, StudentGroup::Kind kind,
                     const QList<qint64> &studentIds);

// The project's rules in the order they were made.
Result<QList<StoredGroup>> groups(QSqlDatabase db, int projectId);

// Fails with "没有编号为N的规则" for a number the project has no rule under.
Status removeGroup(QSqlDatabase db, int projectId, int groupId);

// The project's rules as the engine checks them, in the order of groups(); violation indexes refer
// to this order.
Result<std::vector<StudentGroup>> engineGroups(QSqlDatabase db, int projectId);
std::vector<StudentGroup> toEngineGroups(const QList<StoredGroup> &stored);

// Steps of the student edits, run inside the caller's transaction.
Status renumberGroupMember(QSqlDatabase db, int projectId, qint64 oldStudentId, qint64 newStudentId);
Status dropGroupMember(QSqlDatabase db, int projectId, qint64 studentId);
Status dropProjectGroups(QSqlDatabase db, int projectId);

} // namespace fenban::store
