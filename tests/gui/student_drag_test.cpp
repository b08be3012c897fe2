#include "gui/main_window.h"
#include "gui/move_student_dialog.h"
#include "gui/student_list_window.h"
#include "reports/student_search.h"
#include "store/history.h"
#include "store/projects.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDrag>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

using fenban::gui::MoveStudentDialog;
using fenban::gui::StudentListWindow;
using fenban::store::StudentRecord;

namespace {

enum Column { Id, Name = 2 };

// Four students in three classes; the search for "张" finds 1 (class 1) and 3 (class 2).
QList<StudentRecord> threeClasses() {
    const struct {
        int id;
        const char16_t *name;
        int classId;
    } rows[] = {{1, u"张一", 1}, {2, u"李二", 1}, {3, u"张三", 2}, {4, u"赵四", 3}};
    QList<StudentRecord> students;
    for (const auto &row : rows) {
        StudentRecord record;
        record.studentId = row.id;
        record.name = QString::fromUtf16(row.name);
        record.sex = QStringLiteral("男");
        record.classId = row.classId;
        record.type = 1;
        for (auto &score : record.scores)
            score = 60 + row.id;
        record.pingyin = record.name;
        students.append(record);
    }
    return students;
}

// Moves to `end` and lets go there once `view` has started a drag, from inside the drag's own event
// loop, which runs until the button is let go.
class DropWhenDragging : public QObject {
public:
    DropWhenDragging(QAbstractItemView *view, QWindow *window, QPoint end)
        : m_view(view), m_window(window), m_end(end) {
        view->installEventFilter(this);
    }
    bool dropped() const { return m_dropped; }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        // The view makes the drag its child just before running it.
        if (event->type() == QEvent::ChildAdded && !m_armed) {
            m_armed = true;
            QTimer::singleShot(0, this, [this] { letGo(); });
        }
        return false;
    }

private:
    void letGo() {
        m_armed = false;
        if (m_dropped || !m_view->findChild<QDrag *>())
            return;
        m_dropped = true;
        QTest::mouseMove(m_window, m_end - QPoint(2, 0));
        QTest::mouseMove(m_window, m_end);
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, m_end);
    }

    QAbstractItemView *m_view;
    QWindow *m_window;
    QPoint m_end;
    bool m_armed = false;
    bool m_dropped = false;
};

} // namespace

class StudentDragTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragOnlyAdjustsTheClass_data();
    void dragOnlyAdjustsTheClass();

private:
    // Presses on `from`, moves past the drag distance and lets go over `to`, as a hand would.
    void drag(QWidget *from, QPoint fromAt, QWidget *to, QPoint toAt);
    StudentRecord stored(qint64 id) const;
    int adjustmentsInHistory() const;

    fenban::testing::WindowFixture m_fixture;
    StudentListWindow *m_list = nullptr;
};

void StudentDragTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const auto project =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高一"), 3});
    QVERIFY(project);
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, threeClasses()).kind,
             fenban::store::ReplaceOutcome::Written);
    m_fixture.window()->setCurrentProject(project.value());
    // Room for the whole list window: a drag needs the grid and the tree in sight.
    m_fixture.window()->resize(1400, 900);
    QTest::mouseClick(m_fixture.window()->findChild<QWidget *>(QStringLiteral("ToolButton8")),
                      Qt::LeftButton);
    m_list = m_fixture.window()->findChild<StudentListWindow *>(QStringLiteral("frm_list"));
    QVERIFY(m_list);
    fenban::testing::shownMessages();
}

void StudentDragTest::cleanup() {
    fenban::testing::shownMessages();
    m_fixture.close();
}

void StudentDragTest::drag(QWidget *from, QPoint fromAt, QWidget *to, QPoint toAt) {
    QWindow *window = m_fixture.window()->windowHandle();
    QVERIFY(window);
    const QPoint start = from->mapTo(m_fixture.window(), fromAt);
    const QPoint end = to->mapTo(m_fixture.window(), toAt);
    // Both ends must be in sight, or the hand would grab or drop onto something else.
    QCOMPARE(m_fixture.window()->childAt(start), from);
    QCOMPARE(m_fixture.window()->childAt(end), to);
    auto *view = qobject_cast<QAbstractItemView *>(from->parentWidget());
    QVERIFY(view);
    DropWhenDragging hand(view, window, end);
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    // Step by step, as far as the drag needs to start: it returns only once the drop is done.
    const int distance = QApplication::startDragDistance();
    for (int step = 1; !hand.dropped() && step <= 2 * distance + 2; ++step)
        QTest::mouseMove(window, start + QPoint(step, 0));
    QVERIFY2(hand.dropped(), "the grid did not start a drag");
}

