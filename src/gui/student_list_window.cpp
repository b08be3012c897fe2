#include "gui/student_list_window.h"

#include "gui/column_widths.h"
#include "gui/message_box.h"
#include "gui/move_student_dialog.h"
#include "gui/project_context.h"
#include "reports/student_edits.h"
#include "reports/student_search.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fenban::gui {

namespace {

enum NavigatorButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

struct NavigatorLook {
    const char *objectName;
    const char16_t *caption;
};
constexpr NavigatorLook navigatorLooks[] = {
    {"nbFirst", u"首条"},  {"nbPrior", u"上一条"}, {"nbNext", u"下一条"}, {"nbLast", u"末条"},
    {"nbInsert", u"插入"}, {"nbDelete", u"删除"},  {"nbEdit", u"编辑"},   {"nbPost", u"保存"},
    {"nbCancel", u"取消"}, {"nbRefresh", u"刷新"},
};

// List columns, counting from 0, and how each is shown: centred or not, width in characters
// (0: the grid's own width).
enum ListColumn { IdColumn, ClassColumn = 4, TypeColumn = 14 };
struct ColumnLook {
    bool centred;
    int width;
};
constexpr ColumnLook columnLooks[] = {
    {false, 0}, {false, 8}, {false, 10}, {true, 0}, {true, 5}, {true, 5}, {true, 5},   {true, 5},   {true, 5},
    {true, 5},  {true, 5},  {true, 5},   {true, 5}, {true, 5}, {true, 3}, {false, 20}, {false, 20},
};

// Icons of the tree, as the window's image list numbers them.
QIcon treeImage(const QWidget *window, int index) {
    return window->style()->standardIcon(index == 0 ? QStyle::SP_DirClosedIcon : QStyle::SP_DirOpenIcon);
}

QLineEdit *lineEdit(const QString &name, QWidget *parent, int width) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(width);
    return edit;
}

// The student list's grid, whose dragged rows carry the student number.
class StudentGrid : public QTableWidget {
public:
    StudentGrid(int rows, int columns, std::function<qint64(int row)> studentAt, QWidget *parent)
        : QTableWidget(rows, columns, parent), m_studentAt(std::move(studentAt)) {}

protected:
    QStringList mimeTypes() const override { return {StudentListWindow::studentMimeType()}; }

    // A dragged row only names the student; were a drop allowed to take it as a move, the view would
    // empty the dragged cells afterwards, and the window would save that as the teacher's edit.
    void startDrag(Qt::DropActions) override { QTableWidget::startDrag(Qt::CopyAction); }

    QMimeData *mimeData(const QList<QTableWidgetItem *> &items) const override {
        if (items.isEmpty())
            return nullptr;
        const qint64 studentId = m_studentAt(items.first()->row());
        if (studentId <= 0)
            return nullptr;
        auto *data = new QMimeData;
        data->setData(StudentListWindow::studentMimeType(), QByteArray::number(studentId));
        return data;
    }

private:
    std::function<qint64(int row)> m_studentAt;
};

} // namespace

QString StudentListWindow::studentMimeType() {
    return QStringLiteral("application/x-fenban-student");
}

StudentListWindow::StudentListWindow(std::shared_ptr<const ProjectContext> context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)), m_projectId(m_context->projectId()) {
    setObjectName(QStringLiteral("frm_list"));
    setWindowTitle(QStringLiteral("学生名单"));
    resize(900, 560);

    m_classTree = new QTreeWidget(this);
    m_classTree->setObjectName(QStringLiteral("tv_class"));
    m_classTree->setHeaderHidden(true);
    m_classTree->setMinimumWidth(130);
    m_classTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_classTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The chosen class is the search's class condition, so it must stay visible while typing there.
    QPalette palette = m_classTree->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     palette.brush(QPalette::Active, QPalette::HighlightedText));
    m_classTree->setPalette(palette);
    connect(m_classTree, &QTreeWidget::itemClicked, this, [this] { listChosenClass(); });

    buildGrid();

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(buildNavigator());
    rightLayout->addWidget(m_studentGrid);

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_classTree);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({150, 750});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildSearchPanel());
    layout->addWidget(splitter, 1);
    updateNavigator();
}

