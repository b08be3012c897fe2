#pragma once

#include "engine/division.h"
#include "store/result.h"
#include "store/student_groups.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fenban::reports {

// One student put into another class by hand; a swap is two moves.
struct StudentMove {
    std::int64_t studentId = 0;
    int toClass = 0; // 1..class count

    bool operator==(const StudentMove &) const = default;
};

// What the confirmation shows of one class.
struct ClassFigures {
    int size = 0;
    int boys = 0; // sex trimmed, as the balance report counts
    int girls = 0;
    double totalMean = 0.0;   // mean of the nine-score total; 0 for an empty class
    double subjectMean = 0.0; // mean of the chosen measure; 0 for an empty class

    bool operator==(const ClassFigures &) const = default;
};

struct ClassChange {
    int classId = 0;
    ClassFigures before;
    ClassFigures after;

    bool operator==(const ClassChange &) const = default;
};

// What a set of hand moves would do, before anything is written.
struct MovePreview {
    // Every class 1..K a move takes a student from or puts one into, ascending.
    std::vector<ClassChange> classes;
    // Only what the moves bring about; what the classes already had is not repeated. Each line names
    // the students ("学号 姓名") and the class.
    QStringList homophones;     // "20260001 张三与20260005 章三同音, 同在2班"
    QStringList apartBroken;    // "分开规则3: 20260001 张三、20260002 李四 将同在1班"
    QStringList togetherBroken; // "同班规则4: 20260001 张三、20260003 王五 将分在1班、2班"

    // Whether any rule or homophone would be broken: the window warns before it writes.
    bool hasConflicts() const {
        return !homophones.isEmpty() || !apartBroken.isEmpty() || !togetherBroken.isEmpty();
    }
    // The three lists above, in that order.
    QStringList conflicts() const { return homophones + apartBroken + togetherBroken; }
};

// `measure`: a subject's index in subject order, or subjectCount for the total. Refuses a student number
// no row has ("学号不存在: 123"), a student moved twice ("学生重复: 123 张三") and a class outside
// 1..classCount ("班级号必须在1到K之间: 9").
store::Result<MovePreview> previewMoves(const std::vector<StudentRow> &rows, int classCount,
                                        const QList<store::StoredGroup> &groups, std::size_t measure,
                                        const std::vector<StudentMove> &moves);

// The same for a project, reading its students, class count and rules.
store::Result<MovePreview> loadMovePreview(QSqlDatabase db, int projectId,
                                           const std::vector<StudentMove> &moves, std::size_t measure);

} // namespace fenban::reports
