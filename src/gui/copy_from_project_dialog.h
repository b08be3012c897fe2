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
    void choose();
    void Button1Click();
    void BitBtn1Click();

    MainWindow *m_main;
    ProjectList *lv_info = nullptr;
    QRadioButton *rbInsert = nullptr;
    QRadioButton *rbOver = nullptr;
};

} // namespace fenban::gui
