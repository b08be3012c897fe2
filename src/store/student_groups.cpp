#include "store/student_groups.h"

#include "store/dialect.h"
#include "store/projects.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

QString kindCode(StudentGroup::Kind kind) {
    return kind == StudentGroup::Kind::Apart ? QStringLiteral("apart") : QStringLiteral("together");
}

Status failure(const QSqlQuery &query) {
    return Status::failure(describeError(query.lastError()));
}

bool run(QSqlQuery &query, const QString &sql, const QVariantList &values) {
    if (!query.prepare(sql))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

// Every student's name by number: the members are checked against it and named from it.
Result<QHash<qint64, QString>> studentNames(QSqlDatabase db, int projectId) {
    using R = Result<QHash<qint64, QString>>;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT student_id, student_name FROM ") + studentTableName(projectId)))
        return R::failure(describeError(query.lastError()));
    QHash<qint64, QString> names;
    if (const Status read = forEachRow(query,
                                       [&](const QSqlQuery &row) {
                                           names.insert(row.value(0).toLongLong(),
                                                        row.value(1).toString().trimmed());
                                       });
        !read)
        return R::failure(read.error());
    return R::success(names);
}

const QString projectGroupIds = QStringLiteral("SELECT id FROM qx_groups WHERE project_id=?");

} // namespace

QString groupKindText(StudentGroup::Kind kind) {
    return kind == StudentGroup::Kind::Apart ? QStringLiteral("分开") : QStringLiteral("同班");
}

Status createGroupTables(QSqlDatabase db) {
    // Keyed by project like `config`; the members by student number, which the student edits keep in
    // step. AUTOINCREMENT: a removed rule's number is never given to another one.
    const QString groups = QStringLiteral("CREATE TABLE IF NOT EXISTS qx_groups(") +
                           identityColumn(backendOf(db)) +
                           QStringLiteral(", project_id INTEGER NOT NULL, kind TEXT NOT NULL"
                                          " CHECK(kind IN ('apart','together')))");
    const QString members =
        QStringLiteral("CREATE TABLE IF NOT EXISTS qx_group_members(group_id INTEGER NOT NULL, student_id ") +
        wideIntegerType(backendOf(db)) + QStringLiteral(" NOT NULL, PRIMARY KEY(group_id, student_id))");
    QSqlQuery query(db);
    for (const QString &statement : {groups, members}) {
        if (!query.exec(statement))
            return failure(query);
    }
    return Status::success();
}

Result<int> addGroup(QSqlDatabase db, int projectId, StudentGroup::Kind kind,
                     const QList<qint64> &studentIds) {
    using R = Result<int>;
    if (studentIds.size() < 2)
        return R::failure(QStringLiteral("至少需要两名学生"));
    // Immediate: the students checked cannot change before the rule is written.
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return R::failure(begun.error());
    const auto project = ProjectStore(db).get(projectId);
    if (!project)
        return R::failure(project.error());
    const int classes = project.value().classes;
    const auto names = studentNames(db, projectId);
    if (!names)
        return R::failure(names.error());
    for (const qint64 id : studentIds) {
        if (!names->contains(id))
            return R::failure(QStringLiteral("学号不存在: %1").arg(id));
    }
    QSet<qint64> seen;
    for (const qint64 id : studentIds) {
        if (seen.contains(id))
            return R::failure(QStringLiteral("学生重复: %1 %2").arg(id).arg(names->value(id)));
        seen.insert(id);
    }
    if (kind == StudentGroup::Kind::Together) {
        const qsizetype students = names->size();
        const int perClass = classes > 0 ? int((students + classes - 1) / classes) : 0;
        if (studentIds.size() > perClass)
            return R::failure(
                QStringLiteral("同班组有%1名学生，超过一个班的人数%2").arg(studentIds.size()).arg(perClass));
    }
    QSqlQuery query(db);
    if (!run(query, QStringLiteral("INSERT INTO qx_groups(project_id, kind) VALUES(?, ?) RETURNING id"),
             {projectId, kindCode(kind)}))
        return R::failure(describeError(query.lastError()));
    const Result<bool> returned = nextRow(query);
    if (!returned || !returned.value())
        return R::failure(returned ? QStringLiteral("新规则的编号读不到") : returned.error());
    const int groupId = query.value(0).toInt();
    if (!query.prepare(QStringLiteral("INSERT INTO qx_group_members(group_id, student_id) VALUES(?, ?)")))
        return R::failure(describeError(query.lastError()));
    for (const qint64 id : studentIds) {
        query.addBindValue(groupId);
        query.addBindValue(id);
        if (!query.exec())
            return R::failure(describeError(query.lastError()));
    }
    if (const Status committed = transaction.commit(); !committed)
        return R::failure(committed.error());
    return R::success(groupId);
}

