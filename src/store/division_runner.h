#pragma once

#include "engine/division.h"
#include "store/result.h"
#include "store/settings.h"

#include <QList>
#include <QSqlDatabase>

#include <optional>

namespace fenban::store {

// A student a division cannot place: the engine divides by sex, so an empty sex leaves the student
// in class 0.
struct UnplacedStudent {
    qint64 studentId = 0;
    QString name;
};

// The project's students as the engine and the reports take them, by student number. A missing
// score reads as 0. The caller checks that the project exists.
Result<std::vector<StudentRow>> readStudentRows(QSqlDatabase db, int projectId);

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
// transaction, so a run that fails or is cancelled leaves the previous division whole. A run whose
// students, class count or settings another program changed while it worked is refused and writes
// nothing.
class DivisionRunner {
public:
    DivisionRunner(QSqlDatabase db, const DivisionEngine &engine);

    RunOutcome divide(int projectId, const DivisionObserver &observer = {});
    // `classNumbers` are class numbers (class_id values), not list positions.
    RunOutcome redivide(int projectId, const QList<int> &classNumbers, const DivisionObserver &observer = {});

private:
    // Everything a run is based on, read in one go.
    struct Snapshot {
        int classes = 0;
        std::optional<ProjectSettings> settings;
        std::vector<StudentRow> rows; // by student number
    };
    // Lets the engine divide the rows read.
    using EngineCall = std::function<DivisionResult(std::vector<StudentRow> &rows, int classCount,
                                                    const DivisionSettings &settings)>;
    // Checks and reads everything the engine needs (and that `classNumbers` name existing
    // classes), lets `call` divide the rows, and writes them.
    RunOutcome run(int projectId, const QList<int> &classNumbers, const EngineCall &call);
    Result<Snapshot> snapshot(int projectId) const;
    static Result<DivisionSettings> settings(const Snapshot &read);
    Status write(int projectId, const Snapshot &before, const std::vector<StudentRow> &after);

    QSqlDatabase m_db;
    const DivisionEngine &m_engine;
};

} // namespace fenban::store
