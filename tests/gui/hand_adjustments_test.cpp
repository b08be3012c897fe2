#include "gui/division_window.h"
#include "gui/history_window.h"
#include "gui/main_window.h"
#include "gui/move_student_dialog.h"
#include "gui/rules_window.h"
#include "gui/student_list_window.h"
#include "reports/student_search.h"
#include "store/history.h"
#include "store/projects.h"
#include "store/student_groups.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using fenban::gui::HistoryWindow;
using fenban::gui::MessageBox;
using fenban::gui::MoveStudentDialog;
using fenban::gui::RulesWindow;
using fenban::gui::StudentListWindow;
using fenban::store::StudentRecord;

namespace {

// Eight students in two classes: 1..4 in class 1, 5..8 in class 2, boys and girls alternating.
QList<StudentRecord> twoClasses() {
    const QStringList names{QStringLiteral("张一"), QStringLiteral("李二"), QStringLiteral("王三"),
                            QStringLiteral("赵四"), QStringLiteral("钱五"), QStringLiteral("孙六"),
                            QStringLiteral("周七"), QStringLiteral("吴八")};
    QList<StudentRecord> students;
    for (int index = 0; index < names.size(); ++index) {
        StudentRecord record;
        record.studentId = index + 1;
        record.name = names[index];
        record.sex = index % 2 == 0 ? QStringLiteral("男") : QStringLiteral("女");
        record.classId = index < 4 ? 1 : 2;
        record.type = 1;
        for (auto &score : record.scores)
            score = 60 + index;
        record.pingyin = names[index];
        students.append(record);
    }
    return students;
}

} // namespace

class HandAdjustmentsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rulesAreAddedListedAndRemoved();
    void moveShowsItsEffectAndIsUndoneThroughTheHistory();
    void moveThatBreaksARuleWarnsFirst();
    void swapAndDropOpenTheAdjustment();
    void divisionWarnsBeforeOverwritingHandAdjustments();

private:
    void trigger(const QString &actionName);
    template <typename Window> Window *child() const;
    StudentListWindow *openList();
    MoveStudentDialog *openedDialog() const;
    StudentRecord stored(qint64 id) const;
    QStringList messages() { return fenban::testing::shownMessages(); }

    fenban::testing::WindowFixture m_fixture;
};

void HandAdjustmentsTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const auto project =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高一"), 2});
    QVERIFY(project);
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, twoClasses()).kind,
             fenban::store::ReplaceOutcome::Written);
    m_fixture.window()->setCurrentProject(project.value());
    messages();
}

void HandAdjustmentsTest::cleanup() {
    messages();
    m_fixture.close();
}

void HandAdjustmentsTest::trigger(const QString &actionName) {
    auto *action = m_fixture.window()->findChild<QAction *>(actionName);
    QVERIFY2(action, qPrintable(actionName));
    action->trigger();
}

template <typename Window> Window *HandAdjustmentsTest::child() const {
    for (QMdiSubWindow *frame : m_fixture.window()->mdiArea()->subWindowList())
        if (auto *window = qobject_cast<Window *>(frame->widget()))
            return window;
    return nullptr;
}

StudentListWindow *HandAdjustmentsTest::openList() {
    QTest::mouseClick(m_fixture.window()->findChild<QWidget *>(QStringLiteral("ToolButton8")),
                      Qt::LeftButton);
    return child<StudentListWindow>();
}

MoveStudentDialog *HandAdjustmentsTest::openedDialog() const {
    return m_fixture.window()->findChild<MoveStudentDialog *>(QStringLiteral("dlgMoveStudent"));
}

StudentRecord HandAdjustmentsTest::stored(qint64 id) const {
    const auto all = fenban::reports::allStudents(m_fixture.connection(), 1);
    for (const StudentRecord &record : all.value())
        if (record.studentId == id)
            return record;
    return {};
}

