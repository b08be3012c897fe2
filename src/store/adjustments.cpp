#include "store/adjustments.h"

#include "engine/division.h"
#include "store/projects.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QSqlQuery>
#include <QVariant>

#include <optional>

namespace fenban::store {

namespace {

struct Placed {
    qint64 studentId = 0;
    QString name;
    int classId = 0;
};

// The student's class and name, read inside the caller's transaction.
Result<Placed> findStudent(QSqlDatabase db, int projectId, qint64 studentId) {
    using R = Result<Placed>;
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT student_name, class_id FROM ") + studentTableName(projectId) +
                       QStringLiteral(" WHERE student_id=?")))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(studentId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    const auto found = nextRow(query);
    if (!found)
        return R::failure(found.error());
    if (!found.value())
        return R::failure(QStringLiteral("学号不存在: %1").arg(studentId));
    return R::success({studentId, query.value(0).toString(), query.value(1).toInt()});
}

QString named(const Placed &student) {
    return QStringLiteral("%1 %2").arg(student.studentId).arg(student.name);
}

// Sets the classes (student, class) in one transaction with the history's record of them.
Status place(QSqlDatabase db, int projectId, const QList<std::pair<qint64, int>> &moves, bool fix,
             const SnapshotSummary &summary) {
    if (const Status started = startHistory(db, projectId, summary); !started)
        return started;
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("UPDATE ") + studentTableName(projectId) +
                        QStringLiteral(" SET class_id=?, type=? WHERE student_id=?")))
        return Status::failure(describeError(update.lastError()));
    for (const auto &[studentId, classId] : moves) {
        update.addBindValue(classId);
        update.addBindValue(static_cast<int>(fix ? Placement::Fixed : Placement::Placed));
        update.addBindValue(studentId);
        if (!update.exec())
            return Status::failure(describeError(update.lastError()));
    }
    return recordSnapshot(db, projectId, QStringLiteral("调整"), summary);
}

} // namespace

Status moveStudent(QSqlDatabase db, int projectId, qint64 studentId, int toClass, bool fix,
                   const SnapshotSummary &summary) {
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    const auto project = ProjectStore(db).get(projectId);
    if (!project)
        return Status::failure(project.error());
    const auto student = findStudent(db, projectId, studentId);
    if (!student)
        return Status::failure(student.error());
    if (toClass < 1 || toClass > project.value().classes)
        return Status::failure(
            QStringLiteral("班级号必须在1到%1之间: %2").arg(project.value().classes).arg(toClass));
    if (student.value().classId == toClass)
        return Status::failure(QStringLiteral("学生已在%1班: %2").arg(toClass).arg(named(student.value())));
    if (const Status placed = place(db, projectId, {{studentId, toClass}}, fix, summary); !placed)
        return placed;
    return transaction.commit();
}

Status swapStudents(QSqlDatabase db, int projectId, qint64 first, qint64 second, bool fix,
                    const SnapshotSummary &summary) {
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    const auto project = ProjectStore(db).get(projectId);
    if (!project)
        return Status::failure(project.error());
    if (first == second) {
        const auto found = findStudent(db, projectId, first);
        if (!found)
            return Status::failure(found.error());
        return Status::failure(QStringLiteral("学生重复: %1").arg(named(found.value())));
    }
    std::optional<Placed> students[2];
    const qint64 ids[2] = {first, second};
    for (int index = 0; index < 2; ++index) {
        const auto found = findStudent(db, projectId, ids[index]);
        if (!found)
            return Status::failure(found.error());
        if (found.value().classId < 1 || found.value().classId > project.value().classes)
            return Status::failure(QStringLiteral("学生未分班: %1").arg(named(found.value())));
        students[index] = found.value();
    }
    if (students[0]->classId == students[1]->classId)
        return Status::failure(
            QStringLiteral("两名学生在同一个班: %1、%2").arg(named(*students[0]), named(*students[1])));
    if (const Status placed = place(
            db, projectId, {{first, students[1]->classId}, {second, students[0]->classId}}, fix, summary);
        !placed)
        return placed;
    return transaction.commit();
}

} // namespace fenban::store
