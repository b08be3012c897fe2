#pragma once

#include "store/result.h"

#include <QSqlDatabase>

#include <memory>

namespace fenban::store {

// "该分班项目正在被其他用户修改，请稍后再试"
QString projectBusyMessage();

// Held while one user divides, re-divides, optimises or imports a project, so that a second user
// who tries the same is told at once instead of working for nothing. On a server it is an advisory
// lock of this connection, which the server also drops when the connection dies; a database file
// keeps relying on its own file lock.
class ProjectLock {
public:
    ~ProjectLock();
    ProjectLock(const ProjectLock &) = delete;
    ProjectLock &operator=(const ProjectLock &) = delete;

private:
    friend Result<std::unique_ptr<ProjectLock>> lockProject(QSqlDatabase db, int projectId);
    ProjectLock(QSqlDatabase db, int projectId);
    QSqlDatabase m_db;
    int m_projectId;
};

// Takes the project's lock without waiting; fails with projectBusyMessage() when another connection
// holds it.
Result<std::unique_ptr<ProjectLock>> lockProject(QSqlDatabase db, int projectId);

} // namespace fenban::store
