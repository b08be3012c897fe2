#pragma once

#include "store/projects.h"

#include <QDialog>
#include <QSqlDatabase>

namespace fenban::gui {

class ProjectList;

// The project chooser: lists every project, opens or deletes the selected one.
class OpenProjectDialog : public QDialog {
    Q_OBJECT

public:
    explicit OpenProjectDialog(QSqlDatabase db, QWidget *parent = nullptr);

signals:
    void projectChosen(const fenban::store::Project &project);
    void projectDeleted(int id);

private:
    void openSelected();
    void openProject();
    void deleteProject();

    ProjectList *m_projects = nullptr;
};

} // namespace fenban::gui
