#include "gui/new_project_dialog.h"

#include "gui/message_box.h"
#include "store/limits.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace fenban::gui {

NewProjectDialog::NewProjectDialog(QSqlDatabase db, QWidget *parent)
    : QDialog(parent), m_projects(std::move(db)) {
    setObjectName(QStringLiteral("frmBuild"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("新建分班"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    auto *label1 = new QLabel(QStringLiteral("描述       "), this);
    label1->setObjectName(QStringLiteral("Label1"));
    DBEdit1 = new QLineEdit(this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    auto *label2 = new QLabel(QStringLiteral("班级数     "), this);
    label2->setObjectName(QStringLiteral("Label2"));
    DBEdit2 = new QLineEdit(this);
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    auto *button1 = new QPushButton(QStringLiteral("确定"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setDefault(true);
    auto *button2 = new QPushButton(QStringLiteral("取消"), this);
    button2->setObjectName(QStringLiteral("Button2"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(label1, 0, 0);
    layout->addWidget(DBEdit1, 0, 1);
    layout->addWidget(label2, 1, 0);
    layout->addWidget(DBEdit2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1);
    buttons->addWidget(button2);
    layout->addLayout(buttons, 2, 0, 1, 2);
    setMinimumWidth(320);

    connect(button1, &QPushButton::clicked, this, &NewProjectDialog::Button1Click);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
}

void NewProjectDialog::Button1Click() {
    const auto checked = store::checkNewProject(DBEdit1->text(), DBEdit2->text());
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
