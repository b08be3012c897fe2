#pragma once

#include "store/projects.h"

#include <QTreeWidget>

#include <optional>

namespace fenban::gui {

// Every project of the catalogue, as the project dialogs list it, with the commands they share:
// which row is chosen, and deleting it after a question.
class ProjectList : public QTreeWidget {
    Q_OBJECT

public:
    ProjectList(QSqlDatabase db, QWidget *parent);

    void fill();
    std::optional<int> selectedId() const;
    // The chosen project as stored, if a row is chosen and the project still exists.
    std::optional<store::Project> selectedProject();
    // Asks first, then deletes the chosen project and refills the list; the deleted id, if any.
    std::optional<int> deleteSelected();

private:
    store::ProjectStore m_projects;
};

// The message of both dialogs when a command needs a chosen row.
QString selectProjectFirst();

} // namespace fenban::gui