void HandAdjustmentsTest::rulesAreAddedListedAndRemoved() {
    trigger(QStringLiteral("actRules"));
    auto *rules = child<RulesWindow>();
    QVERIFY(rules);
    auto *students = rules->findChild<QLineEdit *>(QStringLiteral("edtRuleStudents"));
    auto *kind = rules->findChild<QComboBox *>(QStringLiteral("cbRuleKind"));
    auto *add = rules->findChild<QPushButton *>(QStringLiteral("btnAddRule"));
    auto *grid = rules->findChild<QTableWidget *>(QStringLiteral("sgRules"));

    // By number and by name; 1 and 2 share class 1, so keeping them apart is broken now.
    students->setText(QStringLiteral("1，李二"));
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(messages(), QStringList());
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("分开"));
    QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("1 张一、2 李二"));
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("违反: 1班"));
    QVERIFY(students->text().isEmpty());

    // Bad input is named and nothing is stored.
    const struct {
        QString typed;
        int kindIndex;
        QString message;
    } refused[] = {
        {QStringLiteral("1 无名"), 0, QStringLiteral("没有姓名为“无名”的学生")},
        {QStringLiteral("1 99"), 0, QStringLiteral("学号不存在: 99")},
        {QStringLiteral("1 1"), 0, QStringLiteral("学生重复: 1 张一")},
        {QStringLiteral("1 2 3 4 5"), 1, QStringLiteral("同班组有5名学生，超过一个班的人数4")},
        {QStringLiteral(" "), 0, QStringLiteral("请输入学生的学号或姓名")},
    };
    for (const auto &bad : refused) {
        students->setText(bad.typed);
        kind->setCurrentIndex(bad.kindIndex);
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(messages(), QStringList{bad.message});
        QCOMPARE(grid->rowCount(), 1);
    }

    students->setText(QStringLiteral("1 5"));
    kind->setCurrentIndex(1);
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("同班"));
    QCOMPARE(grid->item(1, 3)->text(), QStringLiteral("违反: 1班、2班"));

    // Removing asks first.
    grid->selectRow(0);
    MessageBox::queueAnswer(false);
    QTest::mouseClick(rules->findChild<QPushButton *>(QStringLiteral("btnRemoveRule")), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 2);
    grid->selectRow(0);
    MessageBox::queueAnswer(true);
    QTest::mouseClick(rules->findChild<QPushButton *>(QStringLiteral("btnRemoveRule")), Qt::LeftButton);
    messages();
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(fenban::store::groups(m_fixture.connection(), 1).value().size(), 1);
}

