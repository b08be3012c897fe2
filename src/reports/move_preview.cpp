#include "reports/move_preview.h"

#include "engine/rules.h"
#include "engine/student_groups.h"
#include "reports/rule_violations.h"
#include "store/division_runner.h"
#include "store/projects.h"

#include <algorithm>
#include <map>
#include <set>

namespace fenban::reports {

namespace {

QString trimmed(const std::string &text) {
    return QString::fromStdString(text).trimmed();
}

QString studentText(const StudentRow &row) {
    return QString::number(row.studentId) + QLatin1Char(' ') + trimmed(row.name);
}

double measureOf(const StudentRow &row, std::size_t measure) {
    return measure < subjectCount ? row.scores[measure] : rowTotal(row);
}

ClassFigures figuresOf(const std::vector<StudentRow> &rows, int classId, std::size_t measure) {
    ClassFigures figures;
    double total = 0.0;
    double chosen = 0.0;
    for (const StudentRow &row : rows) {
        if (row.classId != classId)
            continue;
        ++figures.size;
        const QString sex = trimmed(row.sex);
        figures.boys += sex == QStringLiteral("男");
        figures.girls += sex == QStringLiteral("女");
        total += rowTotal(row);
        chosen += measureOf(row, measure);
    }
    if (figures.size > 0) {
        figures.totalMean = total / figures.size;
        figures.subjectMean = chosen / figures.size;
    }
    return figures;
}

// The classes each rule is broken in, by the rule's index.
std::map<std::size_t, std::vector<int>> brokenRules(const std::vector<StudentRow> &rows,
                                                    const std::vector<StudentGroup> &groups) {
    std::map<std::size_t, std::vector<int>> broken;
    for (const GroupViolation &violation : groupViolations(rows, groups))
        broken.emplace(violation.group, violation.classIds);
    return broken;
}

} // namespace

store::Result<MovePreview> previewMoves(const std::vector<StudentRow> &rows, int classCount,
                                        const QList<store::StoredGroup> &groups, std::size_t measure,
                                        const std::vector<StudentMove> &moves) {
    using R = store::Result<MovePreview>;
    std::map<std::int64_t, std::size_t> indexOf;
    for (std::size_t i = 0; i < rows.size(); ++i)
        indexOf.emplace(rows[i].studentId, i);

    std::vector<StudentRow> after = rows;
    std::set<std::size_t> moved;
    std::set<int> touched;
    for (const StudentMove &move : moves) {
        const auto found = indexOf.find(move.studentId);
        if (found == indexOf.end())
            return R::failure(QStringLiteral("学号不存在: %1").arg(move.studentId));
        if (!moved.insert(found->second).second)
            return R::failure(QStringLiteral("学生重复: ") + studentText(rows[found->second]));
        if (move.toClass < 1 || move.toClass > classCount)
            return R::failure(
                QStringLiteral("班级号必须在1到%1之间: %2").arg(std::max(classCount, 1)).arg(move.toClass));
        const int from = rows[found->second].classId;
        if (from >= 1 && from <= classCount)
            touched.insert(from);
        touched.insert(move.toClass);
        after[found->second].classId = move.toClass;
    }

    MovePreview preview;
    for (const int classId : touched)
        preview.classes.push_back(
            {classId, figuresOf(rows, classId, measure), figuresOf(after, classId, measure)});

    // A pair sounds alike in one class only where one of them moves, so only those pairs are looked at.
    std::set<std::pair<std::size_t, std::size_t>> reported;
    for (const std::size_t i : moved) {
        const int classId = after[i].classId;
        if (after[i].pingyin.empty())
            continue;
        for (std::size_t j = 0; j < after.size(); ++j) {
            if (j == i || after[j].classId != classId || after[j].pingyin != after[i].pingyin)
                continue;
            if (rows[j].classId == rows[i].classId)
                continue; // together already
            const auto pair = std::minmax(i, j);
            if (!reported.insert(pair).second)
                continue;
            preview.homophones.append(
                QStringLiteral("%1与%2同音, 同在%3班")
                    .arg(studentText(after[pair.first]), studentText(after[pair.second]))
                    .arg(classId));
        }
    }

    const std::vector<StudentGroup> engine = store::toEngineGroups(groups);
    const auto brokenBefore = brokenRules(rows, engine);
    for (const auto &[index, classIds] : brokenRules(after, engine)) {
        // Broken before in the same classes (or more of them): nothing the moves did.
        if (const auto earlier = brokenBefore.find(index);
            earlier != brokenBefore.end() &&
            std::includes(earlier->second.begin(), earlier->second.end(), classIds.begin(), classIds.end()))
            continue;
        const store::StoredGroup &group = groups[qsizetype(index)];
        const QString students = memberListText(group.members);
        if (group.kind == StudentGroup::Kind::Apart)
            preview.apartBroken.append(QStringLiteral("分开规则%1: %2 将同在%3")
                                           .arg(group.id)
                                           .arg(students, classListText(classIds)));
        else
            preview.togetherBroken.append(QStringLiteral("同班规则%1: %2 将分在%3")
                                              .arg(group.id)
                                              .arg(students, classListText(classIds)));
    }
    return R::success(std::move(preview));
}

store::Result<MovePreview> loadMovePreview(QSqlDatabase db, int projectId,
                                           const std::vector<StudentMove> &moves, std::size_t measure) {
    using R = store::Result<MovePreview>;
    const auto project = store::ProjectStore(db).get(projectId);
    if (!project)
        return R::failure(project.error());
    const auto rows = store::readStudentRows(db, projectId);
    if (!rows)
        return R::failure(rows.error());
    const auto groups = store::groups(db, projectId);
    if (!groups)
        return R::failure(groups.error());
    return previewMoves(rows.value(), project.value().classes, groups.value(), measure, moves);
}

} // namespace fenban::reports
