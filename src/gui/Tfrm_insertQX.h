#pragma once

#include <QDialog>

class QRadioButton;

namespace fenban::gui {

class ProjectList;
class Tfrm_main;

// Copies the divided students of another project into the current one, fixed to their classes.
class Tfrm_insertQX : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_insertQX(Tfrm_main *mainWindow);

signals:
    void projectDeleted(int id);

private:
    void choose();
    void Button1Click();
    void BitBtn1Click();

    Tfrm_main *m_main;
    ProjectList *lv_info = nullptr;
    QRadioButton *rbInsert = nullptr;
    QRadioButton *rbOver = nullptr;
};

} // namespace fenban::gui
