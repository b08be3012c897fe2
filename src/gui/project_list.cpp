#include "gui/project_list.h"

#include "gui/message_box.h"

#include <QHeaderView>
#include <QStyle>

namespace fenban::gui {

QString selectProjectFirst() {
    return QStringLiteral("请选择分班项!");
}

ProjectList::ProjectList(QSqlDatabase db, QWidget *parent) : QTreeWidget(parent), m_projects(std::move(db)) {
    setObjectName(QStringLiteral("lv_info"));
    setRootIsDecorated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHeaderLabels({QStringLiteral("自编号"), QStringLiteral("分班描述"), QStringLiteral("班级数"),
                     QStringLiteral("建立时间")});
    setColumnWidth(1, 150);
    setColumnWidth(3, 100);
    header()->setStretchLastSection(true);
    fill();
}

void ProjectList::fill() {
    clear();
    const auto projects = m_projects.list();
    if (!projects) {
        MessageBox::error(this, projects.error());
        return;
    }
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const store::Project &project : projects.value()) {
        auto *item = new QTreeWidgetItem(this, {QString::number(project.id), project.memo,
                                                QString::number(project.classes), project.createdAt});
        item->setIcon(0, icon);
    }
}

std::optional<int> ProjectList::selectedId() const {
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->text(0).toInt();
}

std::optional<store::Project> ProjectList::selectedProject() {
    const auto id = selectedId();
    if (!id)
        return std::nullopt;
    const auto project = m_projects.find(*id);
    if (!project) {
        MessageBox::error(this, project.error());
        return std::nullopt;
    }
    return project.value();
}

std::optional<int> ProjectList::deleteSelected() {
    const auto id = selectedId();
    if (!id) {
        MessageBox::information(this, selectProjectFirst());
        return std::nullopt;
    }
    // Deleting drops the project's students for good, so it is never done on a single click.
    if (!MessageBox::confirm(this, QStringLiteral("确定要删除该分班项目吗？删除后不能恢复。")))
        return std::nullopt;
    if (const auto removed = m_projects.remove(*id); !removed) {
        MessageBox::error(this, removed.error());
        return std::nullopt;
    }
    fill();
    return id;
}

} // namespace fenban::gui
