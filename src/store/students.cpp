#include "store/students.h"

#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

QVariant optionalScore(const std::optional<double> &score) {
    return score ? QVariant(*score) : QVariant(QMetaType::fromType<double>());
}

QString insertSql(const QString &table) {
    QStringList marks;
    for (qsizetype i = 0; i < studentColumns().size(); ++i)
        marks.append(QStringLiteral("?"));
    return QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') +
           studentColumns().join(QLatin1Char(',')) + QStringLiteral(") VALUES(") +
           marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

// Empty texts are stored as '' rather than NULL, so that conditions such as pfType<>'' and
// comparisons with '' treat a blank cell the way a teacher reads it.
QVariant text(const QString &value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

void bindRecord(QSqlQuery &query, const StudentRecord &record) {
    query.addBindValue(record.studentId);
    query.addBindValue(text(record.recId));
    query.addBindValue(text(record.name));
    query.addBindValue(text(record.sex));
    query.addBindValue(record.classId);
    for (const auto &score : record.scores)
        query.addBindValue(optionalScore(score));
    query.addBindValue(text(record.oralSchool));
    query.addBindValue(text(record.addr));
    query.addBindValue(record.type);
    query.addBindValue(text(record.pingyin));
    query.addBindValue(text(record.qxMemo));
    query.addBindValue(text(record.pfType));
}

StudentRecord recordFromRow(const QSqlQuery &query) {
    StudentRecord record;
    record.studentId = query.value(0).toLongLong();
    record.recId = query.value(1).toString();
    record.name = query.value(2).toString();
    record.sex = query.value(3).toString();
    record.classId = query.value(4).toInt();
    for (std::size_t i = 0; i < subjectCount; ++i) {
        const QVariant score = query.value(5 + static_cast<int>(i));
        if (!score.isNull())
            record.scores[i] = score.toDouble();
    }
    record.oralSchool = query.value(14).toString();
    record.addr = query.value(15).toString();
    record.type = query.value(16).toInt();
    record.pingyin = query.value(17).toString();
    record.qxMemo = query.value(18).toString();
    record.pfType = query.value(19).toString();
    return record;
}

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
                                        const std::function<bool(qsizetype)> &progress) {
    const QString table = studentTableName(projectId);
    // The write lock first: an import never interleaves with a division writing the same table.
    Transaction transaction(m_db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return failed(begun.error());

    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("DELETE FROM ") + table))
        return failed(describeError(query.lastError()));
    if (!query.prepare(insertSql(table)))
        return failed(describeError(query.lastError()));
    for (qsizetype i = 0; i < records.size(); ++i) {
        bindRecord(query, records[i]);
        if (!query.exec())
            return failed(describeError(query.lastError()), i);
        if (progress && !progress(i + 1))
            return {ReplaceOutcome::Cancelled, {}, -1};
    }
    if (const Status committed = transaction.commit(); !committed)
        return failed(committed.error());
    return {};
}

Result<QList<StudentRecord>> StudentStore::byClass(int projectId) const {
    using R = Result<QList<StudentRecord>>;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT ") + studentColumns().join(QLatin1Char(',')) +
                    QStringLiteral(" FROM ") + studentTableName(projectId) +
                    QStringLiteral(" ORDER BY class_id, student_id")))
        return R::failure(describeError(query.lastError()));
    QList<StudentRecord> records;
    if (const Status read =
            forEachRow(query, [&](const QSqlQuery &row) { records.append(recordFromRow(row)); });
        !read)
        return R::failure(read.error());
    return R::success(records);
}

} // namespace fenban::store
