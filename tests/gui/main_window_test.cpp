#include "gui/main_window.h"
#include "gui/new_project_dialog.h"
#include "gui/open_project_dialog.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

using fenban::gui::MainWindow;
using fenban::gui::MessageBox;
using fenban::gui::NewProjectDialog;
using fenban::gui::OpenProjectDialog;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void projectCommandsNeedAProject();
    void newProjectBecomesCurrent();
    void newProjectDialogRefusesBadInput_data();
    void newProjectDialogRefusesBadInput();
    void classCountTakesOnlyDigits_data();
    void classCountTakesOnlyDigits();
    void openSwitchesTheCurrentProject();
    void openAndDeleteNeedASelection();
    void projectListIsReadOnly();
    void deleteAsksAndClearsTheCurrentProject();
    void childWindowsFollowTheProject();
    void statusCountFollowsTheProject();
    void windowPlacesAreRemembered();

private:
    void click(const QString &buttonName);
    QStringList messages();
    NewProjectDialog *createProject(const QString &memo, const QString &classes);
    OpenProjectDialog *openChooser();
    void selectRow(OpenProjectDialog *chooser, int row);
    // The current project as the windows see it; empty texts while none is chosen.
    QString tableName() const;
    QString rbTableName() const;
    QString projectId() const;

    fenban::testing::WindowFixture m_fixture;
    MainWindow *m_window = nullptr;
};

void MainWindowTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    m_window = m_fixture.window();
}

void MainWindowTest::cleanup() {
    m_fixture.close();
}

void MainWindowTest::click(const QString &buttonName) {
    auto *button = m_window->findChild<QAbstractButton *>(buttonName);
    QVERIFY2(button, qPrintable(buttonName));
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList MainWindowTest::messages() {
    return fenban::testing::shownMessages();
}

NewProjectDialog *MainWindowTest::createProject(const QString &memo, const QString &classes) {
    click(QStringLiteral("ToolButton6"));
    auto *dialog = m_window->findChild<NewProjectDialog *>();
    if (!dialog)
        return nullptr;
    dialog->findChild<QLineEdit *>(QStringLiteral("DBEdit1"))->setText(memo);
    auto *classCount = dialog->findChild<QSpinBox *>(QStringLiteral("DBEdit2"));
    if (!classCount)
        return nullptr;
    classCount->clear();
    QTest::keyClicks(classCount, classes);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    return dialog;
}

OpenProjectDialog *MainWindowTest::openChooser() {
    click(QStringLiteral("ToolButton7"));
    return m_window->findChild<OpenProjectDialog *>();
}

void MainWindowTest::selectRow(OpenProjectDialog *chooser, int row) {
    auto *list = chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    list->setCurrentItem(list->topLevelItem(row));
}

QString MainWindowTest::tableName() const {
    const auto &project = m_window->context().project();
    return project ? project->studentTable() : QString();
}

QString MainWindowTest::rbTableName() const {
    const auto &project = m_window->context().project();
    return project ? project->workTable() : QString();
}

QString MainWindowTest::projectId() const {
    const auto &project = m_window->context().project();
    return project ? QString::number(project->id) : QString();
}

void MainWindowTest::projectCommandsNeedAProject() {
    const QStringList guarded{QStringLiteral("ToolButton3"), QStringLiteral("ToolButton11"),
                              QStringLiteral("ToolButton1"), QStringLiteral("ToolButton2"),
                              QStringLiteral("ToolButton5"), QStringLiteral("ToolButton8"),
                              QStringLiteral("ToolButton9")};
    for (const QString &name : guarded) {
        click(name);
        QCOMPARE(messages(), QStringList{QStringLiteral("请选择你要操作的分班项")});
    }
    QVERIFY(m_window->mdiArea()->subWindowList().isEmpty());
    QVERIFY(m_window->findChildren<QDialog *>().isEmpty());

    const QStringList buttons{
        QStringLiteral("ToolButton6 1.新建"),      QStringLiteral("ToolButton7 2.打开"),
        QStringLiteral("ToolButton3 3.1数据导入"), QStringLiteral("ToolButton11 3.2内部数据"),
        QStringLiteral("ToolButton1 4.分班设置"),  QStringLiteral("ToolButton2 5.开始"),
        QStringLiteral("ToolButton5 6.班级信息"),  QStringLiteral("ToolButton8 7.学生名单"),
        QStringLiteral("ToolButton9 8.数据导出"),  QStringLiteral("ToolButton4 退出")};
    auto *toolBar = m_window->findChild<QToolBar *>(QStringLiteral("ToolBar1"));
    QStringList shown;
    for (QAction *action : toolBar->actions())
        shown.append(toolBar->widgetForAction(action)->objectName() + QLatin1Char(' ') + action->text());
    QCOMPARE(shown, buttons);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("新生分班"));
}

