#include "reports/student_edits.h"

#include "exchange/import_rows.h"
#include "exchange/pinyin/pinyin.h"
#include "exchange/student_import.h"
#include "reports/student_search.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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

QVariant text(const QString &value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

void bindStudent(QSqlQuery &query, const store::StudentRecord &student) {
    query.addBindValue(student.studentId);
    query.addBindValue(text(student.recId));
    query.addBindValue(text(student.name));
    query.addBindValue(text(student.sex));
    query.addBindValue(student.classId);
    for (const auto &score : student.scores)
        query.addBindValue(score ? QVariant(*score) : QVariant(QMetaType::fromType<double>()));
    query.addBindValue(text(student.oralSchool));
    query.addBindValue(text(student.addr));
    query.addBindValue(student.type);
    query.addBindValue(text(student.pingyin));
    query.addBindValue(text(student.qxMemo));
    query.addBindValue(text(student.pfType));
}

store::Status failure(const QSqlQuery &query) {
    return store::Status::failure(query.lastError().text());
}

// Inside the caller's transaction: refuses a student number some other row already has.
store::Status numberIsFree(QSqlDatabase db, const QString &table, qint64 studentId) {
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + table +
                       QStringLiteral(" WHERE student_id=?")))
        return failure(query);
    query.addBindValue(studentId);
    if (!query.exec())
        return failure(query);
    if (const auto counted = store::nextRow(query); !counted || !counted.value())
        return store::Status::failure(counted ? QStringLiteral("读不到学号%1的人数").arg(studentId)
                                              : counted.error());
    if (query.value(0).toInt() > 0)
        return store::Status::failure(QStringLiteral("学号%1已有学生").arg(studentId));
    return store::Status::success();
}

store::Status gone(qint64 studentId) {
    return store::Status::failure(QStringLiteral("学号为%1的学生已不存在").arg(studentId));
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
    const QString table = store::studentTableName(projectId);
    store::Transaction transaction(db);
    if (const store::Status begun = transaction.begun(); !begun)
        return begun;
    if (student.studentId != storedStudentId) {
        if (const store::Status free = numberIsFree(db, table, student.studentId); !free)
            return free;
    }
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                       store::studentColumns().join(QStringLiteral("=?,")) +
                       QStringLiteral("=? WHERE student_id=?")))
        return failure(query);
    bindStudent(query, student);
    query.addBindValue(storedStudentId);
    if (!query.exec())
        return failure(query);
    if (query.numRowsAffected() != 1)
        return gone(storedStudentId);
    return transaction.commit();
}

store::Status insertStudent(QSqlDatabase db, int projectId, const store::StudentRecord &student) {
    const QString table = store::studentTableName(projectId);
    store::Transaction transaction(db);
    if (const store::Status begun = transaction.begun(); !begun)
        return begun;
    if (const store::Status free = numberIsFree(db, table, student.studentId); !free)
        return free;
    QStringList marks;
    for (qsizetype i = 0; i < store::studentColumns().size(); ++i)
        marks.append(QStringLiteral("?"));
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') +
                       store::studentColumns().join(QLatin1Char(',')) + QStringLiteral(") VALUES(") +
                       marks.join(QLatin1Char(',')) + QLatin1Char(')')))
        return failure(query);
    bindStudent(query, student);
    if (!query.exec())
        return failure(query);
    return transaction.commit();
}

store::Status deleteStudent(QSqlDatabase db, int projectId, qint64 studentId) {
    store::Transaction transaction(db);
    if (const store::Status begun = transaction.begun(); !begun)
        return begun;
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("DELETE FROM ") + store::studentTableName(projectId) +
                       QStringLiteral(" WHERE student_id=?")))
        return failure(query);
    query.addBindValue(studentId);
    if (!query.exec())
        return failure(query);
    if (query.numRowsAffected() != 1)
        return gone(studentId);
    return transaction.commit();
}

} // namespace fenban::reports
