#pragma once

#include "engine/subject.h"
#include "store/history.h"
#include "store/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace fenban::store {

// One row of a student table, in the table's column order.
struct StudentRecord {
    qint64 studentId = 0; // whole numbers of up to 18 digits
    QString recId;
    QString name;
    QString sex;
    int classId = 0;                                          // 0: in no class
    std::array<std::optional<double>, subjectCount> scores{}; // subject order; empty when NULL
    QString oralSchool;
    QString addr;
    int type = 0; // placement code, 0: waiting
    QString pingyin;
    QString qxMemo;
    QString pfType;

    // Sum of the nine scores, NULL counting as 0.
    double total() const;
    bool operator==(const StudentRecord &) const = default;
};

// How replacing a project's students ended.
struct ReplaceOutcome {
    enum Kind { Written, Cancelled, Failed } kind = Written;
    QString error;              // for Failed: the database's text
    qsizetype failedIndex = -1; // for Failed: the record that was refused, if one was
};

class StudentStore {
public:
    explicit StudentStore(QSqlDatabase db);

    // Replaces every student of the project with `records`, all or nothing. `progress` is told how
    // many records are written so far and may answer false to cancel; a cancelled or failed write
    // leaves the students the project had before.
    // The project's history starts anew with the students as written ("导入学生", summed up by
    // `summary`): the old snapshots are of other students.
    ReplaceOutcome replaceAll(int projectId, const QList<StudentRecord> &records,
                              const std::function<bool(qsizetype written)> &progress = {},
                              const SnapshotSummary &summary = {});

    // Every student of the project, by class and then student number.
    Result<QList<StudentRecord>> byClass(int projectId) const;

private:
    QSqlDatabase m_db;
};

} // namespace fenban::store
