#pragma once

#include "store/projects.h"

#include <QDialog>
#include <QSqlDatabase>

class QLineEdit;
class QSpinBox;

namespace fenban::gui {

// The new-project dialog: a description and a number of classes.
class NewProjectDialog : public QDialog {
    Q_OBJECT

public:
    explicit NewProjectDialog(QSqlDatabase db, QWidget *parent = nullptr);

signals:
    void projectCreated(const fenban::store::Project &project);

private:
    void createProject();

    store::ProjectStore m_projects;
    QLineEdit *m_descriptionEdit = nullptr;
    QSpinBox *m_classCountEdit = nullptr;
};

} // namespace fenban::gui