StudentRecord StudentDragTest::stored(qint64 id) const {
    const auto all = fenban::reports::allStudents(m_fixture.connection(), 1);
    for (const StudentRecord &record : all.value())
        if (record.studentId == id)
            return record;
    return {};
}

int StudentDragTest::adjustmentsInHistory() const {
    const auto entries = fenban::store::history(m_fixture.connection(), 1);
    int count = 0;
    for (const fenban::store::HistoryEntry &entry : entries.value())
        count += entry.action == QStringLiteral("调整") ? 1 : 0;
    return count;
}

void StudentDragTest::dragOnlyAdjustsTheClass_data() {
    QTest::addColumn<int>("grabbed");    // the cell of student 1 the drag starts from
    QTest::addColumn<bool>("ontoClass"); // onto 3班 in the tree, else onto student 3 in the grid
    QTest::addColumn<int>("classOf1");
    QTest::addColumn<int>("classOf3");
    QTest::newRow("name onto a class") << int(Name) << true << 3 << 2;
    QTest::newRow("number onto a class") << int(Id) << true << 3 << 2;
    QTest::newRow("name onto a student of another class") << int(Name) << false << 2 << 1;
}

void StudentDragTest::dragOnlyAdjustsTheClass() {
    QFETCH(int, grabbed);
    QFETCH(bool, ontoClass);
    QFETCH(int, classOf1);
    QFETCH(int, classOf3);

    m_list->findChild<QLineEdit *>(QStringLiteral("ed_name"))->setText(QStringLiteral("张"));
    QTest::mouseClick(m_list->findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(0, Id)->text(), QStringLiteral("1"));
    QCOMPARE(grid->item(1, Id)->text(), QStringLiteral("3"));
    const QStringList before{grid->item(0, Id)->text(), grid->item(0, Name)->text()};

    const QPoint from = grid->visualRect(grid->model()->index(0, grabbed)).center();
    if (ontoClass) {
        auto *tree = m_list->findChild<QTreeWidget *>(QStringLiteral("tv_class"));
        const QList<QTreeWidgetItem *> node =
            tree->findItems(QStringLiteral("3班"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(node.size(), 1);
        drag(grid->viewport(), from, tree->viewport(), tree->visualItemRect(node.first()).center());
    } else {
        drag(grid->viewport(), from, grid->viewport(),
             grid->visualRect(grid->model()->index(1, Name)).center());
    }
    if (QTest::currentTestFailed())
        return;

    // The drag itself changes nothing: the row is as it was, and nothing waits to be saved.
    QCOMPARE((QStringList{grid->item(0, Id)->text(), grid->item(0, Name)->text()}), before);
    QVERIFY(!m_list->findChild<QPushButton *>(QStringLiteral("nbPost"))->isEnabled());

    auto *dialog = m_fixture.window()->findChild<MoveStudentDialog *>(QStringLiteral("dlgMoveStudent"));
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnApplyMove")), Qt::LeftButton);
    QCOMPARE(fenban::testing::shownMessages(), QStringList());

    // Only the confirmed adjustment is written, once.
    QCOMPARE(stored(1).name, QStringLiteral("张一"));
    QCOMPARE(stored(1).classId, classOf1);
    QCOMPARE(stored(3).name, QStringLiteral("张三"));
    QCOMPARE(stored(3).classId, classOf3);
    QCOMPARE(adjustmentsInHistory(), 1);
    QCOMPARE(grid->item(0, Name)->text(), QStringLiteral("张一"));
    QVERIFY(!m_list->findChild<QPushButton *>(QStringLiteral("nbPost"))->isEnabled());
}

int main(int argc, char **argv) {
    // The offscreen platform ends every drag at once, before any drop; this one carries it to its drop.
    qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
    QApplication application(argc, argv);
    StudentDragTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "student_drag_test.moc"
