#include "exchange/sheets/xlsx_cells.h"
#include "exchange/sheets/zip_package.h"
#include "gui/main_window.h"
#include "gui/roster_dialog.h"
#include "store/projects.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using fenban::gui::RosterDialog;
using fenban::reports::Roster;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

// Two classes of two and one student in no class.
QList<StudentRecord> cohort() {
    QList<StudentRecord> students;
    const int classes[] = {1, 2, 1, 0, 2};
    for (int id = 1; id <= 5; ++id) {
        StudentRecord record;
        record.studentId = 2000 + id;
        record.name = u"学生%1"_s.arg(id);
        record.pingyin = u"XUE SHENG %1"_s.arg(6 - id);
        record.sex = id % 2 ? u"男"_s : u"女"_s;
        record.classId = classes[id - 1];
        students.append(record);
    }
    return students;
}

fenban::exchange::SheetData workbookSheet(const QString &file, int number) {
    QFile workbook(file);
    if (!workbook.open(QIODevice::ReadOnly))
        return {};
    const auto package = fenban::exchange::ZipPackage::open(workbook.readAll());
    if (!package)
        return {};
    const auto strings =
        fenban::exchange::xlsx::parseSharedStrings(package->read(u"xl/sharedStrings.xml"_s).data);
    if (!strings)
        return {};
    const auto sheet = fenban::exchange::xlsx::parseWorksheet(
        package->read(u"xl/worksheets/sheet%1.xml"_s.arg(number)).data, *strings);
    return sheet ? *sheet : fenban::exchange::SheetData();
}

QAction *action(QWidget *window, const QString &name) {
    return window->findChild<QAction *>(name);
}

} // namespace

class RosterWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void menuSitsBesideTheOthers();
    void exportWritesASheetPerClass();
    void dialogChoicesReachTheRoster();
    void printingChosenColumnsReachesThePreview();

private:
    fenban::testing::WindowFixture m_fixture;
};

void RosterWindowTest::init() {
    QCOMPARE(m_fixture.open(), QString());
    const auto project = fenban::store::ProjectStore(m_fixture.connection()).create({u"2026级高一新生"_s, 2});
    QVERIFY(project);
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, cohort()).kind,
             fenban::store::ReplaceOutcome::Written);
    m_fixture.window()->setCurrentProject(project.value());
}

void RosterWindowTest::cleanup() {
    fenban::gui::setRosterPreview({});
    m_fixture.close();
}

void RosterWindowTest::menuSitsBesideTheOthers() {
    QStringList menus;
    for (const QAction *menu : m_fixture.window()->menuBar()->actions())
        menus.append(menu->menu() ? menu->menu()->objectName() : QString());
    QVERIFY2(menus.contains(u"menuRoster"_s), qPrintable(menus.join(u',')));
    QCOMPARE(action(m_fixture.window(), u"actPrintRoster"_s)->text(), u"打印分班名单"_s);
    QCOMPARE(action(m_fixture.window(), u"actExportRoster"_s)->text(), u"导出分班名单"_s);
}

void RosterWindowTest::exportWritesASheetPerClass() {
    const QString path = m_fixture.filePath(u"分班名单.xlsx"_s);
    fenban::gui::FileDialog::queueFileName(path);
    action(m_fixture.window(), u"actExportRoster"_s)->trigger();
    QCOMPARE(fenban::testing::shownMessages(),
             QStringList{u"已导出到文件："_s + QDir::toNativeSeparators(path)});
    // 汇总, 1班, 2班, 未分班: the students of each class under the default header.
    const struct {
        int sheet;
        QStringList numbers;
    } expected[] = {{2, {u"2001"_s, u"2003"_s}}, {3, {u"2002"_s, u"2005"_s}}, {4, {u"2004"_s}}};
    for (const auto &each : expected) {
        const auto sheet = workbookSheet(path, each.sheet);
        QCOMPARE(sheet.cell(1, 2), u"学号"_s);
        QStringList numbers;
        for (int row = 2; row <= sheet.rowCount(); ++row)
            numbers.append(sheet.cell(row, 2));
        QCOMPARE(numbers, each.numbers);
    }
    QCOMPARE(workbookSheet(path, 1).cell(4, 1), u"未分班"_s);
}

void RosterWindowTest::dialogChoicesReachTheRoster() {
    RosterDialog dialog;
    const auto defaults = dialog.options();
    QCOMPARE(defaults.columns, fenban::reports::RosterOptions::defaultColumns());
    QCOMPARE(defaults.sort, fenban::reports::RosterSort::Number);
    // 序号 off, 总分 (the eighth offered) on: the order offered is kept, not the order clicked.
    dialog.findChild<QCheckBox *>(u"chkRosterColumn7"_s)->setChecked(true);
    dialog.findChild<QCheckBox *>(u"chkRosterColumn0"_s)->setChecked(false);
    dialog.findChild<QRadioButton *>(u"radSortName"_s)->setChecked(true);
    const auto chosen = dialog.options();
    QCOMPARE(chosen.columns, (QStringList{u"学号"_s, u"姓名"_s, u"性别"_s, u"毕业学校"_s, u"总分"_s}));
    QCOMPARE(chosen.sort, fenban::reports::RosterSort::Name);
}

void RosterWindowTest::printingChosenColumnsReachesThePreview() {
    QList<Roster> previewed;
    fenban::gui::setRosterPreview([&](QWidget *, const Roster &roster) { previewed.append(roster); });
    QTimer::singleShot(0, this, [this] {
        auto *dialog = m_fixture.window()->findChild<RosterDialog *>();
        QVERIFY(dialog);
        for (int index = 0; index < fenban::reports::rosterColumns().size(); ++index)
            dialog->findChild<QCheckBox *>(u"chkRosterColumn%1"_s.arg(index))->setChecked(index == 3);
        dialog->findChild<QRadioButton *>(u"radSortName"_s)->setChecked(true);
        dialog->accept();
    });
    action(m_fixture.window(), u"actPrintRoster"_s)->trigger();
    QCOMPARE(previewed.size(), 1);
    const Roster &roster = previewed.first();
    QCOMPARE(roster.columns, QStringList{u"姓名"_s});
    QCOMPARE(roster.classes.size(), 3);
    // By pinyin: 学生3 (XUE SHENG 3) before 学生1 (XUE SHENG 5).
    QCOMPARE(roster.classes[0].rows.first().first().toString(), u"学生3"_s);
    QCOMPARE(roster.classes[0].title, u"2026级高一新生 1班 名单"_s);
}

QTEST_MAIN(RosterWindowTest)
#include "roster_window_test.moc"
