#include "gui/copy_from_project_dialog.h"

#include "reports/history_summary.h"

#include "gui/message_box.h"
#include "gui/project_context.h"
#include "gui/project_list.h"
#include "store/project_copy.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace fenban::gui {

CopyFromProjectDialog::CopyFromProjectDialog(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QDialog(parent), m_context(std::move(context)) {
    setObjectName(QStringLiteral("frm_insertQX"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("导入分班数据"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    m_projects = new ProjectList(m_context->database(), this);
    m_addButton = new QRadioButton(QStringLiteral("添加"), this);
    m_addButton->setObjectName(QStringLiteral("rbInsert"));
    m_addButton->setChecked(true);
    m_overwriteButton = new QRadioButton(QStringLiteral("覆盖"), this);
    m_overwriteButton->setObjectName(QStringLiteral("rbOver"));
    auto *openButton = new QPushButton(QStringLiteral("打开"), this);
    openButton->setObjectName(QStringLiteral("Button1"));
    auto *deleteButton =
        new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("删除"), this);
    deleteButton->setObjectName(QStringLiteral("BitBtn1"));
    auto *cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("Button2"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_overwriteButton);
    buttons->addStretch();
    buttons->addWidget(openButton);
    buttons->addWidget(deleteButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_projects);
    layout->addLayout(buttons);
    resize(560, 320);

    connect(m_projects, &QTreeWidget::itemDoubleClicked, this, &CopyFromProjectDialog::copySelected);
    connect(openButton, &QPushButton::clicked, this, &CopyFromProjectDialog::copyProject);
    connect(deleteButton, &QPushButton::clicked, this, &CopyFromProjectDialog::deleteProject);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void CopyFromProjectDialog::copySelected() {
    const auto source = m_projects->selectedId();
    if (!source)
        return;
    const auto copied = store::copyStudents(m_context->database(), *source, m_context->projectId(),
                                            m_overwriteButton->isChecked(), reports::historySummary);
    if (!copied) {
        MessageBox::error(this, copied.error());
        return;
    }
    // Said by the window below: this dialog is gone once accepted.
    QWidget *owner = parentWidget();
    accept();
    MessageBox::information(owner, store::copiedText(copied.value()));
}

void CopyFromProjectDialog::copyProject() {
    if (!m_projects->selectedId()) {
        MessageBox::information(this, selectProjectFirst());
        return;
    }
    copySelected();
}

void CopyFromProjectDialog::deleteProject() {
    if (const auto deleted = m_projects->deleteSelected())
        emit projectDeleted(*deleted);
}

} // namespace fenban::gui
