#include "gui/main_window.h"
#include "gui/student_list_window.h"
#include "reports/student_search.h"
#include "store/projects.h"
#include "store/student_edits.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using fenban::gui::MessageBox;
using fenban::gui::StudentListWindow;
using fenban::store::StudentRecord;

namespace {

enum Column { Id, Name = 2, Math = 5 };

StudentRecord student(int id, const QString &name, const QString &sex, int classId, double math) {
    StudentRecord record;
    record.studentId = id;
    record.name = name;
    record.sex = sex;
    record.classId = classId;
    for (auto &score : record.scores)
        score = 60;
    record.scores[0] = math;
    record.pingyin = QStringLiteral("OLD");
    return record;
}

} // namespace

class StudentListWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void classTreeListsTheClassANodeNames();
    void searchUsesEveryConditionAndRefusesNonNumbers();
    void editsArePostedValidatedAndDeletedOnConfirmation();
    void insertedStudentIsWritten();
    void insertStartsInTheChosenClass();
    void countFollowsTheRowsFound();
    void classColumnIsVisibleAtTheDefaultSize();
    void longTextsAreShownWhole();

private:
    StudentListWindow *openList();
    void click(const QString &name);
    void clickNode(const QString &caption);
    QStringList gridColumn(int column) const;
    StudentRecord storedStudent(int id) const;

    fenban::testing::WindowFixture m_fixture;
    StudentListWindow *m_list = nullptr;
};

void StudentListWindowTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const auto project =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高一"), 2});
    QVERIFY(project);
    const QList<StudentRecord> students{
        student(5, QStringLiteral("张明"), QStringLiteral("男"), 2, 95),
        student(3, QStringLiteral("李明"), QStringLiteral("女"), 1, 88),
        student(4, QStringLiteral("王明华"), QStringLiteral("女"), 2, 100),
        student(2, QStringLiteral("O'Brien"), QStringLiteral("女"), 0, 70),
        student(1, QStringLiteral("赵伟"), QStringLiteral("男"), 0, 90),
    };
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, students).kind,
             fenban::store::ReplaceOutcome::Written);
    m_fixture.window()->setCurrentProject(project.value());
    m_list = openList();
    QVERIFY(m_list);
}

void StudentListWindowTest::cleanup() {
    fenban::testing::shownMessages();
    m_fixture.close();
}

StudentListWindow *StudentListWindowTest::openList() {
    auto *button = m_fixture.window()->findChild<QAbstractButton *>(QStringLiteral("ToolButton8"));
    if (!button)
        return nullptr;
    QTest::mouseClick(button, Qt::LeftButton);
    return m_fixture.window()->findChild<StudentListWindow *>(QStringLiteral("frm_list"));
}

void StudentListWindowTest::click(const QString &name) {
    auto *button = m_list->findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QVERIFY2(button->isEnabled(), qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

void StudentListWindowTest::clickNode(const QString &caption) {
    auto *tree = m_list->findChild<QTreeWidget *>(QStringLiteral("tv_class"));
    const QList<QTreeWidgetItem *> found = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(found.first()).topLeft() + QPoint(8, 8));
    QCOMPARE(tree->currentItem(), found.first());
}

QStringList StudentListWindowTest::gridColumn(int column) const {
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row)
        texts.append(grid->item(row, column)->text());
    return texts;
}

StudentRecord StudentListWindowTest::storedStudent(int id) const {
    const auto all = fenban::reports::allStudents(m_fixture.connection(), 1);
    for (const StudentRecord &record : all.value()) {
        if (record.studentId == id)
            return record;
    }
    return {};
}

void StudentListWindowTest::classTreeListsTheClassANodeNames() {
    QCOMPARE(m_list->windowTitle(), QStringLiteral("学生名单"));
    auto *tree = m_list->findChild<QTreeWidget *>(QStringLiteral("tv_class"));
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("所有班级"));
    QStringList classes;
    for (int i = 0; i < root->childCount(); ++i)
        classes.append(root->child(i)->text(0));
    QCOMPARE(classes, (QStringList{QStringLiteral("0班"), QStringLiteral("1班"), QStringLiteral("2班")}));

    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    QCOMPARE(grid->columnCount(), 17);
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("学生姓名"));
    QCOMPARE(gridColumn(Id), QStringLiteral("1 2 3 4 5").split(QLatin1Char(' ')));

    const struct {
        QString node;
        QString ids;
    } cases[] = {
        {QStringLiteral("0班"), QStringLiteral("1 2")},
        {QStringLiteral("2班"), QStringLiteral("4 5")},
        {QStringLiteral("所有班级"), QStringLiteral("1 2 3 4 5")},
    };
    for (const auto &c : cases) {
        clickNode(c.node);
        QCOMPARE(gridColumn(Id), c.ids.split(QLatin1Char(' ')));
    }
    QVERIFY(fenban::testing::shownMessages().isEmpty());
}