QWidget *StudentListWindow::buildSearchPanel() {
    m_searchPanel = new QWidget(this);
    auto *rows = new QVBoxLayout(m_searchPanel);
    rows->setContentsMargins(0, 0, 0, 0);

    auto *first = new QHBoxLayout;
    m_numberEdit = lineEdit(QStringLiteral("ed_no"), m_searchPanel, 120);
    m_nameEdit = lineEdit(QStringLiteral("ed_name"), m_searchPanel, 120);
    m_sexBox = new QComboBox(m_searchPanel);
    m_sexBox->setObjectName(QStringLiteral("cbSex"));
    m_sexBox->addItems({QStringLiteral("全部"), QStringLiteral("男"), QStringLiteral("女")});
    m_classConditionBox = new QCheckBox(QStringLiteral("使用左边的班级条件"), m_searchPanel);
    m_classConditionBox->setObjectName(QStringLiteral("cbClass"));
    first->addWidget(new QLabel(QStringLiteral("考号"), m_searchPanel));
    first->addWidget(m_numberEdit);
    first->addWidget(new QLabel(QStringLiteral("姓名"), m_searchPanel));
    first->addWidget(m_nameEdit);
    first->addWidget(m_sexBox);
    first->addWidget(m_classConditionBox);
    first->addStretch();
    rows->addLayout(first);

    auto *second = new QHBoxLayout;
    const auto addRange = [&](const QString &label, QLineEdit *&low, QLineEdit *&high, const QString &lowName,
                              const QString &highName) {
        low = lineEdit(lowName, m_searchPanel, 60);
        high = lineEdit(highName, m_searchPanel, 60);
        second->addWidget(new QLabel(label, m_searchPanel));
        second->addWidget(low);
        second->addWidget(new QLabel(QStringLiteral("And"), m_searchPanel));
        second->addWidget(high);
        second->addSpacing(12);
    };
    addRange(QStringLiteral("数学"), m_mathLowEdit, m_mathHighEdit, QStringLiteral("edMath1"),
             QStringLiteral("edMath2"));
    addRange(QStringLiteral("英语"), m_englishLowEdit, m_englishHighEdit, QStringLiteral("edSx1"),
             QStringLiteral("edSx2"));
    addRange(QStringLiteral("语文"), m_chineseLowEdit, m_chineseHighEdit, QStringLiteral("edYw1"),
             QStringLiteral("edYw2"));
    m_searchButton = new QPushButton(QStringLiteral("查询"), m_searchPanel);
    m_searchButton->setObjectName(QStringLiteral("BitBtn1"));
    connect(m_searchButton, &QPushButton::clicked, this, [this] { search(); });
    second->addWidget(m_searchButton);
    second->addStretch();
    rows->addLayout(second);
    return m_searchPanel;
}

