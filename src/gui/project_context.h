#pragma once

#include "store/database.h"
#include "store/projects.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace fenban::gui {

// The project the windows work on and the connection they reach it through. The main window owns
// the one instance and changes it when another project is chosen; a window left open reads it when
// it acts, so it works on the project chosen now, not on the one chosen when it was opened. Windows
// hold it by shared pointer because the main window's members die before its child windows do.
class ProjectContext {
public:
    explicit ProjectContext(QSqlDatabase database) : m_database(std::move(database)) {}

    // The GUI thread's connection; work in another thread opens one of its own on databasePath().
    QSqlDatabase database() const { return m_database; }
    QString databasePath() const { return store::locationOf(m_database); }

    bool hasProject() const { return m_project.has_value(); }
    // 0 while none is chosen; project ids start at 1.
    int projectId() const { return m_project ? m_project->id : 0; }
    const std::optional<store::Project> &project() const { return m_project; }

    void setProject(const store::Project &project) { m_project = project; }
    void clearProject() { m_project.reset(); }

private:
    QSqlDatabase m_database;
    std::optional<store::Project> m_project;
};

} // namespace fenban::gui
