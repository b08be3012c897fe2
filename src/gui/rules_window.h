#pragma once

#include "store/result.h"

#include <QList>
#include <QWidget>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace fenban::gui {

class ProjectContext;

// The project's keep-apart and keep-together rules: the list with whether the current classes keep
// each one, and adding and removing rules. Students are picked by number or by name.
class RulesWindow : public QWidget {
    Q_OBJECT

public:
    explicit RulesWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);

    void refresh();

signals:
    // A rule was added or removed.
    void rulesChanged();

private:
    void addRule();
    void removeRule();
    // The students the typed text names, by number or by (unique) name.
    store::Result<QList<qint64>> pickedStudents() const;

    std::shared_ptr<const ProjectContext> m_context;
    QComboBox *m_kind = nullptr;
    QLineEdit *m_students = nullptr;
    QTableWidget *m_rules = nullptr;
    QPushButton *m_remove = nullptr;
};

} // namespace fenban::gui
