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

    m_projects = new ProjectList(std::move(db), this);
    auto *openButton = new QPushButton(QStringLiteral("打开"), this);
    openButton->setObjectName(QStringLiteral("Button1"));
    auto *deleteButton =
        new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), this);
    deleteButton->setObjectName(QStringLiteral("BitBtn1"));
    auto *cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(openButton);
    buttons->addWidget(deleteButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_projects);
    layout->addLayout(buttons);
    resize(520, 320);

    connect(m_projects, &QTreeWidget::itemDoubleClicked, this, &OpenProjectDialog::openSelected);
    connect(openButton, &QPushButton::clicked, this, &OpenProjectDialog::openProject);
    connect(deleteButton, &QPushButton::clicked, this, &OpenProjectDialog::deleteProject);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void OpenProjectDialog::openSelected() {
    const auto project = m_projects->selectedProject();
    if (!project)
        return;
    emit projectChosen(*project);
    accept();
}

void OpenProjectDialog::openProject() {
    if (!m_projects->selectedId()) {
        MessageBox::information(this, selectProjectFirst());
        return;
    }
    openSelected();
}

void OpenProjectDialog::deleteProject() {
    if (const auto deleted = m_projects->deleteSelected())
        emit projectDeleted(*deleted);
}

} // namespace fenban::gui
