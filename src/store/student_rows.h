#pragma once

#include "store/students.h"

#include <QSqlQuery>
#include <QString>

namespace fenban::store {

// How a StudentRecord maps onto the twenty columns of a student table (studentColumns() order). Every
// statement that reads or writes whole student rows goes through here, so the mapping exists once.

// "SELECT <the twenty columns> FROM <the project's student table>", for conditions and an order to follow.
QString selectStudentsSql(int projectId);

// An INSERT of the twenty columns, one placeholder each, for bindStudent.
QString insertStudentSql(const QString &table);

// An UPDATE of the twenty columns of the row whose student_id is bound after them.
QString updateStudentSql(const QString &table);

// The record in the current row of a query that selected the twenty columns in table order.
StudentRecord studentFromRow(const QSqlQuery &row);

// Binds the record's twenty values in column order, after the values already bound.
void bindStudent(QSqlQuery &query, const StudentRecord &student);

} // namespace fenban::store