void MainWindowTest::newProjectBecomesCurrent() {
    NewProjectDialog *dialog = createProject(QStringLiteral("2026级高一"), QStringLiteral("6"));
    QVERIFY(dialog);
    QCOMPARE(messages(), QStringList{QStringLiteral("新建分班操作成功!")});
    QTRY_VERIFY(!m_window->findChild<NewProjectDialog *>());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("2026级高一"));
    QCOMPARE(tableName(), QStringLiteral("qx_1"));
    QCOMPARE(rbTableName(), QStringLiteral("rb_qx_1"));
    QCOMPARE(projectId(), QStringLiteral("1"));

    // The guard lets project commands through at once.
    click(QStringLiteral("ToolButton1"));
    QVERIFY(!messages().contains(QStringLiteral("请选择你要操作的分班项")));
}

void MainWindowTest::newProjectDialogRefusesBadInput_data() {
    QTest::addColumn<QString>("memo");
    QTest::addColumn<QString>("classes");
    QTest::addColumn<QString>("message");
    QTest::newRow("no description") << QString() << QStringLiteral("6") << QStringLiteral("请输入分班描述");
    QTest::newRow("zero classes") << QStringLiteral("高一") << QStringLiteral("0")
                                  << QStringLiteral("班级数必须是大于0的整数");
    QTest::newRow("no class count") << QStringLiteral("高一") << QString()
                                    << QStringLiteral("班级数必须是大于0的整数");
    QTest::newRow("line break in description") << QStringLiteral("高一\n1\t2") << QStringLiteral("6")
                                               << QStringLiteral("分班描述不能含有控制字符(第3个字符)");
    QTest::newRow("escape in description") << QStringLiteral("\x1b[2J高一") << QStringLiteral("6")
                                           << QStringLiteral("分班描述不能含有控制字符(第1个字符)");
}

void MainWindowTest::newProjectDialogRefusesBadInput() {
    QFETCH(QString, memo);
    QFETCH(QString, classes);
    QFETCH(QString, message);
    NewProjectDialog *dialog = createProject(memo, classes);
    QVERIFY(dialog);
    QCOMPARE(messages(), QStringList{message});
    QTest::qWait(0);
    QVERIFY(dialog->isVisible());
    QVERIFY(tableName().isEmpty());

    // Cancelling after a refusal leaves no project behind.
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<NewProjectDialog *>());
    OpenProjectDialog *chooser = openChooser();
    QVERIFY(chooser);
    QCOMPARE(chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"))->topLevelItemCount(), 0);
}

void MainWindowTest::classCountTakesOnlyDigits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits") << QStringLiteral("12") << QStringLiteral("12");
    QTest::newRow("point") << QStringLiteral("1.5") << QStringLiteral("15");
    QTest::newRow("sign and letters") << QStringLiteral("-a8b") << QStringLiteral("8");
    QTest::newRow("letters only") << QStringLiteral("abc") << QString();
    QTest::newRow("above the limit") << QStringLiteral("1001") << QStringLiteral("100");
    QTest::newRow("limit") << QStringLiteral("1000") << QStringLiteral("1000");
}

void MainWindowTest::classCountTakesOnlyDigits() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    click(QStringLiteral("ToolButton6"));
    auto *dialog = m_window->findChild<NewProjectDialog *>();
    QVERIFY(dialog);
    auto *classCount = dialog->findChild<QSpinBox *>(QStringLiteral("DBEdit2"));
    QVERIFY(classCount);
    QCOMPARE(classCount->minimum(), 1);
    QCOMPARE(classCount->maximum(), 1000);
    QCOMPARE(classCount->cleanText(), QString());
    QTest::keyClicks(classCount, typed);
    QCOMPARE(classCount->cleanText(), shown);
}

