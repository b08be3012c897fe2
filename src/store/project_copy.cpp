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
QString failureText(const QSqlError &error) {
    if (isConstraintViolation(error))
        return copyFailed + QStringLiteral("数据可能已经存在，请采用覆盖方式导入");
    return copyFailed + describeError(error);
}

// Every column by name, with the placement code replaced by 2, so the copied rows stay in their classes
// through every later division while the source keeps its own codes. A row in no class is fixed to
// nothing: it arrives waiting.
QString copySql(const QString &target, const QString &source) {
    QStringList columns = studentColumns();
    const QString columnList = columns.join(QLatin1Char(','));
    columns[columns.indexOf(QStringLiteral("type"))] =
        QStringLiteral("CASE WHEN class_id > 0 THEN 2 ELSE 0 END");
    return QStringLiteral("INSERT INTO ") + target + QLatin1Char('(') + columnList +
           QStringLiteral(") SELECT ") + columns.join(QLatin1Char(',')) + QStringLiteral(" FROM ") + source;
}

} // namespace

Result<CopiedStudents> copyStudents(QSqlDatabase db, int sourceId, int targetId, bool overwrite,
                                    const SnapshotSummary &summary) {
    using R = Result<CopiedStudents>;
    if (sourceId == targetId)
        return R::failure(QStringLiteral("不能导入当前分班项目本身"));
    const ProjectStore projects(db);
    for (const int id : {sourceId, targetId}) {
        const auto project = projects.find(id);
        if (!project)
            return R::failure(project.error());
        if (!project.value())
            return R::failure(QStringLiteral("不存在编号为%1的分班项目").arg(id));
    }
    const QString source = studentTableName(sourceId);
    const QString target = studentTableName(targetId);

    const auto lock = lockProject(db, targetId);
    if (!lock)
        return R::failure(lock.error());
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return R::failure(copyFailed + begun.error());
    QSqlQuery query(db);
    // Counted in the transaction, so the figures are those of the rows copied.
    if (!query.exec(QStringLiteral("SELECT count(*), count(CASE WHEN class_id > 0 THEN 1 END) FROM ") +
                    source))
        return R::failure(copyFailed + describeError(query.lastError()));
    if (const Result<bool> counted = nextRow(query); !counted || !counted.value())
        return R::failure(copyFailed + (counted ? QStringLiteral("读不到学生人数") : counted.error()));
    CopiedStudents copied;
    copied.students = query.value(0).toInt();
    copied.withoutClass = copied.students - query.value(1).toInt();
    query.finish();
    // Copying students who are all in no class would bring nothing a division of the target lacks.
    if (copied.students == 0)
        return R::failure(QStringLiteral("该分班项目没有学生"));
    if (copied.withoutClass == copied.students)
        return R::failure(QStringLiteral("该分班项目还没有分班"));
    if (const Status started = startHistory(db, targetId, summary); !started)
        return R::failure(copyFailed + started.error());
    if (overwrite && !query.exec(QStringLiteral("DELETE FROM ") + target +
                                 QStringLiteral(" WHERE student_id IN (SELECT student_id FROM ") + source +
                                 QLatin1Char(')')))
        return R::failure(failureText(query.lastError()));
    if (!query.exec(copySql(target, source)))
        return R::failure(failureText(query.lastError()));
    if (const Status recorded = recordSnapshot(db, targetId, QStringLiteral("导入分班数据"), summary);
        !recorded)
        return R::failure(copyFailed + recorded.error());
    if (const Status committed = transaction.commit(); !committed)
        return R::failure(copyFailed + committed.error());
    return R::success(copied);
}

QString copiedText(const CopiedStudents &copied) {
    if (copied.withoutClass == 0)
        return QStringLiteral("导入数据成功");
    return QStringLiteral("导入数据成功: 共%1名学生，其中%2名没有分班，分班或优化均衡时将为他们分班")
        .arg(copied.students)
        .arg(copied.withoutClass);
}

} // namespace fenban::store
