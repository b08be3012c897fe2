#include "reports/student_search.h"

#include "exchange/student_import.h"
#include "store/query.h"
#include "store/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace fenban::reports {

namespace {

using StudentList = store::Result<QList<store::StudentRecord>>;

// Where the list's columns sit in a student table row (see store::studentColumns).
enum TableColumn {
    Id,
    RecId,
    Name,
    Sex,
    ClassId,
    FirstScore,
    OralSchool = 14,
    Addr,
    Type,
    Pingyin,
    QxMemo,
    PfType
};

// Same positions as the subject order of StudentRecord::scores.
enum ScoreIndex { Math = 0, English = 1, Chinese = 2 };

store::StudentRecord recordFromRow(const QSqlQuery &query) {
    store::StudentRecord record;
    record.studentId = query.value(Id).toLongLong();
    record.recId = query.value(RecId).toString();
    record.name = query.value(Name).toString();
    record.sex = query.value(Sex).toString();
    record.classId = query.value(ClassId).toInt();
    for (std::size_t i = 0; i < subjectCount; ++i) {
        const QVariant score = query.value(FirstScore + static_cast<int>(i));
        if (!score.isNull())
            record.scores[i] = score.toDouble();
    }
    record.oralSchool = query.value(OralSchool).toString();
    record.addr = query.value(Addr).toString();
    record.type = query.value(Type).toInt();
    record.pingyin = query.value(Pingyin).toString();
    record.qxMemo = query.value(QxMemo).toString();
    record.pfType = query.value(PfType).toString();
    return record;
}

QString scoreText(const std::optional<double> &score) {
    return score ? QString::number(*score) : QString();
}

// LIKE would read % and _ in a typed name part as wildcards; escaped, the part is matched as written.
QString containsPattern(const QString &part) {
    QString escaped = part;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

class FilterReader {
public:
    std::optional<double> number(const QString &field, const QString &text) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(value))
            return value;
        if (m_error.isEmpty())
            m_error = QStringLiteral("请输入数字: %1“%2”").arg(field, text);
        return std::nullopt;
    }

    std::optional<ScoreRange> range(const QString &subject, const QString &low, const QString &high) {
        if (low.trimmed().isEmpty() || high.trimmed().isEmpty())
            return std::nullopt;
        const auto lowValue = number(subject + QStringLiteral("下限"), low);
        const auto highValue = number(subject + QStringLiteral("上限"), high);
        if (!lowValue || !highValue)
            return std::nullopt;
        return ScoreRange{*lowValue, *highValue};
    }

    // Read exactly as the import reads it: a double would round numbers of more than 15 digits.
    std::optional<qint64> studentNumber(const QString &field, const QString &text) {
        if (!number(field, text))
            return std::nullopt;
        const auto id = exchange::studentNumber(text);
        if (id)
            return id.value();
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1“%2”: %3").arg(field, text, id.error());
        return std::nullopt;
    }

    const QString &error() const { return m_error; }

private:
    QString m_error;
};

StudentList runListing(QSqlDatabase db, const QString &sql, const QVariantList &values) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return StudentList::failure(query.lastError().text());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return StudentList::failure(query.lastError().text());
    QList<store::StudentRecord> students;
    const store::Status read =
        store::forEachRow(query, [&](const QSqlQuery &row) { students.append(recordFromRow(row)); });
    if (!read)
        return StudentList::failure(read.error());
    return StudentList::success(students);
}

QString selectAllFrom(int projectId) {
    return QStringLiteral("SELECT ") + store::studentColumns().join(QLatin1Char(',')) +
           QStringLiteral(" FROM ") + store::studentTableName(projectId);
}

} // namespace

