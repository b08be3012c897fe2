#include "store/student_edits.h"

#include "store/query.h"
#include "store/schema.h"
#include "store/student_groups.h"
#include "store/student_rows.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

Status failure(const QSqlQuery &query) {
    return Status::failure(query.lastError().text());
}

// Inside the caller's transaction: refuses a student number some other row already has.
Status numberIsFree(QSqlDatabase db, const QString &table, qint64 studentId) {
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + table +
                       QStringLiteral(" WHERE student_id=?")))
        return failure(query);
    query.addBindValue(studentId);
    if (!query.exec())
        return failure(query);
    if (const auto counted = nextRow(query); !counted || !counted.value())
        return Status::failure(counted ? QStringLiteral("读不到学号%1的人数").arg(studentId)
                                       : counted.error());
    if (query.value(0).toInt() > 0)
        return Status::failure(QStringLiteral("学号%1已有学生").arg(studentId));
    return Status::success();
}

// Only an edit that moved, added or removed a student leaves a snapshot; a mended score does not.
Status recordAndCommit(QSqlDatabase db, int projectId, const SnapshotSummary &summary,
                       Transaction &transaction) {
    if (const Status recorded = recordSnapshot(db, projectId, QStringLiteral("调整"), summary, true);
        !recorded)
        return recorded;
    return transaction.commit();
}

Status gone(qint64 studentId) {
    return Status::failure(QStringLiteral("学号为%1的学生已不存在").arg(studentId));
}

} // namespace

Status updateStudent(QSqlDatabase db, int projectId, qint64 storedStudentId, const StudentRecord &student,
                     const SnapshotSummary &summary) {
    const QString table = studentTableName(projectId);
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    if (const Status started = startHistory(db, projectId, summary); !started)
        return started;
    if (student.studentId != storedStudentId) {
        if (const Status free = numberIsFree(db, table, student.studentId); !free)
            return free;
    }
    QSqlQuery query(db);
    if (!query.prepare(updateStudentSql(table)))
        return failure(query);
    bindStudent(query, student);
    query.addBindValue(storedStudentId);
    if (!query.exec())
        return failure(query);
    if (query.numRowsAffected() != 1)
        return gone(storedStudentId);
    if (const Status renumbered = renumberGroupMember(db, projectId, storedStudentId, student.studentId);
        !renumbered)
        return renumbered;
    return recordAndCommit(db, projectId, summary, transaction);
}

Status insertStudent(QSqlDatabase db, int projectId, const StudentRecord &student,
                     const SnapshotSummary &summary) {
    const QString table = studentTableName(projectId);
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    if (const Status started = startHistory(db, projectId, summary); !started)
        return started;
    if (const Status free = numberIsFree(db, table, student.studentId); !free)
        return free;
    QSqlQuery query(db);
    if (!query.prepare(insertStudentSql(table)))
        return failure(query);
    bindStudent(query, student);
    if (!query.exec())
        return failure(query);
    return recordAndCommit(db, projectId, summary, transaction);
}

Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId, const SnapshotSummary &summary) {
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    if (const Status started = startHistory(db, projectId, summary); !started)
        return started;
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("DELETE FROM ") + studentTableName(projectId) +
                       QStringLiteral(" WHERE student_id=?")))
        return failure(query);
    query.addBindValue(studentId);
    if (!query.exec())
        return failure(query);
    if (query.numRowsAffected() != 1)
        return gone(studentId);
    if (const Status dropped = dropGroupMember(db, projectId, studentId); !dropped)
        return dropped;
    return recordAndCommit(db, projectId, summary, transaction);
}

} // namespace fenban::store
