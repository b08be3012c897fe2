#include "gui/new_project_dialog.h"

#include "gui/message_box.h"
#include "store/limits.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace fenban::gui {

NewProjectDialog::NewProjectDialog(QSqlDatabase db, QWidget *parent)
    : QDialog(parent), m_projects(std::move(db)) {
    setObjectName(QStringLiteral("frmBuild"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("新建分班"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    auto *descriptionLabel = new QLabel(QStringLiteral("描述       "), this);
    descriptionLabel->setObjectName(QStringLiteral("Label1"));
    m_descriptionEdit = new QLineEdit(this);
    m_descriptionEdit->setObjectName(QStringLiteral("DBEdit1"));
    auto *classCountLabel = new QLabel(QStringLiteral("班级数     "), this);
    classCountLabel->setObjectName(QStringLiteral("Label2"));
    // Digits only: the spin box refuses signs, points and letters as they are typed.
    m_classCountEdit = new QSpinBox(this);
    m_classCountEdit->setObjectName(QStringLiteral("DBEdit2"));
    m_classCountEdit->setRange(store::minClassCount, store::maxClassCount);
    m_classCountEdit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_classCountEdit->clear();
    auto *okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("Button1"));
    okButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("Button2"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(descriptionLabel, 0, 0);
    layout->addWidget(m_descriptionEdit, 0, 1);
    layout->addWidget(classCountLabel, 1, 0);
    layout->addWidget(m_classCountEdit, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons, 2, 0, 1, 2);
    setMinimumWidth(320);

    connect(okButton, &QPushButton::clicked, this, &NewProjectDialog::createProject);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void NewProjectDialog::createProject() {
    const auto checked = store::checkNewProject(m_descriptionEdit->text(), m_classCountEdit->cleanText());
    if (!checked) {
        MessageBox::information(this, checked.error());
        return;
    }
    // A line break or tab in the description would forge rows wherever projects are listed.
    if (const auto position = store::firstControlCharacter(checked.value().memo)) {
        MessageBox::information(this,
                                QStringLiteral("分班描述不能含有控制字符(第%1个字符)").arg(*position + 1));
        return;
    }
    if (checked.value().classes < store::minClassCount || checked.value().classes > store::maxClassCount) {
        MessageBox::information(
            this,
            QStringLiteral("班级数必须在%1到%2之间").arg(store::minClassCount).arg(store::maxClassCount));
        return;
    }
    const auto created = m_projects.create(checked.value());
    if (!created) {
        MessageBox::error(this, created.error());
        return;
    }
    emit projectCreated(created.value());
    MessageBox::information(this, QStringLiteral("新建分班操作成功!"));
    accept();
}

} // namespace fenban::gui
