#pragma once

#include "store/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace fenban::store {

// One row of the catalogue `qx_info`.
struct Project {
    int id = 0;
    QString memo;      // the description shown as the window caption
    int classes = 0;   // column `num`
    QString createdAt; // column `update_date`, as stored
    QString tableName; // column `table_name`

    QString studentTable() const;
    QString workTable() const;
};

// What a teacher typed for a new project, checked: the description and the number of classes.
struct NewProject {
    QString memo;
    int classes = 0;
};

// Checks the two texts of the new-project dialog; the error is the message to show.
Result<NewProject> checkNewProject(const QString &memo, const QString &classesText);

// Creating, listing, finding and deleting projects on one connection.
class ProjectStore {
public:
    explicit ProjectStore(QSqlDatabase db);

    // Catalogue row, both tables and the settings row, all or nothing.
    Result<Project> create(const NewProject &project);
    Result<QList<Project>> list() const;
    Result<std::optional<Project>> find(int id) const;
    // The same for a project that must exist: "不存在编号为N的分班项目" when it does not.
    Result<Project> get(int id) const;
    // Catalogue row, settings row and both tables, all or nothing.
    Status remove(int id);

private:
    QSqlDatabase m_db;
};

} // namespace fenban::store
