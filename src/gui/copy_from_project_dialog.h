#pragma once

#include <QDialog>

class QRadioButton;

namespace fenban::gui {

class ProjectList;
class MainWindow;

// Copies the divided students of another project into the current one, fixed to their classes.
class CopyFromProjectDialog : public QDialog {
    Q_OBJECT

public:
    explicit CopyFromProjectDialog(MainWindow *mainWindow);

signals:
    void projectDeleted(int id);

private:
    void copySelected();
    void copyProject();
    void deleteProject();

    MainWindow *m_main;
    ProjectList *m_projects = nullptr;
    QRadioButton *m_addButton = nullptr;
    QRadioButton *m_overwriteButton = nullptr;
};

} // namespace fenban::gui
