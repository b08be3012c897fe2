#include "gui/open_project_dialog.h"

#include "gui/message_box.h"
#include "gui/project_list.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace fenban::gui {

OpenProjectDialog::OpenProjectDialog(QSqlDatabase db, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_open"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("选择分班项目"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    lv_info = new ProjectList(std::move(db), this);
    auto *button1 = new QPushButton(QStringLiteral("打开"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    auto *bitBtn1 =
        new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), this);
    bitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto *button2 = new QPushButton(QStringLiteral("取消"), this);
    button2->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1);
    buttons->addWidget(bitBtn1);
    buttons->addWidget(button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lv_info);
    layout->addLayout(buttons);
    resize(520, 320);

    connect(lv_info, &QTreeWidget::itemDoubleClicked, this, &OpenProjectDialog::choose);
    connect(button1, &QPushButton::clicked, this, &OpenProjectDialog::Button1Click);
    connect(bitBtn1, &QPushButton::clicked, this, &OpenProjectDialog::BitBtn1Click);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
}

void OpenProjectDialog::choose() {
    const auto project = lv_info->selectedProject();
    if (!project)
        return;
    emit projectChosen(*project);
    accept();
}

void OpenProjectDialog::Button1Click() {
    if (!lv_info->selectedId()) {
        MessageBox::information(this, selectProjectFirst());
        return;
    }
    choose();
}

void OpenProjectDialog::BitBtn1Click() {
    if (const auto deleted = lv_info->deleteSelected())
        emit projectDeleted(*deleted);
}

} // namespace fenban::gui