void StudentListWindowTest::searchUsesEveryConditionAndRefusesNonNumbers() {
    const auto edit = [this](const char *name) {
        return m_list->findChild<QLineEdit *>(QString::fromLatin1(name));
    };
    auto *name = edit("ed_name");
    name->setText(QStringLiteral("明"));
    m_list->findChild<QComboBox *>(QStringLiteral("cbSex"))->setCurrentIndex(2);
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Return);
    QCOMPARE(gridColumn(Id), QStringLiteral("3 4").split(QLatin1Char(' ')));

    // The box ticked with 2班 chosen keeps to class 2; a quote in a name part is only a character.
    clickNode(QStringLiteral("2班"));
    m_list->findChild<QCheckBox *>(QStringLiteral("cbClass"))->setChecked(true);
    click(QStringLiteral("BitBtn1"));
    QCOMPARE(gridColumn(Id), QStringList{QStringLiteral("4")});
    m_list->findChild<QCheckBox *>(QStringLiteral("cbClass"))->setChecked(false);
    name->setText(QStringLiteral("O'B"));
    click(QStringLiteral("BitBtn1"));
    QCOMPARE(gridColumn(Id), QStringList{QStringLiteral("2")});

    name->clear();
    m_list->findChild<QComboBox *>(QStringLiteral("cbSex"))->setCurrentIndex(0);
    edit("edMath1")->setText(QStringLiteral("90"));
    edit("edMath2")->setText(QStringLiteral("100"));
    edit("edYw1")->setText(QStringLiteral("80")); // without its upper bound: no condition
    click(QStringLiteral("BitBtn1"));
    QCOMPARE(gridColumn(Id), QStringLiteral("1 4 5").split(QLatin1Char(' ')));

    edit("edMath2")->setText(QStringLiteral("1OO"));
    click(QStringLiteral("BitBtn1"));
    const QStringList shown = fenban::testing::shownMessages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QStringLiteral("请输入数字")), qPrintable(shown.first()));
    QCOMPARE(gridColumn(Id), QStringLiteral("1 4 5").split(QLatin1Char(' ')));
}

void StudentListWindowTest::editsArePostedValidatedAndDeletedOnConfirmation() {
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    grid->setCurrentCell(0, Name);
    grid->item(0, Name)->setText(QStringLiteral("张三"));
    click(QStringLiteral("nbPost"));
    QVERIFY(fenban::testing::shownMessages().isEmpty());
    QCOMPARE(storedStudent(1).name, QStringLiteral("张三"));
    QCOMPARE(storedStudent(1).pingyin, QStringLiteral("ZHANG SAN"));

    // A refused edit stays in the grid as typed, and the cursor cannot leave the row.
    grid->item(1, Math)->setText(QStringLiteral("abc"));
    click(QStringLiteral("nbPost"));
    QStringList shown = fenban::testing::shownMessages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(QStringLiteral("“数学”列的值“abc”")), qPrintable(shown.first()));
    QCOMPARE(grid->item(1, Math)->text(), QStringLiteral("abc"));
    QCOMPARE(storedStudent(2).scores[0], 70.0);
    click(QStringLiteral("nbNext"));
    QCOMPARE(fenban::testing::shownMessages().size(), 1);
    QCOMPARE(grid->currentRow(), 1);
    grid->item(1, Math)->setText(QStringLiteral("71.5"));
    click(QStringLiteral("nbNext"));
    QCOMPARE(grid->currentRow(), 2);
    QCOMPARE(storedStudent(2).scores[0], 71.5);

    grid->item(2, Math)->setText(QStringLiteral("1"));
    click(QStringLiteral("nbCancel"));
    QCOMPARE(grid->item(2, Math)->text(), QStringLiteral("88"));

    MessageBox::queueAnswer(false);
    click(QStringLiteral("nbDelete"));
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(storedStudent(3).studentId, 3);
    MessageBox::queueAnswer(true);
    click(QStringLiteral("nbDelete"));
    shown = fenban::testing::shownMessages();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.first().contains(QStringLiteral("3")));
    QCOMPARE(gridColumn(Id), QStringLiteral("1 2 4 5").split(QLatin1Char(' ')));
    QCOMPARE(storedStudent(3).studentId, 0);
}