QWidget *StudentListWindow::buildNavigator() {
    auto *navigator = new QWidget(this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *layout = new QHBoxLayout(navigator);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (const NavigatorLook &look : navigatorLooks) {
        auto *button = new QPushButton(QString::fromUtf16(look.caption), navigator);
        button->setObjectName(QString::fromLatin1(look.objectName));
        button->setAutoDefault(false);
        layout->addWidget(button);
        m_navigator.append(button);
    }
    layout->addStretch();
    m_countLabel = new QLabel(navigator);
    m_countLabel->setObjectName(QStringLiteral("lb_count"));
    layout->addWidget(m_countLabel);

    const auto on = [this](NavigatorButton which, auto slot) {
        connect(m_navigator[which], &QPushButton::clicked, this, slot);
    };
    on(First, [this] { moveTo(0); });
    on(Prior, [this] { moveTo(m_studentGrid->currentRow() - 1); });
    on(Next, [this] { moveTo(m_studentGrid->currentRow() + 1); });
    on(Last, [this] { moveTo(m_studentGrid->rowCount() - 1); });
    on(Insert, [this] { insertRow(); });
    on(Delete, [this] { deleteRow(); });
    on(Edit, [this] { editRow(); });
    on(Post, [this] { post(); });
    on(Cancel, [this] { cancel(); });
    on(Refresh, [this] { refresh(); });
    return navigator;
}

void StudentListWindow::buildGrid() {
    m_studentGrid = new StudentGrid(
        0, static_cast<int>(std::size(columnLooks)),
        [this](int row) {
            // A row being edited or inserted is not yet the stored student.
            if (row < 0 || row >= m_students.size() || row == m_editRow)
                return qint64(0);
            return m_students[row].studentId;
        },
        this);
    m_studentGrid->setObjectName(QStringLiteral("DBGrid1"));
    m_studentGrid->setHorizontalHeaderLabels(reports::studentListTitles());
    m_studentGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_studentGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    const int charWidth = m_studentGrid->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int column = 0; column < m_studentGrid->columnCount(); ++column) {
        if (columnLooks[column].width > 0)
            m_studentGrid->setColumnWidth(column, charWidth * columnLooks[column].width + 12);
    }
    connect(m_studentGrid, &QTableWidget::cellChanged, this, &StudentListWindow::onCellChanged);
    connect(m_studentGrid, &QTableWidget::currentCellChanged, this, &StudentListWindow::onCurrentCellChanged);

    // A row dragged onto a class of the tree, or onto another student, opens the adjustment.
    m_studentGrid->setDragEnabled(true);
    m_studentGrid->setDragDropMode(QAbstractItemView::DragDrop);
    m_studentGrid->viewport()->installEventFilter(this);
    m_classTree->setAcceptDrops(true);
    m_classTree->viewport()->installEventFilter(this);

    m_studentGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *move = new QAction(QStringLiteral("调到其他班…"), m_studentGrid);
    move->setObjectName(QStringLiteral("actMoveStudent"));
    connect(move, &QAction::triggered, this, [this] { adjustCurrentStudent(); });
    auto *swap = new QAction(QStringLiteral("与其他学生交换班级…"), m_studentGrid);
    swap->setObjectName(QStringLiteral("actSwapStudent"));
    connect(swap, &QAction::triggered, this, [this] { adjustCurrentStudent(0, -1); });
    auto *rules = new QAction(QStringLiteral("分开/同班规则…"), m_studentGrid);
    rules->setObjectName(QStringLiteral("actStudentRules"));
    connect(rules, &QAction::triggered, this, &StudentListWindow::rulesRequested);
    m_studentGrid->addActions({move, swap, rules});
}

void StudentListWindow::adjustCurrentStudent(int toClass, qint64 swapWith) {
    if (!settle())
        return;
    const int row = m_studentGrid->currentRow();
    if (row < 0 || row >= m_students.size()) {
        MessageBox::information(this, QStringLiteral("请先选择一名学生"));
        return;
    }
    auto *dialog = new MoveStudentDialog(m_context, m_students[row], this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (toClass > 0)
        dialog->chooseClass(toClass);
    else if (swapWith > 0)
        dialog->chooseSwapWith(swapWith);
    else if (swapWith < 0)
        dialog->chooseSwapWith(0);
    connect(dialog, &MoveStudentDialog::studentsMoved, this, &StudentListWindow::studentsMoved);
    dialog->open();
}

void StudentListWindow::studentsMoved() {
    reloadClasses();
    emit classesChanged();
}

void StudentListWindow::showChangedClasses() {
    if (m_editRow < 0)
        reloadClasses();
}

void StudentListWindow::reloadClasses() {
    const int row = m_studentGrid->currentRow();
    const QString chosen = m_classTree->currentItem() ? m_classTree->currentItem()->text(0) : QString();
    fillClassTree();
    // The tree is made anew (a class may have appeared); the class it showed stays chosen.
    if (!chosen.isEmpty()) {
        const QList<QTreeWidgetItem *> found =
            m_classTree->findItems(chosen, Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty())
            m_classTree->setCurrentItem(found.first());
    }
    refresh();
    moveTo(std::min(row, m_studentGrid->rowCount() - 1));
}

std::optional<store::StudentRecord> StudentListWindow::droppedStudent(const QMimeData *data) const {
    if (!data || !data->hasFormat(studentMimeType()) || m_editRow >= 0)
        return std::nullopt;
    bool isNumber = false;
    const qint64 studentId = data->data(studentMimeType()).toLongLong(&isNumber);
    if (!isNumber)
        return std::nullopt;
    for (const store::StudentRecord &student : m_students)
        if (student.studentId == studentId)
            return student;
    return std::nullopt;
}

bool StudentListWindow::eventFilter(QObject *watched, QEvent *event) {
    const bool dragging = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                          event->type() == QEvent::Drop;
    if (dragging && watched == m_classTree->viewport())
        return handleTreeDrop(event);
    if (dragging && watched == m_studentGrid->viewport())
        return handleGridDrop(event);
    return QWidget::eventFilter(watched, event);
}

bool StudentListWindow::handleTreeDrop(QEvent *event) {
    auto *drop = static_cast<QDropEvent *>(event);
    const auto student = droppedStudent(drop->mimeData());
    const QTreeWidgetItem *node = m_classTree->itemAt(drop->position().toPoint());
    const int classId = node && node->parent() ? node->data(0, Qt::UserRole).toInt() : 0;
    const bool fits =
        student && (event->type() == QEvent::DragEnter || (classId > 0 && classId != student->classId));
    if (!fits) {
        drop->ignore();
        return true;
    }
    // A copy, never a move: the dragged row stays as it is, only the adjustment changes the class.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        const int row = int(m_students.indexOf(*student));
        m_studentGrid->setCurrentCell(row, std::max(m_studentGrid->currentColumn(), 0));
        adjustCurrentStudent(classId);
    }
    return true;
}

