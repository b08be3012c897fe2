#include "store/student_queries.h"

#include "store/dialect.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/student_rows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace fenban::store {

namespace {

using StudentList = Result<QList<StudentRecord>>;

// Same positions as the subject order of StudentRecord::scores.
enum ScoreIndex { Math = 0, English = 1, Chinese = 2 };

// LIKE would read % and _ in a typed name part as wildcards; escaped, the part is matched as written.
QString containsPattern(const QString &part) {
    QString escaped = part;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

StudentList runListing(QSqlDatabase db, const QString &sql, const QVariantList &values) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return StudentList::failure(query.lastError().text());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return StudentList::failure(query.lastError().text());
    QList<StudentRecord> students;
    const Status read =
        forEachRow(query, [&](const QSqlQuery &row) { students.append(studentFromRow(row)); });
    if (!read)
        return StudentList::failure(read.error());
    return StudentList::success(students);
}

} // namespace

StudentList searchStudents(QSqlDatabase db, int projectId, const StudentFilter &filter) {
    QString sql = selectStudentsSql(projectId) + QStringLiteral(" WHERE 1=1");
    QVariantList values;
    if (filter.studentId) {
        sql += QStringLiteral(" AND student_id=?");
        values.append(qlonglong(*filter.studentId));
    }
    if (!filter.namePart.isEmpty()) {
        sql += QStringLiteral(" AND student_name ") + likeOperator(backendOf(db)) +
               QStringLiteral(" ? ESCAPE '\\'");
        values.append(containsPattern(filter.namePart));
    }
    if (!filter.sex.isEmpty()) {
        sql += QStringLiteral(" AND trim(sex)=?");
        values.append(filter.sex);
    }
    if (filter.classId) {
        sql += QStringLiteral(" AND class_id=?");
        values.append(*filter.classId);
    }
    const std::pair<const std::optional<ScoreRange> *, ScoreIndex> ranges[] = {
        {&filter.math, Math}, {&filter.chinese, Chinese}, {&filter.english, English}};
    for (const auto &[range, subject] : ranges) {
        if (!*range)
            continue;
        sql += QStringLiteral(" AND ") + QString::fromUtf8(subjects[subject].column) +
               QStringLiteral(" BETWEEN ? AND ?");
        values << (*range)->low << (*range)->high;
    }
    sql += QStringLiteral(" ORDER BY student_id");
    return runListing(db, sql, values);
}

StudentList allStudents(QSqlDatabase db, int projectId) {
    return runListing(
        db, selectStudentsSql(projectId) + QStringLiteral(" ORDER BY class_id NULLS FIRST, student_id"), {});
}

Result<QList<int>> studentClassIds(QSqlDatabase db, int projectId) {
    using R = Result<QList<int>>;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A NULL class would have no node that could list it; such students still show under the root.
    if (!query.exec(QStringLiteral("SELECT DISTINCT class_id FROM ") + studentTableName(projectId) +
                    QStringLiteral(" WHERE class_id IS NOT NULL ORDER BY class_id")))
        return R::failure(query.lastError().text());
    QList<int> ids;
    const Status read = forEachRow(query, [&](const QSqlQuery &row) { ids.append(row.value(0).toInt()); });
    if (!read)
        return R::failure(read.error());
    return R::success(ids);
}

} // namespace fenban::store
