#pragma once

#include <QDialog>

namespace fenban::gui {

class Tfrm_main;

// Copies the divided students of another project into the current one, fixed to their classes.
class Tfrm_insertQX : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_insertQX(Tfrm_main *mainWindow);

private:
    Tfrm_main *m_main;
};

} // namespace fenban::gui
