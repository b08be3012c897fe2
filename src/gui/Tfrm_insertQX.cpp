#include "gui/Tfrm_insertQX.h"

#include "gui/Tfrm_main.h"

namespace fenban::gui {

Tfrm_insertQX::Tfrm_insertQX(Tfrm_main *mainWindow) : QDialog(mainWindow), m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_insertQX"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入分班数据"));
}

} // namespace fenban::gui
