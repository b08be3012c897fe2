#pragma once

#include "engine/division.h"
#include "store/students.h"

#include <QList>
#include <QString>

#include <vector>

namespace fenban::bench {

// A made-up cohort as the store imports it.
inline QList<store::StudentRecord> studentRecords(const std::vector<StudentRow> &rows) {
    QList<store::StudentRecord> list;
    for (const StudentRow &row : rows) {
        store::StudentRecord record;
        record.studentId = row.studentId;
        record.name = QString::fromStdString(row.name);
        record.sex = QString::fromStdString(row.sex);
        for (std::size_t i = 0; i < subjectCount; ++i)
            record.scores[i] = row.scores[i];
        record.pingyin = QString::fromStdString(row.pingyin);
        record.pfType = QString::fromStdString(row.pfType);
        list.append(record);
    }
    return list;
}

} // namespace fenban::bench
