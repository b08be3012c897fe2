#pragma once

#include <QWidget>

namespace fenban::gui {

class Tfrm_main;

// The student list: students by class, search, and editing in place.
class Tfrm_list : public QWidget {
    Q_OBJECT

public:
    explicit Tfrm_list(Tfrm_main *mainWindow);

private:
    Tfrm_main *m_main;
};

} // namespace fenban::gui