void StudentListWindowTest::insertedStudentIsWritten() {
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    click(QStringLiteral("nbInsert"));
    QCOMPARE(grid->rowCount(), 6);
    const int row = grid->currentRow();
    const QStringList cells =
        QStringLiteral("9||刘洋|女|1|80|80|80|80|80|80|80|80|80|0|一中|").split(QLatin1Char('|'));
    for (int column = 0; column < cells.size(); ++column)
        grid->item(row, column)->setText(cells[column]);
    click(QStringLiteral("nbPost"));
    QVERIFY(fenban::testing::shownMessages().isEmpty());
    const StudentRecord stored = storedStudent(9);
    QCOMPARE(stored.name, QStringLiteral("刘洋"));
    QCOMPARE(stored.classId, 1);
    QCOMPARE(stored.pingyin, QStringLiteral("LIU YANG"));

    // A number that is taken is refused; the new row stays until it is cancelled.
    click(QStringLiteral("nbInsert"));
    const int second = grid->currentRow();
    for (int column = 0; column < cells.size(); ++column)
        grid->item(second, column)->setText(cells[column]);
    click(QStringLiteral("nbPost"));
    QVERIFY(fenban::testing::shownMessages().first().contains(QStringLiteral("学号9已有学生")));
    QCOMPARE(grid->rowCount(), 7);
    click(QStringLiteral("nbCancel"));
    QCOMPARE(grid->rowCount(), 6);
}

void StudentListWindowTest::insertStartsInTheChosenClass() {
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    clickNode(QStringLiteral("2班"));
    QCOMPARE(grid->rowCount(), 2);
    click(QStringLiteral("nbInsert"));
    const int row = grid->currentRow();
    QCOMPARE(grid->item(row, 4)->text(), QStringLiteral("2"));
    // Everything but the class typed in; the class stays as the row started.
    const QStringList cells =
        QStringLiteral("9||刘洋|女||80|80|80|80|80|80|80|80|80|0|一中|").split(QLatin1Char('|'));
    for (int column = 0; column < cells.size(); ++column) {
        if (column != 4)
            grid->item(row, column)->setText(cells[column]);
    }
    click(QStringLiteral("nbPost"));
    QVERIFY(fenban::testing::shownMessages().isEmpty());
    QCOMPARE(storedStudent(9).classId, 2);

    // With every class shown there is none to start in.
    clickNode(QStringLiteral("所有班级"));
    click(QStringLiteral("nbInsert"));
    QCOMPARE(grid->item(grid->currentRow(), 4)->text(), QStringLiteral("0"));
    click(QStringLiteral("nbCancel"));
}

void StudentListWindowTest::countFollowsTheRowsFound() {
    auto *count = m_list->findChild<QLabel *>(QStringLiteral("lb_count"));
    QVERIFY(count);
    QCOMPARE(count->text(), QStringLiteral("共5条"));
    clickNode(QStringLiteral("1班"));
    QCOMPARE(count->text(), QStringLiteral("共1条"));
    click(QStringLiteral("nbInsert"));
    QCOMPARE(count->text(), QStringLiteral("共2条"));
    click(QStringLiteral("nbCancel"));
    QCOMPARE(count->text(), QStringLiteral("共1条"));
    clickNode(QStringLiteral("所有班级"));
    m_list->findChild<QLineEdit *>(QStringLiteral("ed_name"))->setText(QStringLiteral("明"));
    click(QStringLiteral("BitBtn1"));
    QCOMPARE(count->text(), QStringLiteral("共3条"));
    m_list->findChild<QLineEdit *>(QStringLiteral("ed_name"))->setText(QStringLiteral("无此人"));
    click(QStringLiteral("BitBtn1"));
    QCOMPARE(count->text(), QStringLiteral("共0条"));
}

void StudentListWindowTest::classColumnIsVisibleAtTheDefaultSize() {
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    QVERIFY(grid);
    QVERIFY(QTest::qWaitForWindowExposed(grid->window()));
    const int classColumn = 4;
    QCOMPARE(grid->horizontalHeaderItem(classColumn)->text(), QStringLiteral("班级"));
    const QHeaderView *header = grid->horizontalHeader();
    QVERIFY(header->sectionViewportPosition(classColumn) >= 0);
    QVERIFY(header->sectionViewportPosition(classColumn) + header->sectionSize(classColumn) <=
            grid->viewport()->width());
}

void StudentListWindowTest::longTextsAreShownWhole() {
    StudentRecord far = student(6, QStringLiteral("钱多多"), QStringLiteral("女"), 1, 80);
    far.oralSchool = QStringLiteral("北京师范大学附属实验中学初中部");
    QVERIFY(fenban::store::insertStudent(m_fixture.connection(), 1, far));
    click(QStringLiteral("nbRefresh"));
    auto *grid = m_list->findChild<QTableWidget *>(QStringLiteral("DBGrid1"));
    QVERIFY(grid);
    int schoolColumn = -1;
    for (int column = 0; column < grid->columnCount(); ++column)
        if (grid->horizontalHeaderItem(column)->text() == QStringLiteral("毕业学校"))
            schoolColumn = column;
    QVERIFY(schoolColumn >= 0);
    QVERIFY(grid->columnWidth(schoolColumn) >= grid->fontMetrics().horizontalAdvance(far.oralSchool));
    // The class column, in front of it, stays in sight.
    const QHeaderView *header = grid->horizontalHeader();
    QVERIFY(header->sectionViewportPosition(4) + header->sectionSize(4) <= grid->viewport()->width());
}

QTEST_MAIN(StudentListWindowTest)
#include "student_list_window_test.moc"
