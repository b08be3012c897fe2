#include "gui/copy_from_project_dialog.h"
#include "store/projects.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

using fenban::gui::CopyFromProjectDialog;
using fenban::store::StudentRecord;

namespace {

StudentRecord student(int id, int classId) {
    StudentRecord record;
    record.studentId = id;
    record.name = QStringLiteral("学生%1").arg(id);
    record.sex = QStringLiteral("女");
    record.classId = classId;
    record.type = 1;
    for (auto &score : record.scores)
        score = 70;
    return record;
}

} // namespace

class CopyFromProjectDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_fixture.close(); }
    void copiesFromTheChosenProject();

private:
    CopyFromProjectDialog *openDialog();
    void choose(CopyFromProjectDialog *dialog, int row);
    QStringList targetRows();

    fenban::testing::WindowFixture m_fixture;
};

void CopyFromProjectDialogTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    fenban::store::ProjectStore projects(m_fixture.connection());
    QVERIFY(projects.create({QStringLiteral("去年"), 2}));
    const auto current = projects.create({QStringLiteral("今年"), 2});
    QVERIFY(current);
    fenban::store::StudentStore students(m_fixture.connection());
    QCOMPARE(students.replaceAll(1, {student(1, 1), student(2, 2)}).kind,
             fenban::store::ReplaceOutcome::Written);
    QCOMPARE(students.replaceAll(2, {student(2, 0)}).kind, fenban::store::ReplaceOutcome::Written);
    m_fixture.window()->setCurrentProject(current.value());
}

CopyFromProjectDialog *CopyFromProjectDialogTest::openDialog() {
    QTest::mouseClick(m_fixture.window()->findChild<QWidget *>(QStringLiteral("ToolButton11")),
                      Qt::LeftButton);
    return m_fixture.window()->findChild<CopyFromProjectDialog *>();
}

void CopyFromProjectDialogTest::choose(CopyFromProjectDialog *dialog, int row) {
    auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lv_info"));
    list->setCurrentItem(list->topLevelItem(row));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
}

QStringList CopyFromProjectDialogTest::targetRows() {
    QSqlQuery query(m_fixture.connection());
    query.exec(QStringLiteral("SELECT student_id, class_id, type FROM qx_2 ORDER BY student_id"));
    QStringList rows;
    while (query.next())
        rows.append(query.value(0).toString() + QLatin1Char('|') + query.value(1).toString() +
                    QLatin1Char('|') + query.value(2).toString());
    return rows;
}

void CopyFromProjectDialogTest::copiesFromTheChosenProject() {
    CopyFromProjectDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("导入分班数据"));
    QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("rbInsert"))->isChecked());

    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    choose(dialog, 1);
    choose(dialog, 0);
    QCOMPARE(fenban::testing::shownMessages(),
             (QStringList{QStringLiteral("请选择分班项!"), QStringLiteral("不能导入当前分班项目本身"),
                          QStringLiteral("导入数据出错!数据可能已经存在，请采用覆盖方式导入")}));
    QCOMPARE(targetRows(), QStringList{QStringLiteral("2|0|1")});
    QVERIFY(dialog->isVisible());

    dialog->findChild<QRadioButton *>(QStringLiteral("rbOver"))->setChecked(true);
    choose(dialog, 0);
    QCOMPARE(fenban::testing::shownMessages(), QStringList{QStringLiteral("导入数据成功")});
    QTRY_VERIFY(!m_fixture.window()->findChild<CopyFromProjectDialog *>());
    QCOMPARE(targetRows(), (QStringList{QStringLiteral("1|1|2"), QStringLiteral("2|2|2")}));
}

QTEST_MAIN(CopyFromProjectDialogTest)
#include "copy_from_project_dialog_test.moc"