void HandAdjustmentsTest::moveShowsItsEffectAndIsUndoneThroughTheHistory() {
    StudentListWindow *list = openList();
    QVERIFY(list);
    auto *grid = list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    grid->setCurrentCell(0, 0); // student 1, class 1
    list->findChild<QAction *>(QStringLiteral("actMoveStudent"))->trigger();
    MoveStudentDialog *dialog = openedDialog();
    QVERIFY(dialog);
    auto *target = dialog->findChild<QComboBox *>(QStringLiteral("cbTargetClass"));
    QCOMPARE(target->count(), 1);
    QCOMPARE(target->currentText(), QStringLiteral("2班"));
    auto *preview = dialog->findChild<QTableWidget *>(QStringLiteral("sgMovePreview"));
    QCOMPARE(preview->rowCount(), 2);
    QCOMPARE(preview->item(0, 0)->text(), QStringLiteral("1班"));
    QCOMPARE(preview->item(0, 1)->text(), QStringLiteral("4 → 3"));
    QCOMPARE(preview->item(0, 2)->text(), QStringLiteral("2 → 1")); // boys
    QCOMPARE(preview->item(1, 1)->text(), QStringLiteral("4 → 5"));
    // Totals 576..603 in class 2, then with 540 joining.
    QCOMPARE(preview->item(1, 4)->text(), QStringLiteral("589.50 → 579.60"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lbMoveConflicts"))->text(),
             QStringLiteral("不违反任何规则，没有同音姓名"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnApplyMove")), Qt::LeftButton);
    QCOMPARE(messages(), QStringList());
    QCOMPARE(stored(1).classId, 2);
    QCOMPARE(stored(1).type, 2); // fixed by default

    // The history shows the move; going back to the division before it undoes it.
    trigger(QStringLiteral("actHistory"));
    auto *history = child<HistoryWindow>();
    QVERIFY(history);
    auto *snapshots = history->findChild<QTableWidget *>(QStringLiteral("sgHistory"));
    QVERIFY(snapshots->rowCount() >= 2);
    QCOMPARE(snapshots->item(0, 2)->text(), QStringLiteral("调整"));
    snapshots->selectRow(1);
    QTest::mouseClick(history->findChild<QPushButton *>(QStringLiteral("btnCompare")), Qt::LeftButton);
    auto *moved = history->findChild<QTableWidget *>(QStringLiteral("sgMoved"));
    QCOMPARE(moved->rowCount(), 1);
    QCOMPARE(moved->item(0, 0)->text(), QStringLiteral("1"));
    QCOMPARE(moved->item(0, 2)->text(), QStringLiteral("1班"));
    QCOMPARE(moved->item(0, 3)->text(), QStringLiteral("2班"));

    MessageBox::queueAnswer(true);
    QTest::mouseClick(history->findChild<QPushButton *>(QStringLiteral("btnRestore")), Qt::LeftButton);
    messages();
    QCOMPARE(stored(1).classId, 1);
    QCOMPARE(stored(1).type, 1);
    QCOMPARE(snapshots->item(0, 2)->text().left(2), QStringLiteral("恢复"));
    // The list follows.
    QCOMPARE(grid->item(0, 4)->text(), QStringLiteral("1"));
}

void HandAdjustmentsTest::moveThatBreaksARuleWarnsFirst() {
    QVERIFY(fenban::store::addGroup(m_fixture.connection(), 1, fenban::StudentGroup::Kind::Apart, {1, 5}));
    StudentListWindow *list = openList();
    auto *grid = list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    grid->setCurrentCell(0, 0);
    list->adjustCurrentStudent(2);
    MoveStudentDialog *dialog = openedDialog();
    QVERIFY(dialog);
    const QString conflicts = dialog->findChild<QLabel *>(QStringLiteral("lbMoveConflicts"))->text();
    QVERIFY2(conflicts.contains(QStringLiteral("1 张一")) && conflicts.contains(QStringLiteral("5 钱五")),
             qPrintable(conflicts));

    MessageBox::queueAnswer(false);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnApplyMove")), Qt::LeftButton);
    const QStringList asked = messages();
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked.first().contains(conflicts));
    QCOMPARE(stored(1).classId, 1);
    QVERIFY(dialog->isVisible());

    // Left unfixed when the teacher says so.
    dialog->findChild<QAbstractButton *>(QStringLiteral("cbFixMoved"))->click();
    MessageBox::queueAnswer(true);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnApplyMove")), Qt::LeftButton);
    messages();
    QCOMPARE(stored(1).classId, 2);
    QCOMPARE(stored(1).type, 1);
}

void HandAdjustmentsTest::swapAndDropOpenTheAdjustment() {
    StudentListWindow *list = openList();
    auto *grid = list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    grid->setCurrentCell(1, 0); // student 2, a girl in class 1

    // Swap by number: the two exchange classes.
    list->findChild<QAction *>(QStringLiteral("actSwapStudent"))->trigger();
    MoveStudentDialog *dialog = openedDialog();
    QVERIFY(dialog);
    auto *other = dialog->findChild<QLineEdit *>(QStringLiteral("edtSwapWith"));
    QTest::keyClicks(other, QStringLiteral("3"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lbMoveConflicts"))->text(),
             QStringLiteral("两名学生在同一个班: 3 王三"));
    other->clear();
    QTest::keyClicks(other, QStringLiteral("6"));
    QCOMPARE(dialog->findChild<QTableWidget *>(QStringLiteral("sgMovePreview"))->item(0, 1)->text(),
             QStringLiteral("4"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnApplyMove")), Qt::LeftButton);
    QCOMPARE(messages(), QStringList());
    QCOMPARE(stored(2).classId, 2);
    QCOMPARE(stored(6).classId, 1);
    QTRY_VERIFY(!openedDialog());

    // A row dropped on a class of the tree opens the move into that class.
    auto *tree = list->findChild<QTreeWidget *>(QStringLiteral("tv_class"));
    const QList<QTreeWidgetItem *> node =
        tree->findItems(QStringLiteral("2班"), Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(node.size(), 1);
    QMimeData data;
    data.setData(StudentListWindow::studentMimeType(), QByteArrayLiteral("1"));
    const QPointF at = tree->visualItemRect(node.first()).center();
    QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(tree->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(tree->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    dialog = openedDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("cbTargetClass"))->currentText(),
             QStringLiteral("2班"));
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("lbMovedStudent"))
                ->text()
                .startsWith(QStringLiteral("1 张一")));
    dialog->reject();
}

void HandAdjustmentsTest::divisionWarnsBeforeOverwritingHandAdjustments() {
    StudentListWindow *list = openList();
    list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"))->setCurrentCell(0, 0);
    list->adjustCurrentStudent(2);
    QTest::mouseClick(openedDialog()->findChild<QPushButton *>(QStringLiteral("btnApplyMove")),
                      Qt::LeftButton);
    QCOMPARE(messages(), QStringList());

    QTest::mouseClick(m_fixture.window()->findChild<QWidget *>(QStringLiteral("ToolButton2")),
                      Qt::LeftButton);
    auto *result = child<fenban::gui::DivisionWindow>();
    QVERIFY(result);
    MessageBox::queueAnswer(false);
    QTest::mouseClick(result->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    const QStringList asked = messages();
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().startsWith(QStringLiteral("目前的分班有手工调整")), qPrintable(asked.first()));
    QVERIFY(!result->isRunning());
    QCOMPARE(stored(1).classId, 2);
}

QTEST_MAIN(HandAdjustmentsTest)
#include "hand_adjustments_test.moc"
