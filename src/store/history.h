#pragma once

#include "engine/division.h"
#include "store/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <vector>

namespace fenban::store {

// Every change of a project's classes is kept as a snapshot of where each student stood after it:
// student number, class and placement code. Divisions, re-divisions, optimisations, hand
// adjustments, imported divisions and restores all record one, in the transaction of the change
// itself, so the history never shows a change that did not happen or misses one that did.

// One student's place in a snapshot.
struct Placing {
    qint64 studentId = 0;
    int classId = 0;
    int type = 0; // placement code
    bool operator==(const Placing &) const = default;
};

struct HistoryEntry {
    int id = 0;
    QString time; // local time, "yyyy-MM-dd HH:mm:ss"
    QString action; // "分班", "重新分班 1,3", "优化均衡", "调整", "导入分班数据", "导入学生", "恢复 #12",
                    // "原有分班"
    QString summary; // how even the classes were, in a line
};

// A student whose class differs between two snapshots (or a snapshot and the classes now).
struct MovedStudent {
    qint64 studentId = 0;
    QString name;      // from the student table; empty for a student no longer there
    int fromClass = 0; // -1: not in the earlier one
    int toClass = 0;   // -1: not in the later one
    bool operator==(const MovedStudent &) const = default;
};

// A line on how even the classes are, for the list of snapshots.
using SnapshotSummary = std::function<QString(const std::vector<StudentRow> &rows, int classCount)>;
// "总分均分最大偏差 1.23": the largest distance of a class's average total from the cohort's.
QString totalMeanSummary(const std::vector<StudentRow> &rows, int classCount);

inline constexpr int keptSnapshots = 250;

// Creates the history table where it does not exist yet (files of earlier versions get it on open).
Status createHistoryTable(QSqlDatabase db);

// The steps a change takes inside its own transaction. Before changing: a project with no history
// yet first keeps its classes as they are ("原有分班"), so that the first change can be undone too.
// After changing: the classes as they are now, under `action`; with `onlyIfChanged`, nothing is
// recorded when they are what the newest snapshot already holds. An empty summary function means
// totalMeanSummary.
Status startHistory(QSqlDatabase db, int projectId, const SnapshotSummary &summary = {});
Status recordSnapshot(QSqlDatabase db, int projectId, const QString &action,
                      const SnapshotSummary &summary = {}, bool onlyIfChanged = false);
// Forgets the project's history (its students are replaced, or the project goes).
Status clearHistory(QSqlDatabase db, int projectId);

// The project's snapshots, newest first.
Result<QList<HistoryEntry>> history(QSqlDatabase db, int projectId);
// Where each student stood in a snapshot, by student number.
Result<QList<Placing>> snapshotPlacings(QSqlDatabase db, int projectId, int snapshotId);
// The students whose class differs from snapshot `fromId` to snapshot `toId` (0: the classes now),
// by student number.
Result<QList<MovedStudent>> diff(QSqlDatabase db, int projectId, int fromId, int toId = 0);
// Puts every student the snapshot knows back into its class with its placement code, in one
// transaction that records itself ("恢复 #id"), so a restore can be undone too. Students added
// since keep their place; students gone since are left out.
Status restore(QSqlDatabase db, int projectId, int snapshotId, const SnapshotSummary &summary = {});
// Whether the classes were adjusted by hand (or set back to an earlier division) since the last
// whole division: a division would overwrite that work (though the history keeps it).
Result<bool> hasHandAdjustments(QSqlDatabase db, int projectId);

} // namespace fenban::store
