#include "store/division_runner.h"

#include "store/projects.h"
#include "store/schema.h"
#include "store/settings.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

RunOutcome failed(const QString &message) {
    return {RunOutcome::Failed, message};
}

std::string utf8(const QVariant &value) {
    return value.toString().toStdString();
}

} // namespace

QString withoutSexText(const QList<UnplacedStudent> &students, qsizetype shown) {
    if (shown < 0 || shown > students.size())
        shown = students.size();
    QStringList named;
    for (qsizetype i = 0; i < shown; ++i)
        named.append(QString::number(students[i].studentId) + QLatin1Char(' ') + students[i].name);
    QString text = QStringLiteral("以下%1名学生性别为空，未分班: ").arg(students.size()) +
                   named.join(QStringLiteral("、"));
    if (shown < students.size())
        text += QStringLiteral(" 等%1名").arg(students.size());
    return text;
}

DivisionRunner::DivisionRunner(QSqlDatabase db, const DivisionEngine &engine)
    : m_db(std::move(db)), m_engine(engine) {}

Result<DivisionSettings> DivisionRunner::settings(int projectId) const {
    using R = Result<DivisionSettings>;
    const auto stored = SettingsStore(m_db).read(projectId);
    if (!stored)
        return R::failure(stored.error());
    if (!stored.value())
        return R::failure(QStringLiteral("不存在该班别的参数设置"));
    const ProjectSettings &row = *stored.value();
    if (!row.isMan)
        return R::failure(QStringLiteral("分班设置中的“先男后女”为空，请在分班设置中填写"));
    if (!row.inter)
        return R::failure(QStringLiteral("分班设置中的“分数间隔权重”为空，请在分班设置中填写"));
    if (!row.wtNum)
        return R::failure(QStringLiteral("分班设置中的“微调次数”为空，请在分班设置中填写"));
    DivisionSettings settings;
    // Only the value 1 switches a flag on.
    const auto flag = [](int value) {
        return value == 1 ? 1 : 0;
    };
    settings.isAvgPerson = flag(row.isAvgPerson);
    settings.isAvgTotal = flag(row.isAvgTotal);
    settings.isAvgCh = flag(row.isAvgCh);
    settings.isAvgMath = flag(row.isAvgMath);
    settings.isAvgEng = flag(row.isAvgEng);
    settings.isAvgInter = flag(row.isAvgInter);
    settings.isMan = *row.isMan;
    settings.inter = *row.inter;
    settings.wtNum = *row.wtNum;
    return R::success(settings);
}

Result<int> DivisionRunner::classCount(int projectId) const {
    const auto project = ProjectStore(m_db).find(projectId);
    if (!project)
        return Result<int>::failure(project.error());
    if (!project.value())
        return Result<int>::failure(QStringLiteral("不存在编号为%1的分班项目").arg(projectId));
    return Result<int>::success(project.value()->classes);
}

Result<std::vector<StudentRow>> DivisionRunner::rows(int projectId) const {
    using R = Result<std::vector<StudentRow>>;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
                        "SELECT student_id, student_name, sex, class_id, type, math, english, chinese, wuli,"
                        " zhengzhi, lishi, tiyu, dili, shengwu, pingyin, pfType FROM ") +
                    studentTableName(projectId) + QStringLiteral(" ORDER BY student_id")))
        return R::failure(query.lastError().text());
    std::vector<StudentRow> rows;
    while (query.next()) {
        StudentRow row;
        row.studentId = query.value(0).toLongLong();
        row.name = utf8(query.value(1));
        row.sex = utf8(query.value(2));
        row.classId = query.value(3).toInt();
        row.type = query.value(4).toInt();
        for (std::size_t i = 0; i < subjectCount; ++i)
            row.scores[i] = query.value(5 + static_cast<int>(i)).toDouble();
        row.pingyin = utf8(query.value(14));
        row.pfType = utf8(query.value(15));
        rows.push_back(std::move(row));
    }
    return R::success(std::move(rows));
}

Status DivisionRunner::write(int projectId, const std::vector<StudentRow> &before,
                             const std::vector<StudentRow> &after) {
    Transaction transaction(m_db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    QSqlQuery update(m_db);
    if (!update.prepare(QStringLiteral("UPDATE ") + studentTableName(projectId) +
                        QStringLiteral(" SET class_id=?, type=? WHERE student_id=?")))
        return Status::failure(update.lastError().text());
    for (std::size_t i = 0; i < after.size(); ++i) {
        // Rows the run left as they were need no statement.
        if (after[i].classId == before[i].classId && after[i].type == before[i].type)
            continue;
        update.addBindValue(after[i].classId);
        update.addBindValue(after[i].type);
        update.addBindValue(qlonglong(after[i].studentId));
        if (!update.exec())
            return Status::failure(update.lastError().text());
    }
    return transaction.commit();
}

RunOutcome DivisionRunner::finish(int projectId, const DivisionResult &result,
                                  const std::vector<StudentRow> &before,
                                  const std::vector<StudentRow> &after) {
    switch (result.outcome) {
    case DivisionOutcome::Refused:
        return failed(QString::fromStdString(result.message));
    case DivisionOutcome::Cancelled:
        return {RunOutcome::Cancelled, {}};
    case DivisionOutcome::Done:
        break;
    }
    if (const Status written = write(projectId, before, after); !written)
        return failed(written.error());
    RunOutcome done;
    for (const StudentRow &row : after) {
        if (row.classId == 0 && QString::fromStdString(row.sex).trimmed().isEmpty())
            done.withoutSex.append({row.studentId, QString::fromStdString(row.name)});
    }
    return done;
}

RunOutcome DivisionRunner::run(int projectId, const EngineCall &call) {
    const auto classes = classCount(projectId);
    if (!classes)
        return failed(classes.error());
    const auto settingsRow = settings(projectId);
    if (!settingsRow)
        return failed(settingsRow.error());
    const auto loaded = rows(projectId);
    if (!loaded)
        return failed(loaded.error());
    std::vector<StudentRow> divided = loaded.value();
    const DivisionResult result = call(divided, classes.value(), settingsRow.value());
    return finish(projectId, result, loaded.value(), divided);
}

RunOutcome DivisionRunner::divide(int projectId, const DivisionObserver &observer) {
    return run(projectId,
               [&](std::vector<StudentRow> &rows, int classCount, const DivisionSettings &settings) {
                   return m_engine.divide(rows, classCount, settings, observer);
               });
}

RunOutcome DivisionRunner::redivide(int projectId, const QList<int> &classNumbers,
                                    const DivisionObserver &observer) {
    if (classNumbers.isEmpty())
        return failed(QStringLiteral("请选择要重新分班的班级"));
    const std::vector<int> chosen(classNumbers.begin(), classNumbers.end());
    return run(projectId, [&](std::vector<StudentRow> &rows, int, const DivisionSettings &settings) {
        return m_engine.redivide(rows, chosen, settings, observer);
    });
}

} // namespace fenban::store
