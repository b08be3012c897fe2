#pragma once

#include "store/projects.h"

#include <QDialog>
#include <QSqlDatabase>

class QTreeWidget;

namespace fenban::gui {

// The project chooser: lists every project, opens or deletes the selected one.
class Tfrm_open : public QDialog {
    Q_OBJECT

public:
    explicit Tfrm_open(QSqlDatabase db, QWidget *parent = nullptr);

signals:
    void projectChosen(const fenban::store::Project &project);
    void projectDeleted(int id);

private:
    void fillList();
    // The id of the selected row, if a row is selected.
    std::optional<int> selectedId() const;
    void choose();
    void Button1Click();
    void BitBtn1Click();

    store::ProjectStore m_projects;
    QTreeWidget *lv_info = nullptr;
};

} // namespace fenban::gui
