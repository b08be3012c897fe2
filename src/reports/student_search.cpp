#include "reports/student_search.h"

#include "exchange/student_import.h"

#include <cmath>

namespace fenban::reports {

namespace {

QString scoreText(const std::optional<double> &score) {
    return score ? QString::number(*score) : QString();
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

store::Result<QList<store::StudentRecord>> studentsOfClass(QSqlDatabase db, int projectId, int classId) {
    StudentFilter filter;
    filter.classId = classId;
    return store::searchStudents(std::move(db), projectId, filter);
}

} // namespace fenban::reports