bool StudentListWindow::handleGridDrop(QEvent *event) {
    auto *drop = static_cast<QDropEvent *>(event);
    const auto student = droppedStudent(drop->mimeData());
    const int row = m_studentGrid->rowAt(drop->position().toPoint().y());
    const bool other =
        row >= 0 && row < m_students.size() && student && m_students[row].studentId != student->studentId;
    const bool fits = student && (event->type() == QEvent::DragEnter ||
                                  (other && m_students[row].classId != student->classId));
    if (!fits) {
        drop->ignore();
        return true;
    }
    // Never the grid's own move of cells: the drop only opens the exchange.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() == QEvent::Drop) {
        const qint64 target = m_students[row].studentId;
        m_studentGrid->setCurrentCell(int(m_students.indexOf(*student)),
                                      std::max(m_studentGrid->currentColumn(), 0));
        adjustCurrentStudent(0, target);
    }
    return true;
}

void StudentListWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    fillClassTree();
    if (!!m_context->hasProject())
        listAll();
}

void StudentListWindow::closeEvent(QCloseEvent *event) {
    if (m_editRow >= 0 && !post()) {
        if (!MessageBox::confirm(this, QStringLiteral("修改的学生未能保存, 放弃修改并关闭吗?"))) {
            event->ignore();
            return;
        }
        cancel();
    }
    QWidget::closeEvent(event);
}

