#include "gui/Tfrm_list.h"

#include "gui/Tfrm_main.h"

namespace fenban::gui {

Tfrm_list::Tfrm_list(Tfrm_main *mainWindow) : m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_list"));
    setWindowTitle(QStringLiteral("学生名单"));
    resize(800, 500);
}

} // namespace fenban::gui
