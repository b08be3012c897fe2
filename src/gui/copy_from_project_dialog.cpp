#include "gui/copy_from_project_dialog.h"

#include "gui/main_window.h"
#include "gui/message_box.h"
#include "gui/project_list.h"
#include "store/project_copy.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace fenban::gui {

CopyFromProjectDialog::CopyFromProjectDialog(MainWindow *mainWindow)
    : QDialog(mainWindow), m_main(mainWindow) {
    setObjectName(QStringLiteral("frm_insertQX"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入分班数据"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    lv_info = new ProjectList(mainWindow->database(), this);
    rbInsert = new QRadioButton(QStringLiteral("添加"), this);
    rbInsert->setObjectName(QStringLiteral("rbInsert"));
    rbInsert->setChecked(true);
    rbOver = new QRadioButton(QStringLiteral("覆盖"), this);
    rbOver->setObjectName(QStringLiteral("rbOver"));
    auto *button1 = new QPushButton(QStringLiteral("打开"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    auto *bitBtn1 =
        new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), this);
    bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto *button2 = new QPushButton(QStringLiteral("取消"), this);
    button2->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(rbInsert);
    buttons->addWidget(rbOver);
    buttons->addStretch();
    buttons->addWidget(button1);
    buttons->addWidget(bitBtn1);
    buttons->addWidget(button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lv_info);
    layout->addLayout(buttons);
    resize(560, 320);

    connect(lv_info, &QTreeWidget::itemDoubleClicked, this, &CopyFromProjectDialog::choose);
    connect(button1, &QPushButton::clicked, this, &CopyFromProjectDialog::Button1Click);
    connect(bitBtn1, &QPushButton::clicked, this, &CopyFromProjectDialog::BitBtn1Click);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
}

void CopyFromProjectDialog::choose() {
    const auto source = lv_info->selectedId();
    if (!source)
        return;
    const auto copied =
        store::copyStudents(m_main->database(), *source, m_main->projectId().toInt(), rbOver->isChecked());
    if (!copied) {
        MessageBox::error(this, copied.error());
        return;
    }
    accept();
    MessageBox::information(m_main, QStringLiteral("导入数据成功"));
}

void CopyFromProjectDialog::Button1Click() {
    if (!lv_info->selectedId()) {
        MessageBox::information(this, selectProjectFirst());
        return;
    }
    choose();
}

void CopyFromProjectDialog::BitBtn1Click() {
    if (const auto deleted = lv_info->deleteSelected())
        emit projectDeleted(*deleted);
}

} // namespace fenban::gui
