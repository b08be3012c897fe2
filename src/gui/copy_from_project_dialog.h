#pragma once

#include <QDialog>

#include <memory>

class QRadioButton;

namespace fenban::gui {

class ProjectList;
class ProjectContext;

// Copies the divided students of another project into the current one, fixed to their classes.
class CopyFromProjectDialog : public QDialog {
    Q_OBJECT

public:
    CopyFromProjectDialog(std::shared_ptr<const ProjectContext> context, QWidget *parent);

signals:
    void projectDeleted(int id);

private:
    void copySelected();
    void copyProject();
    void deleteProject();

    std::shared_ptr<const ProjectContext> m_context;
    ProjectList *m_projects = nullptr;
    QRadioButton *m_addButton = nullptr;
    QRadioButton *m_overwriteButton = nullptr;
};

} // namespace fenban::gui
