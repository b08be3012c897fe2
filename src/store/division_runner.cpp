#include "store/division_runner.h"

#include "store/history.h"
#include "store/limits.h"
#include "store/optimise_settings.h"
#include "store/project_lock.h"
#include "store/projects.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/settings.h"
#include "store/student_groups.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>
#include <string>
#include <utility>

namespace fenban::store {

namespace {

RunOutcome failed(const QString &message) {
    return {RunOutcome::Failed, message};
}

std::string utf8(const QVariant &value) {
    return value.toString().toStdString();
}

// Passes the engine's lines on, but a closing line ("更新结束", "重新分班结束") only once another line
// follows it or release() says the classes are stored: the last one must not promise an update that a
// failed write then takes back.
class ClosingLineHold {
public:
    explicit ClosingLineHold(const DivisionObserver &observer) : m_observer(observer), m_holding(observer) {
        if (!observer.message)
            return;
        m_holding.message = [this](const std::string &line) {
            release();
            if (line == passEndLine || line == redivisionEndLine)
                m_held = line;
            else
                m_observer.message(line);
        };
    }
    ClosingLineHold(const ClosingLineHold &) = delete;
    ClosingLineHold &operator=(const ClosingLineHold &) = delete;

    const DivisionObserver &observer() const { return m_holding; }
    void release() {
        if (m_held)
            m_observer.message(*std::exchange(m_held, std::nullopt));
    }
    // The held line, once the classes are stored.
    RunOutcome releasedIfDone(RunOutcome outcome) {
        if (outcome.kind == RunOutcome::Done)
            release();
        return outcome;
    }

private:
    const DivisionObserver &m_observer;
    DivisionObserver m_holding;
    std::optional<std::string> m_held;
};

// Nothing when the engine's classes are to be written.
std::optional<RunOutcome> fromDivision(const DivisionResult &result) {
    switch (result.outcome) {
    case DivisionOutcome::Refused:
        return failed(QString::fromStdString(result.message));
    case DivisionOutcome::Cancelled:
        return RunOutcome{RunOutcome::Cancelled, {}};
    case DivisionOutcome::Done:
        break;
    }
    return std::nullopt;
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

Result<std::vector<StudentRow>> readStudentRows(QSqlDatabase db, int projectId) {
    std::vector<StudentRow> rows;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
                        "SELECT student_id, student_name, sex, class_id, type, math, english, chinese, wuli,"
                        " zhengzhi, lishi, tiyu, dili, shengwu, pingyin, pfType FROM ") +
                    studentTableName(projectId) + QStringLiteral(" ORDER BY student_id")))
        return Result<std::vector<StudentRow>>::failure(describeError(query.lastError()));
    const Status rowsRead = forEachRow(query, [&](const QSqlQuery &stored) {
        StudentRow row;
        row.studentId = stored.value(0).toLongLong();
        row.name = utf8(stored.value(1));
        row.sex = utf8(stored.value(2));
        row.classId = stored.value(3).toInt();
        row.type = static_cast<Placement>(stored.value(4).toInt());
        for (std::size_t i = 0; i < subjectCount; ++i)
            row.scores[i] = stored.value(5 + static_cast<int>(i)).toDouble();
        row.pingyin = utf8(stored.value(14));
        row.pfType = utf8(stored.value(15));
        rows.push_back(std::move(row));
    });
    if (!rowsRead)
        return Result<std::vector<StudentRow>>::failure(rowsRead.error());
    return Result<std::vector<StudentRow>>::success(std::move(rows));
}

DivisionRunner::DivisionRunner(QSqlDatabase db, const DivisionEngine &engine)
    : m_db(std::move(db)), m_engine(engine) {}

