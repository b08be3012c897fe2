#pragma once

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
    // `location` is the file or server address the connection was opened with; empty means the
    // connection's own file.
    explicit ProjectContext(QSqlDatabase database, QString location = {})
        : m_database(std::move(database)),
          m_location(location.isEmpty() ? m_database.databaseName() : std::move(location)) {}

    // The GUI thread's connection; work in another thread opens one of its own on databasePath().
    QSqlDatabase database() const { return m_database; }
    // The file, or the server address as it was opened: a server's connection knows only its
    // database name, and the password kept for this session goes by the address.
    QString databasePath() const { return m_location; }

    bool hasProject() const { return m_project.has_value(); }
    // 0 while none is chosen; project ids start at 1.
    int projectId() const { return m_project ? m_project->id : 0; }
    const std::optional<store::Project> &project() const { return m_project; }

    void setProject(const store::Project &project) { m_project = project; }
    void clearProject() { m_project.reset(); }

private:
    QSqlDatabase m_database;
    QString m_location;
    std::optional<store::Project> m_project;
};

} // namespace fenban::gui
