#include "store/project_copy.h"

#include "store/projects.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QSqlQuery>

namespace fenban::store {

namespace {

const QString copyFailed = QStringLiteral("导入数据出错!数据可能已经存在，请采用覆盖方式导入");

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

Status copyStudents(QSqlDatabase db, int sourceId, int targetId, bool overwrite) {
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

    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    QSqlQuery query(db);
    if (overwrite && !query.exec(QStringLiteral("DELETE FROM ") + target +
                                 QStringLiteral(" WHERE student_id IN (SELECT student_id FROM ") + source +
                                 QLatin1Char(')')))
        return Status::failure(copyFailed);
    if (!query.exec(copySql(target, source)))
        return Status::failure(copyFailed);
    if (!transaction.commit())
        return Status::failure(copyFailed);
    return Status::success();
}

} // namespace fenban::store