Result<QList<StoredGroup>> groups(QSqlDatabase db, int projectId) {
    using R = Result<QList<StoredGroup>>;
    // One statement, so the rules and the names come from the same moment without a transaction of
    // our own (callers may be inside theirs).
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!run(query,
             QStringLiteral("SELECT g.id, g.kind, m.student_id, s.student_name FROM qx_groups g"
                            " JOIN qx_group_members m ON m.group_id=g.id LEFT JOIN ") +
                 studentTableName(projectId) +
                 QStringLiteral(
                     " s ON s.student_id=m.student_id WHERE g.project_id=? ORDER BY g.id, m.student_id"),
             {projectId}))
        return R::failure(describeError(query.lastError()));
    QList<StoredGroup> found;
    if (const Status read = forEachRow(
            query,
            [&](const QSqlQuery &row) {
                const int id = row.value(0).toInt();
                if (found.isEmpty() || found.last().id != id) {
                    StoredGroup group;
                    group.id = id;
                    group.kind = row.value(1).toString() == QStringLiteral("together")
                                     ? StudentGroup::Kind::Together
                                     : StudentGroup::Kind::Apart;
                    found.append(group);
                }
                found.last().members.append({row.value(2).toLongLong(), row.value(3).toString().trimmed()});
            });
        !read)
        return R::failure(read.error());
    return R::success(found);
}

Status removeGroup(QSqlDatabase db, int projectId, int groupId) {
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    QSqlQuery query(db);
    if (!run(query, QStringLiteral("DELETE FROM qx_groups WHERE id=? AND project_id=?"),
             {groupId, projectId}))
        return failure(query);
    if (query.numRowsAffected() != 1)
        return Status::failure(QStringLiteral("没有编号为%1的规则").arg(groupId));
    if (!run(query, QStringLiteral("DELETE FROM qx_group_members WHERE group_id=?"), {groupId}))
        return failure(query);
    return transaction.commit();
}

std::vector<StudentGroup> toEngineGroups(const QList<StoredGroup> &stored) {
    std::vector<StudentGroup> converted;
    converted.reserve(std::size_t(stored.size()));
    for (const StoredGroup &group : stored) {
        StudentGroup engine;
        engine.kind = group.kind;
        for (const GroupMember &member : group.members)
            engine.studentIds.push_back(member.studentId);
        converted.push_back(std::move(engine));
    }
    return converted;
}

Result<std::vector<StudentGroup>> engineGroups(QSqlDatabase db, int projectId) {
    using R = Result<std::vector<StudentGroup>>;
    const auto stored = groups(db, projectId);
    if (!stored)
        return R::failure(stored.error());
    return R::success(toEngineGroups(stored.value()));
}

Status renumberGroupMember(QSqlDatabase db, int projectId, qint64 oldStudentId, qint64 newStudentId) {
    if (oldStudentId == newStudentId)
        return Status::success();
    QSqlQuery query(db);
    if (!run(query,
             QStringLiteral("UPDATE qx_group_members SET student_id=? WHERE student_id=? AND group_id IN (") +
                 projectGroupIds + QLatin1Char(')'),
             {newStudentId, oldStudentId, projectId}))
        return failure(query);
    return Status::success();
}

Status dropGroupMember(QSqlDatabase db, int projectId, qint64 studentId) {
    QSqlQuery query(db);
    if (!run(query,
             QStringLiteral("DELETE FROM qx_group_members WHERE student_id=? AND group_id IN (") +
                 projectGroupIds + QLatin1Char(')'),
             {studentId, projectId}))
        return failure(query);
    // A rule about one student says nothing any more.
    const QString lone = QStringLiteral("SELECT id FROM qx_groups g WHERE project_id=? AND (SELECT COUNT(*)"
                                        " FROM qx_group_members m WHERE m.group_id=g.id) < 2");
    if (!run(query,
             QStringLiteral("DELETE FROM qx_group_members WHERE group_id IN (") + lone + QLatin1Char(')'),
             {projectId}))
        return failure(query);
    if (!run(query, QStringLiteral("DELETE FROM qx_groups WHERE id IN (") + lone + QLatin1Char(')'),
             {projectId}))
        return failure(query);
    return Status::success();
}

Status dropProjectGroups(QSqlDatabase db, int projectId) {
    QSqlQuery query(db);
    if (!run(query,
             QStringLiteral("DELETE FROM qx_group_members WHERE group_id IN (") + projectGroupIds +
                 QLatin1Char(')'),
             {projectId}))
        return failure(query);
    if (!run(query, QStringLiteral("DELETE FROM qx_groups WHERE project_id=?"), {projectId}))
        return failure(query);
    return Status::success();
}

} // namespace fenban::store
