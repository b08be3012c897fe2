#include "gui/Tfrm_open.h"

#include "gui/MessageBox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

const QString selectFirst = QStringLiteral("请选择分班项!");

} // namespace

Tfrm_open::Tfrm_open(QSqlDatabase db, QWidget *parent) : QDialog(parent), m_projects(std::move(db)) {
    setObjectName(QStringLiteral("frm_open"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("选择分班项目"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

    lv_info = new QTreeWidget(this);
    lv_info->setObjectName(QStringLiteral("lv_info"));
    lv_info->setRootIsDecorated(false);
    lv_info->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv_info->setSelectionMode(QAbstractItemView::SingleSelection);
    lv_info->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv_info->setHeaderLabels({QStringLiteral("自编号"), QStringLiteral("分班描述"), QStringLiteral("班级数"),
                              QStringLiteral("建立时间")});
    lv_info->setColumnWidth(1, 150);
    lv_info->setColumnWidth(3, 100);
    lv_info->header()->setStretchLastSection(true);

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

    connect(lv_info, &QTreeWidget::itemDoubleClicked, this, &Tfrm_open::choose);
    connect(button1, &QPushButton::clicked, this, &Tfrm_open::Button1Click);
    connect(bitBtn1, &QPushButton::clicked, this, &Tfrm_open::BitBtn1Click);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);

    fillList();
}

void Tfrm_open::fillList() {
    lv_info->clear();
    const auto projects = m_projects.list();
    if (!projects) {
        MessageBox::error(this, projects.error());
        return;
    }
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const store::Project &project : projects.value()) {
        auto *item = new QTreeWidgetItem(lv_info, {QString::number(project.id), project.memo,
                                                   QString::number(project.classes), project.createdAt});
        item->setIcon(0, icon);
    }
}

std::optional<int> Tfrm_open::selectedId() const {
    const QList<QTreeWidgetItem *> selected = lv_info->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->text(0).toInt();
}

void Tfrm_open::choose() {
    const auto id = selectedId();
    if (!id)
        return;
    const auto project = m_projects.find(*id);
    if (!project) {
        MessageBox::error(this, project.error());
        return;
    }
    if (!project.value())
        return;
    emit projectChosen(*project.value());
    accept();
}

void Tfrm_open::Button1Click() {
    if (!selectedId()) {
        MessageBox::information(this, selectFirst);
        return;
    }
    choose();
}

void Tfrm_open::BitBtn1Click() {
    const auto id = selectedId();
    if (!id) {
        MessageBox::information(this, selectFirst);
        return;
    }
    // Deleting drops the project's students for good, so it is never done on a single click.
    if (!MessageBox::confirm(this, QStringLiteral("确定要删除该分班项目吗？删除后不能恢复。")))
        return;
    if (const auto removed = m_projects.remove(*id); !removed) {
        MessageBox::error(this, removed.error());
        return;
    }
    emit projectDeleted(*id);
    fillList();
}

} // namespace fenban::gui
