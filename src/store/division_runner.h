#pragma once

#include "engine/division.h"
#include "engine/optimiser.h"
#include "store/history.h"
#include "store/result.h"
#include "store/settings.h"

#include <QList>
#include <QSqlDatabase>
#include <QStringList>

#include <cstdint>
#include <functional>
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

// How a division, re-division or optimisation against the database ended.
struct RunOutcome {
    enum Kind { Done, Cancelled, Failed } kind = Done;
    QString message; // for Failed: what to tell the user; for Cancelled, when not empty, likewise
    // For Done: every student of the project left in class 0 because the sex is empty, by number.
    QList<UnplacedStudent> withoutSex = {};
    // For Failed and Cancelled: new classes were written all the same (a division whose following
    // optimisation failed or was stopped), so what shows them must be refreshed.
    bool written = false;
    // For Done: lines summing up the run for the teacher (the balance it left), shown after it.
    QStringList summary = {};
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
    // Works on the classes a re-division left before they are written: `before` as read, `after` as
    // the engine left them (and as they will be written). Returns the outcome to end with instead of
    // writing anything, or nothing to go on.
    using Afterward = std::function<std::optional<RunOutcome>(const std::vector<StudentRow> &before,
                                                              std::vector<StudentRow> &after, int classCount,
                                                              const DivisionSettings &settings)>;
    // `classNumbers` are class numbers (class_id values), not list positions.
    RunOutcome redivide(int projectId, const QList<int> &classNumbers, const DivisionObserver &observer = {},
                        const Afterward &afterward = {});

    // Evens out the project's current division with the optimiser, balancing what the project's
    // settings tick (fenban::optimiseOptions) within `seconds` of search from `seed`; the seconds a
    // teacher types are bounded where they enter (checkOptimiseSeconds). Needs the same settings as a
    // division. When the search is stopped, the best classes found are written if `keepOnStop`
    // (asked once, after the search) answers true; otherwise nothing changes and the outcome is
    // Cancelled.
    RunOutcome optimise(int projectId, double seconds, std::uint64_t seed,
                        const OptimiseObserver &observer = {}, const std::function<bool()> &keepOnStop = {});

    using Optimiser =
        std::function<OptimiseResult(std::vector<StudentRow> &rows, int classCount,
                                     const OptimiseOptions &options, const OptimiseObserver &observer)>;
    // How the history sums up the classes each run leaves (totalMeanSummary when empty).
    void useSnapshotSummary(SnapshotSummary summary) { m_summary = std::move(summary); }

    // Replaces fenban::optimise, so that tests can stop, refuse or move at a chosen point.
    void useOptimiser(Optimiser optimiser) { m_optimiser = std::move(optimiser); }

private:
    // Everything a run is based on, read in one go.
    struct Snapshot {
        int classes = 0;
        std::optional<ProjectSettings> settings;
        std::vector<StudentRow> rows; // by student number
    };
    // Lets the engine or the optimiser change the rows read: nothing to write them, else the
    // outcome to end with, writing nothing.
    using EngineCall = std::function<std::optional<RunOutcome>(std::vector<StudentRow> &rows, int classCount,
                                                               const DivisionSettings &settings)>;
    // What a run tells the user when its data changed while it worked.
    struct ChangedTexts {
        QString students;
        QString settings;
    };
    static const ChangedTexts divisionChanged;
    // Checks and reads everything the engine needs (and that `classNumbers` name existing
    // classes), lets `call` change the rows, and writes them.
    // Every run is recorded in the project's history under `action`, in the transaction that writes it.
    RunOutcome run(int projectId, const QList<int> &classNumbers, const EngineCall &call,
                   const ChangedTexts &changed, const QString &action);
    Result<Snapshot> snapshot(int projectId) const;
    static Result<DivisionSettings> settings(const Snapshot &read);
    Status write(int projectId, const Snapshot &before, const std::vector<StudentRow> &after,
                 const ChangedTexts &changed, const QString &action);

    QSqlDatabase m_db;
    const DivisionEngine &m_engine;
    SnapshotSummary m_summary;
    Optimiser m_optimiser = [](std::vector<StudentRow> &rows, int classCount, const OptimiseOptions &options,
                               const OptimiseObserver &observer) {
        return fenban::optimise(rows, classCount, options, observer);
    };
};

} // namespace fenban::store
