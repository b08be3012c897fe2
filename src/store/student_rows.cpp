#include "store/student_rows.h"

#include "store/schema.h"

#include <QStringList>
#include <QVariant>

namespace fenban::store {

namespace {

// Where the columns after the scores sit in a student table row.
enum TableColumn {
    Id,
    RecId,
    Name,
    Sex,
    ClassId,
    FirstScore,
    OralSchool = FirstScore + int(subjectCount),
    Addr,
    Type,
    Pingyin,
    QxMemo,
    PfType
};

QVariant optionalScore(const std::optional<double> &score) {
    return score ? QVariant(*score) : QVariant(QMetaType::fromType<double>());
}

// Empty texts are stored as '' rather than NULL, so that conditions such as pfType<>'' and
// comparisons with '' treat a blank cell the way a teacher reads it.
QVariant text(const QString &value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

} // namespace

QString selectStudentsSql(int projectId) {
    return QStringLiteral("SELECT ") + studentColumns().join(QLatin1Char(',')) + QStringLiteral(" FROM ") +
           studentTableName(projectId);
}

QString insertStudentSql(const QString &table) {
    QStringList marks;
    for (qsizetype i = 0; i < studentColumns().size(); ++i)
        marks.append(QStringLiteral("?"));
    return QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') +
           studentColumns().join(QLatin1Char(',')) + QStringLiteral(") VALUES(") +
           marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString updateStudentSql(const QString &table) {
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
           studentColumns().join(QStringLiteral("=?,")) + QStringLiteral("=? WHERE student_id=?");
}

StudentRecord studentFromRow(const QSqlQuery &row) {
    StudentRecord record;
    record.studentId = row.value(Id).toLongLong();
    record.recId = row.value(RecId).toString();
    record.name = row.value(Name).toString();
    record.sex = row.value(Sex).toString();
    record.classId = row.value(ClassId).toInt();
    for (std::size_t i = 0; i < subjectCount; ++i) {
        const QVariant score = row.value(FirstScore + static_cast<int>(i));
        if (!score.isNull())
            record.scores[i] = score.toDouble();
    }
    record.oralSchool = row.value(OralSchool).toString();
    record.addr = row.value(Addr).toString();
    record.type = row.value(Type).toInt();
    record.pingyin = row.value(Pingyin).toString();
    record.qxMemo = row.value(QxMemo).toString();
    record.pfType = row.value(PfType).toString();
    return record;
}

void bindStudent(QSqlQuery &query, const StudentRecord &student) {
    query.addBindValue(student.studentId);
    query.addBindValue(text(student.recId));
    query.addBindValue(text(student.name));
    query.addBindValue(text(student.sex));
    query.addBindValue(student.classId);
    for (const auto &score : student.scores)
        query.addBindValue(optionalScore(score));
    query.addBindValue(text(student.oralSchool));
    query.addBindValue(text(student.addr));
    query.addBindValue(student.type);
    query.addBindValue(text(student.pingyin));
    query.addBindValue(text(student.qxMemo));
    query.addBindValue(text(student.pfType));
}

} // namespace fenban::store
