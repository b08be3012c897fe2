#pragma once

#include "engine/division.h"
#include "store/result.h"

#include <QList>
#include <QSqlDatabase>

namespace fenban::store {

// A student a division cannot place: the engine divides by sex, so an empty sex leaves the student
// in class 0.
struct UnplacedStudent {
    qint64 studentId = 0;
    QString name;
};

// How a division or re-division against the database ended.
struct RunOutcome {
    enum Kind { Done, Cancelled, Failed } kind = Done;
    QString message; // for Failed: what to tell the user
    // For Done: every student of the project left in class 0 because the sex is empty, by number.
    QList<UnplacedStudent> withoutSex = {};
};

// "以下N名学生性别为空，未分班: 学号 姓名、…"; past `shown` students (when given) the rest are
// only counted ("等N名").
QString withoutSexText(const QList<UnplacedStudent> &students, qsizetype shown = -1);

// Runs the division engine on one project's students: everything is checked and read first, the
// classes are worked out in memory, and every student's class and placement code is written in one
// transaction, so a run that fails or is cancelled leaves the previous division whole.
class DivisionRunner {
public:
    DivisionRunner(QSqlDatabase db, const DivisionEngine &engine);

    RunOutcome divide(int projectId, const DivisionObserver &observer = {});
    // `classNumbers` are class numbers (class_id values), not list positions.
    RunOutcome redivide(int projectId, const QList<int> &classNumbers, const DivisionObserver &observer = {});

private:
    // Checks and reads everything the engine needs, lets `call` divide the rows, and writes them.
    using EngineCall = std::function<DivisionResult(std::vector<StudentRow> &rows, int classCount,
                                                    const DivisionSettings &settings)>;
    RunOutcome run(int projectId, const EngineCall &call);
    Result<DivisionSettings> settings(int projectId) const;
    Result<int> classCount(int projectId) const;
    Result<std::vector<StudentRow>> rows(int projectId) const;
    Status write(int projectId, const std::vector<StudentRow> &before, const std::vector<StudentRow> &after);
    RunOutcome finish(int projectId, const DivisionResult &result, const std::vector<StudentRow> &before,
                      const std::vector<StudentRow> &after);

    QSqlDatabase m_db;
    const DivisionEngine &m_engine;
};

} // namespace fenban::store
