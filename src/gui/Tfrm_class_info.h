#pragma once

#include <QWidget>

namespace fenban::gui {

class Tfrm_main;

// The class statistics window: per-class head-counts, averages, deviations and band counts.
class Tfrm_class_info : public QWidget {
    Q_OBJECT

public:
    explicit Tfrm_class_info(Tfrm_main *mainWindow);

private:
    Tfrm_main *m_main;
};

} // namespace fenban::gui
