#pragma once

#include "store/result.h"
#include "store/students.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <optional>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace fenban::gui {

class ProjectContext;

// The student list: students by class, search, and editing in place. A changed row is written
// when it is posted (or when the cursor leaves it); a row the import's rules would refuse stays
// in the grid, as typed, until it is mended or cancelled.
class StudentListWindow : public QWidget {
    Q_OBJECT

public:
    explicit StudentListWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent = nullptr);

    // Opens the adjustment for the student in the current row: into `toClass` when given (else the
    // teacher chooses), or exchanged with the student numbered `swapWith` when given.
    void adjustCurrentStudent(int toClass = 0, qint64 swapWith = 0);

    // Shows the classes anew after they were changed elsewhere (the history set them back).
    void showChangedClasses();

    // The kind of data a dragged student row carries: the student number.
    static QString studentMimeType();

signals:
    // The teacher asked for the keep-apart and keep-together rules.
    void rulesRequested();
    // Students were moved to other classes here.
    void classesChanged();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    using Listing = std::function<store::Result<QList<store::StudentRecord>>()>;

    void fillClassTree();
    void listAll();
    void listChosenClass();
    void search();

    QWidget *buildSearchPanel();
    QWidget *buildNavigator();
    void buildGrid();

    // Runs `listing` and shows its result; on failure says why and keeps what is shown.
    void list(const Listing &listing);
    void fillGrid(const QList<store::StudentRecord> &students);
    void showRow(int row, const store::StudentRecord &student);
    QStringList rowTexts(int row) const;

    // Writes the row being edited, if any; false (after saying why) when it could not be written.
    bool post();
    void cancel();
    void insertRow();
    void deleteRow();
    void editRow();
    void refresh();
    void moveTo(int row);
    // Ends a pending edit before the grid is left or replaced: true when nothing is pending any more.
    bool settle();

    void onCellChanged(int row, int column);
    void onCurrentCellChanged(int row, int column, int previousRow, int previousColumn);
    void updateNavigator();
    // The class chosen in the tree; 0 (no class) with the root or nothing chosen.
    int chosenClassId() const;
    // The student a drop carries, if it carries one (and nothing is being edited).
    std::optional<store::StudentRecord> droppedStudent(const QMimeData *data) const;
    // Dragging a row onto a class of the tree moves the student there; onto another row, exchanges the two.
    bool handleTreeDrop(QEvent *event);
    bool handleGridDrop(QEvent *event);
    void studentsMoved();
    void reloadClasses();

    std::shared_ptr<const ProjectContext> m_context;
    int m_projectId = 0;
    bool m_shown = false;

    QTreeWidget *m_classTree = nullptr;
    QTableWidget *m_studentGrid = nullptr;
    QLineEdit *m_numberEdit = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QComboBox *m_sexBox = nullptr;
    QCheckBox *m_classConditionBox = nullptr;
    QLineEdit *m_mathLowEdit = nullptr, *m_mathHighEdit = nullptr;
    QLineEdit *m_englishLowEdit = nullptr, *m_englishHighEdit = nullptr;
    QLineEdit *m_chineseLowEdit = nullptr, *m_chineseHighEdit = nullptr;
    QPushButton *m_searchButton = nullptr;
    QWidget *m_searchPanel = nullptr;
    QList<QPushButton *> m_navigator; // in NavigatorButton order
    QLabel *m_countLabel = nullptr;

    // The students as stored, one per grid row; a row being inserted has a default record.
    QList<store::StudentRecord> m_students;
    int m_editRow = -1;
    bool m_inserting = false;
    bool m_filling = false;
    Listing m_lastListing;
};

} // namespace fenban::gui