Result<DivisionRunner::Snapshot> DivisionRunner::snapshot(int projectId) const {
    using R = Result<Snapshot>;
    Snapshot read;
    const auto project = ProjectStore(m_db).find(projectId);
    if (!project)
        return R::failure(project.error());
    if (!project.value())
        return R::failure(QStringLiteral("不存在编号为%1的分班项目").arg(projectId));
    read.classes = project.value()->classes;
    const auto stored = SettingsStore(m_db).read(projectId);
    if (!stored)
        return R::failure(stored.error());
    read.settings = stored.value();

    auto rows = readStudentRows(m_db, projectId);
    if (!rows)
        return R::failure(rows.error());
    read.rows = std::move(rows.value());
    return R::success(std::move(read));
}

Result<DivisionSettings> DivisionRunner::settings(const Snapshot &read) {
    using R = Result<DivisionSettings>;
    // Values stored by hand or by older versions are bounded here, before anything changes.
    if (read.classes < minClassCount)
        return R::failure(QStringLiteral("班级数必须大于0"));
    if (read.classes > maxClassCount)
        return R::failure(QStringLiteral("班级数必须在%1到%2之间").arg(minClassCount).arg(maxClassCount));
    if (!read.settings)
        return R::failure(QStringLiteral("不存在该班别的参数设置"));
    const ProjectSettings &row = *read.settings;
    if (!row.isMan)
        return R::failure(QStringLiteral("分班设置中的“先男后女”为空，请在分班设置中填写"));
    if (!row.inter)
        return R::failure(QStringLiteral("分班设置中的“分数间隔权重”为空，请在分班设置中填写"));
    if (!row.wtNum)
        return R::failure(QStringLiteral("分班设置中的“微调次数”为空，请在分班设置中填写"));
    if (*row.wtNum > maxTuningPasses)
        return R::failure(QStringLiteral("微调次数不能超过%1").arg(maxTuningPasses));
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

Status DivisionRunner::write(int projectId, const Snapshot &before, const std::vector<StudentRow> &after,
                             const ChangedTexts &changed, const QString &action) {
    // The engine worked without a lock, so another program may have written meanwhile. Under the
    // write lock, everything the run was based on must still be as it was read; otherwise its
    // result would silently undo (or be mixed with) that other change.
    Transaction transaction(m_db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    const auto now = snapshot(projectId);
    if (!now)
        return Status::failure(now.error());
    if (now.value().rows != before.rows)
        return Status::failure(changed.students);
    if (now.value().classes != before.classes || now.value().settings != before.settings)
        return Status::failure(changed.settings);

    if (const Status started = startHistory(m_db, projectId, m_summary); !started)
        return started;
    QSqlQuery update(m_db);
    if (!update.prepare(QStringLiteral("UPDATE ") + studentTableName(projectId) +
                        QStringLiteral(" SET class_id=?, type=? WHERE student_id=?")))
        return Status::failure(describeError(update.lastError()));
    for (std::size_t i = 0; i < after.size(); ++i) {
        // Rows the run left as they were need no statement.
        if (after[i].classId == before.rows[i].classId && after[i].type == before.rows[i].type)
            continue;
        update.addBindValue(after[i].classId);
        update.addBindValue(static_cast<int>(after[i].type));
        update.addBindValue(qlonglong(after[i].studentId));
        if (!update.exec())
            return Status::failure(describeError(update.lastError()));
    }
    if (const Status recorded = recordSnapshot(m_db, projectId, action, m_summary); !recorded)
        return recorded;
    return transaction.commit();
}

RunOutcome DivisionRunner::run(int projectId, const QList<int> &classNumbers, const EngineCall &call,
                               const ChangedTexts &changed, const QString &action) {
    // Held from the first read to the last write, so two users never divide one project at once.
    const auto lock = lockProject(m_db, projectId);
    if (!lock)
        return failed(lock.error());
    const auto read = snapshot(projectId);
    if (!read)
        return failed(read.error());
    const auto settingsRow = settings(read.value());
    if (!settingsRow)
        return failed(settingsRow.error());
    const int classes = read.value().classes;
    for (const int number : classNumbers) {
        if (number < 1 || number > classes)
            return failed(QStringLiteral("班级号必须在1到%1之间: %2").arg(classes).arg(number));
    }
    std::vector<StudentRow> divided = read.value().rows;
    if (auto ended = call(divided, classes, settingsRow.value()))
        return std::move(*ended);
    if (const Status written = write(projectId, read.value(), divided, changed, action); !written)
        return failed(written.error());
    RunOutcome done;
    for (const StudentRow &row : divided) {
        if (row.classId == 0 && QString::fromStdString(row.sex).trimmed().isEmpty())
            done.withoutSex.append({row.studentId, QString::fromStdString(row.name)});
    }
    return done;
}

namespace {

// "重新分班 1,3": what the history calls a re-division of these classes.
QString redivisionAction(const QList<int> &classNumbers) {
    QStringList numbers;
    for (const int number : classNumbers)
        numbers.append(QString::number(number));
    return QStringLiteral("重新分班 ") + numbers.join(u',');
}

} // namespace

const DivisionRunner::ChangedTexts DivisionRunner::divisionChanged{
    QStringLiteral("分班期间学生数据已被修改，请重新分班"),
    QStringLiteral("分班期间班级数或分班设置已被修改，请重新分班"),
};

RunOutcome DivisionRunner::divide(int projectId, const DivisionObserver &observer) {
    ClosingLineHold lines(observer);
    return lines.releasedIfDone(run(
        projectId, {},
        [&](std::vector<StudentRow> &rows, int classCount, const DivisionSettings &settings) {
            return fromDivision(m_engine.divide(rows, classCount, settings, lines.observer()));
        },
        divisionChanged, QStringLiteral("分班")));
}

RunOutcome DivisionRunner::redivide(int projectId, const QList<int> &classNumbers,
                                    const DivisionObserver &observer, const Afterward &afterward) {
    if (classNumbers.isEmpty())
        return failed(QStringLiteral("请选择要重新分班的班级"));
    const std::vector<int> chosen(classNumbers.begin(), classNumbers.end());
    ClosingLineHold lines(observer);
    return lines.releasedIfDone(run(
        projectId, classNumbers,
        [&](std::vector<StudentRow> &rows, int classCount,
            const DivisionSettings &settings) -> std::optional<RunOutcome> {
            const std::vector<StudentRow> before = afterward ? rows : std::vector<StudentRow>{};
            if (auto ended = fromDivision(m_engine.redivide(rows, chosen, settings, lines.observer())))
                return ended;
            if (!afterward)
                return std::nullopt;
            return afterward(before, rows, classCount, settings);
        },
        divisionChanged, redivisionAction(classNumbers)));
}

RunOutcome DivisionRunner::optimise(int projectId, double seconds, std::uint64_t seed,
                                    const OptimiseObserver &observer,
                                    const std::function<bool()> &keepOnStop) {
    const auto chosen = OptimiseSettingsStore(m_db).read(projectId);
    if (!chosen)
        return failed(chosen.error());
    const auto subjects = chosen.value().subjects;
    // The teacher's keep-apart and keep-together rules are hard rules for the optimiser.
    const auto groups = engineGroups(m_db, projectId);
    if (!groups)
        return failed(groups.error());
    return run(
        projectId, {},
        [&](std::vector<StudentRow> &rows, int classCount,
            const DivisionSettings &settings) -> std::optional<RunOutcome> {
            OptimiseOptions options = optimiseOptions(settings);
            options.subjects = subjects;
            options.seconds = seconds;
            options.seed = seed;
            options.groups = groups.value();
            const OptimiseResult result = m_optimiser(rows, classCount, options, observer);
            switch (result.outcome) {
            case OptimiseOutcome::Refused:
                return failed(QString::fromStdString(result.message));
            case OptimiseOutcome::Stopped:
                if (!keepOnStop || !keepOnStop())
                    return RunOutcome{RunOutcome::Cancelled, {}};
                break;
            case OptimiseOutcome::Done:
                break;
            }
            return std::nullopt;
        },
        {QStringLiteral("优化期间学生数据已被修改，请重新优化"),
         QStringLiteral("优化期间班级数或分班设置已被修改，请重新优化")},
        QStringLiteral("优化均衡"));
}

} // namespace fenban::store