const QList<StudentListColumn> &studentListColumns() {
    static const QList<StudentListColumn> columns{
        {QStringLiteral("student_id"), QStringLiteral("学号")},
        {QStringLiteral("rec_id"), QStringLiteral("登分号")},
        {QStringLiteral("student_name"), QStringLiteral("学生姓名")},
        {QStringLiteral("sex"), QStringLiteral("性别")},
        {QStringLiteral("class_id"), QStringLiteral("班级")},
        {QStringLiteral("math"), QStringLiteral("数学")},
        {QStringLiteral("english"), QStringLiteral("英语")},
        {QStringLiteral("chinese"), QStringLiteral("语文")},
        {QStringLiteral("wuli"), QStringLiteral("物理")},
        {QStringLiteral("zhengzhi"), QStringLiteral("政治")},
        {QStringLiteral("lishi"), QStringLiteral("历史")},
        {QStringLiteral("tiyu"), QStringLiteral("体育")},
        {QStringLiteral("dili"), QStringLiteral("地理")},
        {QStringLiteral("shengwu"), QStringLiteral("生物")},
        {QStringLiteral("type"), QStringLiteral("类型")},
        {QStringLiteral("oral_school"), QStringLiteral("毕业学校")},
        {QStringLiteral("addr"), QStringLiteral("地址")},
    };
    return columns;
}

QStringList studentListTitles() {
    QStringList titles;
    for (const StudentListColumn &column : studentListColumns())
        titles.append(column.title);
    return titles;
}

QStringList studentListCells(const store::StudentRecord &student) {
    QStringList cells{QString::number(student.studentId), student.recId, student.name, student.sex,
                      QString::number(student.classId)};
    for (const auto &score : student.scores)
        cells.append(scoreText(score));
    cells << QString::number(student.type) << student.oralSchool << student.addr;
    return cells;
}

QString className(int classId) {
    return QString::number(classId) + QStringLiteral("班");
}

QString allClassesCaption() {
    return QStringLiteral("所有班级");
}

store::Result<StudentFilter> studentFilter(const StudentSearchTexts &texts) {
    FilterReader reader;
    StudentFilter filter;
    if (!texts.number.trimmed().isEmpty())
        filter.studentId = reader.studentNumber(QStringLiteral("考号"), texts.number);
    filter.namePart = texts.namePart;
    if (texts.sex == QStringLiteral("男") || texts.sex == QStringLiteral("女"))
        filter.sex = texts.sex;
    filter.classId = texts.classId;
    filter.math = reader.range(QStringLiteral("数学"), texts.mathLow, texts.mathHigh);
    filter.chinese = reader.range(QStringLiteral("语文"), texts.chineseLow, texts.chineseHigh);
    filter.english = reader.range(QStringLiteral("英语"), texts.englishLow, texts.englishHigh);
    if (!reader.error().isEmpty())
        return store::Result<StudentFilter>::failure(reader.error());
    return store::Result<StudentFilter>::success(filter);
}

StudentList searchStudents(QSqlDatabase db, int projectId, const StudentFilter &filter) {
    QString sql = selectAllFrom(projectId) + QStringLiteral(" WHERE 1=1");
    QVariantList values;
    if (filter.studentId) {
        sql += QStringLiteral(" AND student_id=?");
        values.append(qlonglong(*filter.studentId));
    }
    if (!filter.namePart.isEmpty()) {
        sql += QStringLiteral(" AND student_name LIKE ? ESCAPE '\\'");
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
    return runListing(db, selectAllFrom(projectId) + QStringLiteral(" ORDER BY class_id, student_id"), {});
}

StudentList studentsOfClass(QSqlDatabase db, int projectId, int classId) {
    StudentFilter filter;
    filter.classId = classId;
    return searchStudents(db, projectId, filter);
}

store::Result<QList<int>> studentClassIds(QSqlDatabase db, int projectId) {
    using R = store::Result<QList<int>>;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A NULL class would have no node that could list it; such students still show under the root.
    if (!query.exec(QStringLiteral("SELECT DISTINCT class_id FROM ") + store::studentTableName(projectId) +
                    QStringLiteral(" WHERE class_id IS NOT NULL ORDER BY class_id")))
        return R::failure(query.lastError().text());
    QList<int> ids;
    const store::Status read =
        store::forEachRow(query, [&](const QSqlQuery &row) { ids.append(row.value(0).toInt()); });
    if (!read)
        return R::failure(read.error());
    return R::success(ids);
}

} // namespace fenban::reports