void MainWindowTest::projectListIsReadOnly() {
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    messages();
    OpenProjectDialog *chooser = openChooser();
    QVERIFY(chooser);
    auto *list = chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    QVERIFY(list);
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QTreeWidgetItem *item = list->topLevelItem(0);
    QVERIFY(!(item->flags() & Qt::ItemIsEditable));
    // A click on the id cell, then the edit key, must not open an editor on it.
    const QRect idCell = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      idCell.topLeft() + QPoint(20, idCell.height() / 2));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(!list->viewport()->findChild<QLineEdit *>());
    QCOMPARE(item->text(0), QString::number(1));
}

void MainWindowTest::openSwitchesTheCurrentProject() {
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    QVERIFY(createProject(QStringLiteral("乙年级"), QStringLiteral("8")));
    messages();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("乙年级"));

    OpenProjectDialog *chooser = openChooser();
    QVERIFY(chooser);
    auto *list = chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("甲年级"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("4"));
    QVERIFY(!list->topLevelItem(0)->text(3).isEmpty());
    selectRow(chooser, 0);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("甲年级"));
    QCOMPARE(tableName(), QStringLiteral("qx_1"));
    QTRY_VERIFY(!m_window->findChild<OpenProjectDialog *>());

    // A double-click opens the row under the mouse.
    chooser = openChooser();
    list = chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    const QRect second = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("乙年级"));
    QCOMPARE(projectId(), QStringLiteral("2"));
    QCOMPARE(rbTableName(), QStringLiteral("rb_qx_2"));
}

void MainWindowTest::openAndDeleteNeedASelection() {
    OpenProjectDialog *chooser = openChooser();
    QVERIFY(chooser);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    QCOMPARE(messages(), (QStringList{QStringLiteral("请选择分班项!"), QStringLiteral("请选择分班项!")}));
    QVERIFY(chooser->isVisible());
}

void MainWindowTest::deleteAsksAndClearsTheCurrentProject() {
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    QVERIFY(createProject(QStringLiteral("乙年级"), QStringLiteral("8")));
    messages();
    OpenProjectDialog *chooser = openChooser();
    auto *list = chooser->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    auto *deleteButton = chooser->findChild<QPushButton *>(QStringLiteral("BitBtn1"));
    const QString question = QStringLiteral("确定要删除该分班项目吗？删除后不能恢复。");

    // Cancel keeps everything.
    selectRow(chooser, 1);
    MessageBox::queueAnswer(false);
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QCOMPARE(messages(), QStringList{question});
    QCOMPARE(list->topLevelItemCount(), 2);

    // Deleting another project keeps the current one.
    selectRow(chooser, 0);
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QCOMPARE(messages(), QStringList{question});
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("乙年级"));

    // Deleting the current project leaves the program with none.
    selectRow(chooser, 0);
    QTest::mouseClick(deleteButton, Qt::LeftButton);
    QCOMPARE(messages(), QStringList{question});
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(chooser->isVisible());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("新生分班"));
    QVERIFY(tableName().isEmpty());
    QVERIFY(rbTableName().isEmpty());
    QVERIFY(projectId().isEmpty());
    QSqlQuery tables(m_fixture.connection());
    QVERIFY(tables.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name GLOB '*qx_[0-9]*'")));
    QVERIFY(tables.next());
    QCOMPARE(tables.value(0).toInt(), 0);

    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button2")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<OpenProjectDialog *>());
    click(QStringLiteral("ToolButton2"));
    QCOMPARE(messages(), QStringList{QStringLiteral("请选择你要操作的分班项")});
}

