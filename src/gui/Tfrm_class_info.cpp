#include "gui/Tfrm_class_info.h"

#include "gui/Tfrm_main.h"

namespace fenban::gui {

Tfrm_class_info::Tfrm_class_info(Tfrm_main *mainWindow) : m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_class_info"));
    setWindowTitle(QStringLiteral("班级信息"));
    resize(800, 500);
}

} // namespace fenban::gui
