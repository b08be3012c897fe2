#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;

namespace fenban::gui {

class ProjectContext;

// The project's division history, newest first: comparing two divisions (or one with the classes as
// they are now) student by student, and going back to one. Going back is itself recorded, so it can
// be undone the same way.
class HistoryWindow : public QWidget {
    Q_OBJECT

public:
    explicit HistoryWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);

    void refresh();

signals:
    // The classes were set back to an earlier division.
    void classesChanged();

private:
    // Snapshot numbers of the chosen rows, newest first.
    QList<int> chosenSnapshots() const;
    void compare();
    void restore();

    std::shared_ptr<const ProjectContext> m_context;
    QTableWidget *m_history = nullptr;
    QTableWidget *m_moved = nullptr;
    QLabel *m_comparison = nullptr;
    QPushButton *m_compareButton = nullptr;
    QPushButton *m_restoreButton = nullptr;
};

} // namespace fenban::gui
