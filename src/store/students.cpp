#include "store/students.h"

#include "store/history.h"

#include "store/project_lock.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/student_groups.h"
#include "store/student_rows.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace fenban::store {

namespace {

ReplaceOutcome failed(const QString &error, qsizetype index = -1) {
    return {ReplaceOutcome::Failed, error, index};
}

} // namespace

double StudentRecord::total() const {
    double sum = 0;
    for (const auto &score : scores)
        sum += score.value_or(0.0);
    return sum;
}

StudentStore::StudentStore(QSqlDatabase db) : m_db(std::move(db)) {}

ReplaceOutcome StudentStore::replaceAll(int projectId, const QList<StudentRecord> &records,
                                        const std::function<bool(qsizetype)> &progress,
                                        const SnapshotSummary &summary) {
    const QString table = studentTableName(projectId);
    const auto lock = lockProject(m_db, projectId);
    if (!lock)
        return failed(lock.error());
    // The write lock first: an import never interleaves with a division writing the same table.
    Transaction transaction(m_db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return failed(begun.error());

    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("DELETE FROM ") + table))
        return failed(describeError(query.lastError()));
    // The rules name students by number, and the new students are other people.
    if (const Status dropped = dropProjectGroups(m_db, projectId); !dropped)
        return failed(dropped.error());
    if (!query.prepare(insertStudentSql(table)))
        return failed(describeError(query.lastError()));
    for (qsizetype i = 0; i < records.size(); ++i) {
        bindStudent(query, records[i]);
        if (!query.exec())
            return failed(describeError(query.lastError()), i);
        if (progress && !progress(i + 1))
            return {ReplaceOutcome::Cancelled, {}, -1};
    }
    // Other students, another history: it starts with them as they came.
    if (const Status cleared = clearHistory(m_db, projectId); !cleared)
        return failed(cleared.error());
    if (const Status recorded = recordSnapshot(m_db, projectId, QStringLiteral("导入学生"), summary);
        !recorded)
        return failed(recorded.error());
    if (const Status committed = transaction.commit(); !committed)
        return failed(committed.error());
    return {};
}

Result<QList<StudentRecord>> StudentStore::byClass(int projectId) const {
    using R = Result<QList<StudentRecord>>;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(selectStudentsSql(projectId) +
                    QStringLiteral(" ORDER BY class_id NULLS FIRST, student_id")))
        return R::failure(describeError(query.lastError()));
    QList<StudentRecord> records;
    if (const Status read =
            forEachRow(query, [&](const QSqlQuery &row) { records.append(studentFromRow(row)); });
        !read)
        return R::failure(read.error());
    return R::success(records);
}

} // namespace fenban::store