void MainWindowTest::childWindowsFollowTheProject() {
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    QVERIFY(createProject(QStringLiteral("乙年级"), QStringLiteral("8")));
    messages();
    QMdiArea *area = m_window->mdiArea();
    for (const QString &button :
         {QStringLiteral("ToolButton1"), QStringLiteral("ToolButton8"), QStringLiteral("ToolButton5")})
        click(button);
    QStringList titles;
    for (const QMdiSubWindow *frame : area->subWindowList())
        titles.append(frame->windowTitle());
    QCOMPARE(titles, (QStringList{QStringLiteral("分班设置 - 乙年级"), QStringLiteral("学生名单 - 乙年级"),
                                  QStringLiteral("班级信息 - 乙年级")}));

    // 窗口 lists them after its own command, once however often it opens, and brings the chosen one up.
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("menuWindow"));
    QVERIFY(menu);
    QStringList listed;
    for (int shown = 0; shown < 2; ++shown) {
        menu->popup(m_window->mapToGlobal(QPoint(0, 0)));
        listed.clear();
        for (const QAction *action : menu->actions())
            if (!action->isSeparator())
                listed.append(action->text());
        menu->hide();
    }
    QCOMPARE(listed, QStringList{QStringLiteral("显示台")} + titles);
    menu->actions().at(2)->trigger();
    QCOMPARE(area->activeSubWindow(), area->subWindowList().first());

    // Choosing the project that is already current keeps them.
    OpenProjectDialog *chooser = openChooser();
    selectRow(chooser, 1);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(area->subWindowList().size(), 3);

    // Another project closes them.
    chooser = openChooser();
    selectRow(chooser, 0);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("甲年级"));
    QVERIFY(area->subWindowList().isEmpty());
    click(QStringLiteral("ToolButton5"));
    QCOMPARE(area->subWindowList().first()->windowTitle(), QStringLiteral("班级信息 - 甲年级"));

    // Deleting another project keeps them; deleting the current one closes them.
    chooser = openChooser();
    selectRow(chooser, 1);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    QCOMPARE(area->subWindowList().size(), 1);
    selectRow(chooser, 0);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    QCOMPARE(messages().size(), 2);
    QVERIFY(area->subWindowList().isEmpty());
}

void MainWindowTest::statusCountFollowsTheProject() {
    const auto statusText = [this] {
        return m_window->statusBar()->findChildren<QLabel *>().first()->text();
    };
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    messages();
    fenban::store::StudentRecord first;
    first.studentId = 1;
    first.name = QStringLiteral("张三");
    fenban::store::StudentRecord second = first;
    second.studentId = 2;
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, {first, second}).kind,
             fenban::store::ReplaceOutcome::Written);
    QVERIFY(createProject(QStringLiteral("乙年级"), QStringLiteral("8")));
    messages();
    QCOMPARE(statusText(), QStringLiteral("已导入的总记录数:0条"));

    OpenProjectDialog *chooser = openChooser();
    QVERIFY(chooser);
    selectRow(chooser, 0);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(statusText(), QStringLiteral("已导入的总记录数:2条"));

    // Deleting the current project leaves nothing to count.
    chooser = openChooser();
    QVERIFY(chooser);
    selectRow(chooser, 0);
    QTest::mouseClick(chooser->findChild<QPushButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
    messages();
    QVERIFY(tableName().isEmpty());
    QCOMPARE(statusText(), QString());
}

namespace {

void closeFrame(QMdiArea *area) {
    QPointer<QMdiSubWindow> frame = area->subWindowList().first();
    frame->close();
    QTRY_VERIFY(frame.isNull());
}

} // namespace

void MainWindowTest::windowPlacesAreRemembered() {
    QVERIFY(createProject(QStringLiteral("甲年级"), QStringLiteral("4")));
    messages();
    QMdiArea *area = m_window->mdiArea();
    click(QStringLiteral("ToolButton8"));
    QCOMPARE(area->subWindowList().size(), 1);
    const QRect placed(30, 20, 420, 320);
    area->subWindowList().first()->setGeometry(placed);
    closeFrame(area);
    click(QStringLiteral("ToolButton8"));
    QCOMPARE(area->subWindowList().first()->geometry(), placed);

    // A place beyond a smaller area comes back inside it.
    area->subWindowList().first()->setGeometry(QRect(area->width() - 50, 10, 640, 420));
    closeFrame(area);
    click(QStringLiteral("ToolButton8"));
    const QRect back = area->subWindowList().first()->geometry();
    QVERIFY2(back.left() <= std::max(0, area->viewport()->width() - back.width()),
             qPrintable(QString::number(back.left())));

    // The main window's size outlives it.
    m_window->resize(700, 500);
    QVERIFY(m_window->close());
    MainWindow again(m_fixture.connection());
    QVERIFY(fenban::gui::restoreMainWindowGeometry(&again));
    QCOMPARE(again.size(), QSize(700, 500));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
