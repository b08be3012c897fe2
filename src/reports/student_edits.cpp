#include "reports/student_edits.h"

#include "reports/history_summary.h"

#include "exchange/import_rows.h"
#include "exchange/pinyin/pinyin.h"
#include "exchange/student_import.h"
#include "reports/student_search.h"

namespace fenban::reports {

namespace {

// List columns, counting from 0.
enum ListColumn { Id, RecId, Name, Sex, ClassId, FirstScore, Type = 14, OralSchool, Addr };

constexpr int highestType = 3;
constexpr qsizetype pingyinWidth = 100;

// The import row that carries the same values: the list's cells where the import has them, the
// stored memo and category for the two import columns the list does not show.
exchange::ImportRow importRowOf(const QStringList &cells, const store::StudentRecord &before) {
    QStringList row{cells[Id], cells[RecId], cells[Name], cells[Sex]};
    for (int i = 0; i < static_cast<int>(subjectCount); ++i)
        row.append(cells[FirstScore + i]);
    row << cells[OralSchool] << cells[Addr] << before.qxMemo << before.pfType;
    return {1, row};
}

// The list column an import column is shown in; -1 for the two the list does not show.
int listColumnOfImportColumn(int importColumn) {
    constexpr int firstImportScore = 4;
    constexpr int importOralSchool = firstImportScore + static_cast<int>(subjectCount);
    if (importColumn < firstImportScore)
        return importColumn;
    if (importColumn < importOralSchool)
        return FirstScore + importColumn - firstImportScore;
    if (importColumn == importOralSchool)
        return OralSchool;
    if (importColumn == importOralSchool + 1)
        return Addr;
    return -1;
}

std::optional<int> wholeNumber(const QString &text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QString StudentFieldProblem::message() const {
    return QStringLiteral("“%1”列的值“%2”不能保存: %3").arg(column, exchange::visibleControls(value), reason);
}

StudentEdit studentFromListCells(const QStringList &cells, const store::StudentRecord &before) {
    const QStringList titles = studentListTitles();
    const auto refuse = [&](int column, const QString &reason) {
        return StudentEdit{std::nullopt, StudentFieldProblem{titles[column], cells.value(column), reason}};
    };
    if (cells.size() != titles.size())
        return StudentEdit{std::nullopt, StudentFieldProblem{{}, {}, QStringLiteral("列数不对")}};

    // The import's rules are the ones every stored student has met; a row that differs from an
    // imported one only by its class and code must pass the same checks.
    const exchange::ImportCheck check = exchange::studentsFromRows({importRowOf(cells, before)});
    if (check.problem) {
        const int importColumn = static_cast<int>(exchange::importHeaders().indexOf(check.problem->column));
        const int column = listColumnOfImportColumn(importColumn);
        if (column < 0)
            return StudentEdit{std::nullopt, StudentFieldProblem{check.problem->column, check.problem->value,
                                                                 check.problem->reason}};
        return refuse(column, check.problem->reason);
    }
    const auto classId = wholeNumber(cells[ClassId]);
    if (!classId || *classId < 0)
        return refuse(ClassId, QStringLiteral("班级必须是不小于0的整数"));
    const auto type = wholeNumber(cells[Type]);
    if (!type || *type < 0 || *type > highestType)
        return refuse(Type, QStringLiteral("类型必须是0到%1的整数").arg(highestType));

    store::StudentRecord student = check.records.first();
    student.classId = *classId;
    student.type = *type;
    student.pingyin =
        student.name == before.name ? before.pingyin : exchange::pinyinName(student.name).left(pingyinWidth);
    return StudentEdit{student, std::nullopt};
}

store::Status updateStudent(QSqlDatabase db, int projectId, qint64 storedStudentId,
                            const store::StudentRecord &student) {
    return store::updateStudent(std::move(db), projectId, storedStudentId, student, historySummary);
}

store::Status insertStudent(QSqlDatabase db, int projectId, const store::StudentRecord &student) {
    return store::insertStudent(std::move(db), projectId, student, historySummary);
}

store::Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId) {
    return store::deleteStudent(std::move(db), projectId, studentId, historySummary);
}

} // namespace fenban::reports