void StudentListWindow::keyPressEvent(QKeyEvent *event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Only from the search fields: in the grid, Enter belongs to the cell being edited.
    if (enter && focusWidget() && m_searchPanel->isAncestorOf(focusWidget())) {
        m_searchButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StudentListWindow::fillClassTree() {
    m_classTree->clear();
    auto *root = new QTreeWidgetItem(m_classTree, {reports::allClassesCaption()});
    root->setIcon(0, treeImage(this, 0));
    const auto classes = reports::studentClassIds(m_context->database(), m_projectId);
    if (!classes) {
        MessageBox::error(this, classes.error());
        return;
    }
    for (const int classId : classes.value()) {
        auto *node = new QTreeWidgetItem(root, {reports::className(classId)});
        node->setData(0, Qt::UserRole, classId);
        node->setIcon(0, treeImage(this, 0));
    }
    if (root->childCount() > 0)
        root->setIcon(0, treeImage(this, 1));
    root->setExpanded(true);
}

void StudentListWindow::listAll() {
    list([this] { return reports::allStudents(m_context->database(), m_projectId); });
}

void StudentListWindow::listChosenClass() {
    QTreeWidgetItem *node = m_classTree->currentItem();
    if (!node || !node->isSelected())
        return;
    if (!node->parent()) {
        listAll();
        return;
    }
    // The node's own class number, not its position: with classes 0, 1, 2 the first node is 0班.
    const int classId = node->data(0, Qt::UserRole).toInt();
    list([this, classId] { return reports::studentsOfClass(m_context->database(), m_projectId, classId); });
}

void StudentListWindow::search() {
    reports::StudentSearchTexts texts;
    texts.number = m_numberEdit->text();
    texts.namePart = m_nameEdit->text();
    texts.sex = m_sexBox->currentIndex() > 0 ? m_sexBox->currentText() : QString();
    if (m_classConditionBox->isChecked()) {
        // With the root, or no node at all, chosen there is no class to keep to.
        if (const int classId = chosenClassId())
            texts.classId = classId;
    }
    texts.mathLow = m_mathLowEdit->text();
    texts.mathHigh = m_mathHighEdit->text();
    texts.englishLow = m_englishLowEdit->text();
    texts.englishHigh = m_englishHighEdit->text();
    texts.chineseLow = m_chineseLowEdit->text();
    texts.chineseHigh = m_chineseHighEdit->text();
    const auto filter = reports::studentFilter(texts);
    if (!filter) {
        MessageBox::error(this, filter.error());
        return;
    }
    list([this, filter = filter.value()] {
        return reports::searchStudents(m_context->database(), m_projectId, filter);
    });
}

void StudentListWindow::list(const Listing &listing) {
    if (!settle())
        return;
    const auto students = listing();
    if (!students) {
        MessageBox::error(this, students.error());
        return;
    }
    m_lastListing = listing;
    fillGrid(students.value());
}

void StudentListWindow::fillGrid(const QList<store::StudentRecord> &students) {
    m_filling = true;
    m_students = students;
    m_editRow = -1;
    m_inserting = false;
    m_studentGrid->setRowCount(0);
    m_studentGrid->setRowCount(static_cast<int>(students.size()));
    for (int row = 0; row < m_studentGrid->rowCount(); ++row)
        showRow(row, students[row]);
    fitColumnsToContent(m_studentGrid);
    if (m_studentGrid->rowCount() > 0)
        m_studentGrid->setCurrentCell(0, 0);
    m_filling = false;
    updateNavigator();
}

void StudentListWindow::showRow(int row, const store::StudentRecord &student) {
    const bool wasFilling = m_filling;
    m_filling = true;
    QStringList cells = reports::studentListCells(student);
    if (m_inserting && row == m_editRow)
        cells[IdColumn].clear(); // a new student has no number until one is typed
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        item->setTextAlignment(columnLooks[column].centred ? Qt::AlignCenter
                                                           : Qt::AlignLeft | Qt::AlignVCenter);
        m_studentGrid->setItem(row, column, item);
    }
    m_filling = wasFilling;
}

QStringList StudentListWindow::rowTexts(int row) const {
    QStringList cells;
    for (int column = 0; column < m_studentGrid->columnCount(); ++column) {
        const QTableWidgetItem *item = m_studentGrid->item(row, column);
        cells.append(item ? item->text() : QString());
    }
    return cells;
}

bool StudentListWindow::post() {
    if (m_editRow < 0)
        return true;
    const int row = m_editRow;
    const reports::StudentEdit edit = reports::studentFromListCells(rowTexts(row), m_students[row]);
    if (edit.problem) {
        MessageBox::error(this, edit.problem->message());
        const int column = static_cast<int>(reports::studentListTitles().indexOf(edit.problem->column));
        m_filling = true;
        m_studentGrid->setCurrentCell(row, std::max(column, 0));
        m_filling = false;
        return false;
    }
    const store::Status written =
        m_inserting ? reports::insertStudent(m_context->database(), m_projectId, *edit.record)
                    : reports::updateStudent(m_context->database(), m_projectId, m_students[row].studentId,
                                             *edit.record);
    if (!written) {
        MessageBox::error(this, QStringLiteral("学生未能保存: %1").arg(written.error()));
        return false;
    }
    m_students[row] = *edit.record;
    m_editRow = -1;
    m_inserting = false;
    showRow(row, *edit.record);
    updateNavigator();
    return true;
}

void StudentListWindow::cancel() {
    if (m_editRow < 0)
        return;
    const int row = m_editRow;
    const bool inserting = m_inserting;
    m_editRow = -1;
    m_inserting = false;
    m_filling = true;
    if (inserting) {
        m_students.removeAt(row);
        m_studentGrid->removeRow(row);
    } else {
        showRow(row, m_students[row]);
    }
    m_filling = false;
    updateNavigator();
}

void StudentListWindow::insertRow() {
    if (!settle())
        return;
    const int row = std::max(m_studentGrid->currentRow(), 0);
    m_filling = true;
    // A teacher looking at one class adds the newcomer to it.
    store::StudentRecord student;
    student.classId = chosenClassId();
    m_students.insert(row, student);
    m_studentGrid->insertRow(row);
    m_editRow = row;
    m_inserting = true;
    showRow(row, m_students[row]);
    m_studentGrid->setCurrentCell(row, IdColumn);
    m_filling = false;
    updateNavigator();
}

void StudentListWindow::deleteRow() {
    const int row = m_studentGrid->currentRow();
    if (row < 0)
        return;
    if (m_inserting && row == m_editRow) {
        cancel();
        return;
    }
    const qint64 studentId = m_students[row].studentId;
    if (!MessageBox::confirm(this, QStringLiteral("删除学号为%1的学生吗?").arg(studentId),
                             QStringLiteral("确认")))
        return;
    if (const store::Status removed = reports::deleteStudent(m_context->database(), m_projectId, studentId);
        !removed) {
        MessageBox::error(this, QStringLiteral("学生未能删除: %1").arg(removed.error()));
        return;
    }
    m_filling = true;
    if (row == m_editRow)
        m_editRow = -1;
    else if (m_editRow > row)
        --m_editRow;
    m_students.removeAt(row);
    m_studentGrid->removeRow(row);
    m_filling = false;
    updateNavigator();
}

void StudentListWindow::editRow() {
    QTableWidgetItem *item = m_studentGrid->currentItem();
    if (!item)
        return;
    if (m_editRow < 0)
        m_editRow = item->row();
    m_studentGrid->editItem(item);
    updateNavigator();
}

void StudentListWindow::refresh() {
    if (m_lastListing)
        list(m_lastListing);
}

void StudentListWindow::moveTo(int row) {
    if (row < 0 || row >= m_studentGrid->rowCount())
        return;
    m_studentGrid->setCurrentCell(row, std::max(m_studentGrid->currentColumn(), 0));
}

bool StudentListWindow::settle() {
    return m_editRow < 0 || post();
}

void StudentListWindow::onCellChanged(int row, int) {
    if (m_filling)
        return;
    if (m_editRow < 0)
        m_editRow = row;
    updateNavigator();
}

void StudentListWindow::onCurrentCellChanged(int row, int, int previousRow, int previousColumn) {
    if (m_filling) {
        updateNavigator();
        return;
    }
    // Leaving a changed row writes it, as a bound grid does; a refused row keeps the cursor.
    if (m_editRow >= 0 && row != m_editRow && previousRow == m_editRow && !post()) {
        m_filling = true;
        m_studentGrid->setCurrentCell(m_editRow, std::max(previousColumn, 0));
        m_filling = false;
    }
    updateNavigator();
}

void StudentListWindow::updateNavigator() {
    const int row = m_studentGrid->currentRow();
    const int count = m_studentGrid->rowCount();
    const bool editing = m_editRow >= 0;
    m_navigator[First]->setEnabled(row > 0);
    m_navigator[Prior]->setEnabled(row > 0);
    m_navigator[Next]->setEnabled(row >= 0 && row < count - 1);
    m_navigator[Last]->setEnabled(row >= 0 && row < count - 1);
    m_navigator[Delete]->setEnabled(row >= 0);
    m_navigator[Edit]->setEnabled(row >= 0 && !editing);
    m_navigator[Post]->setEnabled(editing);
    m_navigator[Cancel]->setEnabled(editing);
    m_countLabel->setText(QStringLiteral("共%1条").arg(count));
}

int StudentListWindow::chosenClassId() const {
    const QTreeWidgetItem *node = m_classTree->currentItem();
    if (!node || !node->isSelected() || !node->parent())
        return 0;
    return node->data(0, Qt::UserRole).toInt();
}

} // namespace fenban::gui
