#include "store/project_copy.h"

#include "store/dialect.h"
#include "store/history.h"
#include "store/project_lock.h"
#include "store/projects.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QSqlQuery>

namespace fenban::store {

namespace {

const QString copyFailed = QStringLiteral("导入数据出错!");

// Only a clash of student numbers is the teacher's to solve by overwriting; any other cause (a
// lock, a read-only file, a full disk) is named as it is.
Status failure(const QSqlError &error) {
    if (isConstraintViolation(error))
        return Status::failure(copyFailed + QStringLiteral("数据可能已经存在，请采用覆盖方式导入"));
    return Status::failure(copyFailed + describeError(error));
}

// Every column by name, with the placement code replaced by 2, so the copied rows stay in their classes
// through every later division while the source keeps its own codes.
QString copySql(const QString &target, const QString &source) {
    QStringList columns = studentColumns();
    const QString columnList = columns.join(QLatin1Char(','));
    columns[columns.indexOf(QStringLiteral("type"))] = QStringLiteral("2");
    return QStringLiteral("INSERT INTO ") + target + QLatin1Char('(') + columnList +
           QStringLiteral(") SELECT ") + columns.join(QLatin1Char(',')) + QStringLiteral(" FROM ") + source;
}

} // namespace

Status copyStudents(QSqlDatabase db, int sourceId, int targetId, bool overwrite,
                    const SnapshotSummary &summary) {
    if (sourceId == targetId)
        return Status::failure(QStringLiteral("不能导入当前分班项目本身"));
    const ProjectStore projects(db);
    for (const int id : {sourceId, targetId}) {
        const auto project = projects.find(id);
        if (!project)
            return Status::failure(project.error());
        if (!project.value())
            return Status::failure(QStringLiteral("不存在编号为%1的分班项目").arg(id));
    }
    const QString source = studentTableName(sourceId);
    const QString target = studentTableName(targetId);

    const auto lock = lockProject(db, targetId);
    if (!lock)
        return Status::failure(lock.error());
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return Status::failure(copyFailed + begun.error());
    if (const Status started = startHistory(db, targetId, summary); !started)
        return Status::failure(copyFailed + started.error());
    QSqlQuery query(db);
    if (overwrite && !query.exec(QStringLiteral("DELETE FROM ") + target +
                                 QStringLiteral(" WHERE student_id IN (SELECT student_id FROM ") + source +
                                 QLatin1Char(')')))
        return failure(query.lastError());
    if (!query.exec(copySql(target, source)))
        return failure(query.lastError());
    if (const Status recorded = recordSnapshot(db, targetId, QStringLiteral("导入分班数据"), summary);
        !recorded)
        return Status::failure(copyFailed + recorded.error());
    if (const Status committed = transaction.commit(); !committed)
        return Status::failure(copyFailed + committed.error());
    return Status::success();
}

} // namespace fenban::store
