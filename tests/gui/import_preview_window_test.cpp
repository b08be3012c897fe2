#include "exchange/sheets/sheet.h"
#include "gui/file_dialog.h"
#include "gui/import_preview_window.h"
#include "gui/import_progress_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "store/projects.h"
#include "store/students.h"
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
// windows.h names its message box function MessageBox, as our dialog class is called.
#undef MessageBox
#endif

using fenban::gui::FileDialog;
using fenban::gui::ImportPreviewWindow;
using fenban::gui::ImportProgressDialog;
using fenban::gui::MainWindow;
using fenban::gui::MessageBox;
using fenban::store::StudentRecord;

namespace {

const QString fixture = QStringLiteral(FENBAN_TEST_DATA "/import/students.csv");

// Threads of this process, to see a reader thread end whose window is gone.
int threadCount() {
#ifdef _WIN32
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(snapshot);
    return count;
#else
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return -1;
#endif
}

StudentRecord earlierStudent(int id) {
    StudentRecord record;
    record.studentId = id;
    record.name = QStringLiteral("旧生%1").arg(id);
    for (auto &score : record.scores)
        score = 60;
    return record;
}

} // namespace

class ImportPreviewWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void previewShowsRowsTerminatorAndCount();
    void previewMarksStudentsWithoutSex();
    void confirmingWritesTheStudents();
    void cancellingKeepsThePreviousStudents();
    void aBadRowIsNamedAndKeepsThePreviousStudents();
    void aFileWithoutStudentsKeepsThePreviousStudents();
    void aRepeatedTitleIsNamedWhenTheFileIsRead();
    void closingWhileLoadingIsSafe();
    void sampleLinkOpensTheSample();
    void exportWritesTheChosenFileAndOpensIt();

private:
    ImportPreviewWindow *openPreview();
    void load(ImportPreviewWindow *preview, const QString &path);
    QStringList messages();
    QList<int> storedIds();
    QString writeCsv(const QString &name, const QByteArray &content);

    fenban::testing::WindowFixture m_fixture;
    MainWindow *m_window = nullptr;
};

void ImportPreviewWindowTest::init() {
    const QString problem = m_fixture.open();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    m_window = m_fixture.window();
    const auto project =
        fenban::store::ProjectStore(m_fixture.connection()).create({QStringLiteral("高一"), 4});
    QVERIFY(project);
    m_window->setCurrentProject(project.value());
}

void ImportPreviewWindowTest::cleanup() {
    m_fixture.close();
}

ImportPreviewWindow *ImportPreviewWindowTest::openPreview() {
    QTest::mouseClick(m_window->findChild<QWidget *>(QStringLiteral("ToolButton3")), Qt::LeftButton);
    return m_window->findChild<ImportPreviewWindow *>();
}

void ImportPreviewWindowTest::load(ImportPreviewWindow *preview, const QString &path) {
    QSignalSpy ended(preview, &ImportPreviewWindow::loadEnded);
    FileDialog::queueFileName(path);
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(ended.wait(10000));
}

QStringList ImportPreviewWindowTest::messages() {
    return fenban::testing::shownMessages();
}

QList<int> ImportPreviewWindowTest::storedIds() {
    QList<int> ids;
    const auto stored = fenban::store::StudentStore(m_fixture.connection()).byClass(1);
    for (const StudentRecord &record : stored.value())
        ids.append(record.studentId);
    return ids;
}

QString ImportPreviewWindowTest::writeCsv(const QString &name, const QByteArray &content) {
    QFile file(m_fixture.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    return file.fileName();
}

void ImportPreviewWindowTest::previewShowsRowsTerminatorAndCount() {
    ImportPreviewWindow *preview = openPreview();
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("导入数据浏览"));
    QCOMPARE(preview->parentWidget()->y(), 50);
    auto *yes = preview->findChild<QPushButton *>(QStringLiteral("bnt_yes"));
    QVERIFY(!yes->isEnabled());

    load(preview, fixture);
    auto *grid = preview->findChild<QTableWidget *>(QStringLiteral("sgStudent"));
    QCOMPARE(grid->columnCount(), 18);
    QCOMPARE(grid->horizontalHeaderItem(3)->text(), QStringLiteral("姓名"));
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("1"));
    QCOMPARE(grid->item(0, 3)->text(), QStringLiteral("张三"));
    QCOMPARE(grid->item(2, 6)->text(), QStringLiteral("0.3"));
    QCOMPARE(grid->item(2, 4)->text(), QStringLiteral(" 女 "));
    QCOMPARE(grid->item(3, 0)->text(), QStringLiteral("4"));
    QVERIFY(grid->item(3, 1)->text().isEmpty());
    QCOMPARE(preview->findChild<QLabel *>(QStringLiteral("lb_info"))->text(),
             QStringLiteral("已导入的总记录数:3条   "));
    QVERIFY(m_window->statusBar()->findChildren<QLabel *>().first()->text() ==
            QStringLiteral("已导入的总记录数:3条"));
    QVERIFY(yes->isEnabled());

    // Pressing the command again only brings the same window forward.
    preview->parentWidget()->move(10, 120);
    QCOMPARE(openPreview(), preview);
    QCOMPARE(preview->parentWidget()->y(), 120);

    // A file without students leaves the grid as it was; a cancelled dialog changes nothing.
    load(preview, writeCsv(QStringLiteral("empty.csv"), "学号,登分号\r\n,\r\n"));
    QCOMPARE(grid->rowCount(), 4);
    FileDialog::queueFileName(QString());
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QCOMPARE(grid->rowCount(), 4);
    QVERIFY(messages().isEmpty());
}

void ImportPreviewWindowTest::previewMarksStudentsWithoutSex() {
    ImportPreviewWindow *preview = openPreview();
    load(preview, writeCsv(QStringLiteral("sexes.csv"), "学号,登分号,姓名,性别\r\n"
                                                        "1,,甲,男\r\n"
                                                        "2,,乙,\r\n"
                                                        "3,,丙,女\r\n"
                                                        "4,,丁,  \r\n"
                                                        ",,,\r\n"));
    auto *grid = preview->findChild<QTableWidget *>(QStringLiteral("sgStudent"));
    QCOMPARE(grid->rowCount(), 5);
    const QString hint = QStringLiteral("性别为空，分班时不会分入任何班级");
    // The terminating row is no student and stays unmarked.
    const QList<bool> marked{false, true, false, true, false};
    for (int r = 0; r < grid->rowCount(); ++r) {
        const QTableWidgetItem *sex = grid->item(r, 4);
        QCOMPARE(sex->toolTip() == hint, marked[r]);
        QCOMPARE(sex->background().style() != Qt::NoBrush, marked[r]);
        QCOMPARE(grid->item(r, 3)->background().style(), Qt::NoBrush);
    }
    const QString count = QStringLiteral("已导入的总记录数:4条，其中2名学生性别为空，分班时不会分入任何班级");
    QCOMPARE(preview->findChild<QLabel *>(QStringLiteral("lb_info"))->text(), count + QStringLiteral("   "));
    QCOMPARE(m_window->statusBar()->findChildren<QLabel *>().first()->text(), count);
    QVERIFY(messages().isEmpty());
}

void ImportPreviewWindowTest::confirmingWritesTheStudents() {
    ImportPreviewWindow *preview = openPreview();
    load(preview, fixture);
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<ImportProgressDialog *>());
    QCOMPARE(messages(),
             (QStringList{QStringLiteral("将清空之前的所有数据，确定么？"), QStringLiteral("导入成功")}));
    QCOMPARE(storedIds(), (QList<int>{20260001, 20260002, 20260003}));
    QVERIFY(!preview->findChild<QPushButton *>(QStringLiteral("bnt_yes"))->isEnabled());
    // The status bar counts the project's students now, not the sheet's rows.
    QTRY_COMPARE(m_window->statusBar()->findChildren<QLabel *>().first()->text(),
                 QStringLiteral("已导入的总记录数:3条"));
}

void ImportPreviewWindowTest::cancellingKeepsThePreviousStudents() {
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection())
                 .replaceAll(1, {earlierStudent(1), earlierStudent(2)})
                 .kind,
             fenban::store::ReplaceOutcome::Written);
    ImportPreviewWindow *preview = openPreview();
    load(preview, fixture);

    // Answering the question with Cancel changes nothing.
    MessageBox::queueAnswer(false);
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes")), Qt::LeftButton);
    QVERIFY(!m_window->findChild<ImportProgressDialog *>());

    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes")), Qt::LeftButton);
    auto *progress = m_window->findChild<ImportProgressDialog *>();
    QVERIFY(progress);
    // Cancelled before the first row is written: the write is undone as a whole.
    QTest::mouseClick(progress->findChild<QPushButton *>(QStringLiteral("bntCancel")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<ImportProgressDialog *>());
    QCOMPARE(messages(), QStringList{QStringLiteral("将清空之前的所有数据，确定么？")} +
                             QStringList{QStringLiteral("将清空之前的所有数据，确定么？")});
    QCOMPARE(storedIds(), (QList<int>{1, 2}));
    QVERIFY(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes"))->isEnabled());
    QTRY_COMPARE(m_window->statusBar()->findChildren<QLabel *>().first()->text(),
                 QStringLiteral("已导入的总记录数:2条"));
}

void ImportPreviewWindowTest::aBadRowIsNamedAndKeepsThePreviousStudents() {
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, {earlierStudent(1)}).kind,
             fenban::store::ReplaceOutcome::Written);
    const QString bad = writeCsv(QStringLiteral("bad.csv"),
                                 "学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
                                 "1,01,甲,男,1,1,1,1,1,1,1,1,1\r\n"
                                 "2,02,乙,女,,1,1,1,1,1,1,1,1\r\n");
    ImportPreviewWindow *preview = openPreview();
    load(preview, bad);
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<ImportProgressDialog *>());
    const QStringList shown = messages();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown[1].startsWith(QStringLiteral("插入数据库过程第3行出错,学生不考的科目请设置为0分\n“数学”")),
             qPrintable(shown[1]));
    QCOMPARE(storedIds(), QList<int>{1});
    QVERIFY(!preview->findChild<QPushButton *>(QStringLiteral("bnt_yes"))->isEnabled());
}

void ImportPreviewWindowTest::aFileWithoutStudentsKeepsThePreviousStudents() {
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection()).replaceAll(1, {earlierStudent(1)}).kind,
             fenban::store::ReplaceOutcome::Written);
    ImportPreviewWindow *preview = openPreview();
    load(preview, writeCsv(QStringLiteral("empty.csv"), "学号,登分号,姓名\r\n,01,甲\r\n2,02,乙\r\n"));
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("bnt_yes")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->findChild<ImportProgressDialog *>());
    QCOMPARE(messages(), (QStringList{QStringLiteral("将清空之前的所有数据，确定么？"),
                                      QStringLiteral("文件中没有学生数据")}));
    QCOMPARE(storedIds(), QList<int>{1});
}

void ImportPreviewWindowTest::aRepeatedTitleIsNamedWhenTheFileIsRead() {
    ImportPreviewWindow *preview = openPreview();
    load(preview, writeCsv(QStringLiteral("repeated.csv"),
                           "学号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物,姓名\r\n"
                           "1,甲,男,1,1,1,1,1,1,1,1,1,乙\r\n"));
    QCOMPARE(messages(), QStringList{QStringLiteral("表头中的列重复: 姓名")});
    QVERIFY(!preview->findChild<QPushButton *>(QStringLiteral("bnt_yes"))->isEnabled());
}

void ImportPreviewWindowTest::closingWhileLoadingIsSafe() {
    QByteArray big =
        "学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物,毕业学校,地址,备注,分类\r\n";
    for (int i = 1; i <= 5000; ++i)
        big += QByteArray::number(i) + ",0" + QByteArray::number(i) +
               ",张三,男,1,2,3,4,5,6,7,8,9,一中,城关,,\r\n";
    const QString path = writeCsv(QStringLiteral("big.csv"), big);
    ImportPreviewWindow *preview = openPreview();
    const int threadsBefore = threadCount();
    FileDialog::queueFileName(path);
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(preview->isLoading());
    QVERIFY(!preview->findChild<QPushButton *>(QStringLiteral("Button1"))->isEnabled());
    preview->parentWidget()->close();
    QTRY_VERIFY(!m_window->findChild<ImportPreviewWindow *>());
    QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threadsBefore, 10000); // the orphaned reader has ended
    QVERIFY(messages().isEmpty());

    // A new preview loads the same file in full.
    preview = openPreview();
    load(preview, path);
    QCOMPARE(preview->findChild<QTableWidget *>(QStringLiteral("sgStudent"))->rowCount(), 5001);
}

void ImportPreviewWindowTest::sampleLinkOpensTheSample() {
    ImportPreviewWindow *preview = openPreview();
    QTest::mouseClick(preview->findChild<QLabel *>(QStringLiteral("Label2")), Qt::LeftButton);
    const QStringList opened = FileDialog::takeOpened();
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened.first().endsWith(QStringLiteral("/导入excel文件样例/分班数据输入样例.xls")),
             qPrintable(opened.first()));
    QVERIFY(messages().isEmpty());

    // A desktop with no program for spreadsheets: the teacher is told, naming the file.
    FileDialog::setNothingOpens(true);
    QTest::mouseClick(preview->findChild<QLabel *>(QStringLiteral("Label2")), Qt::LeftButton);
    FileDialog::setNothingOpens(false);
    const QStringList shown = messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(QStringLiteral("没有找到可以打开它的程序: ")) &&
                 shown.first().endsWith(QStringLiteral("分班数据输入样例.xls")),
             qPrintable(shown.first()));
}

void ImportPreviewWindowTest::exportWritesTheChosenFileAndOpensIt() {
    QCOMPARE(fenban::store::StudentStore(m_fixture.connection())
                 .replaceAll(1, {earlierStudent(2), earlierStudent(1)})
                 .kind,
             fenban::store::ReplaceOutcome::Written);
    const QString path = m_fixture.filePath(QStringLiteral("结果.xlsx"));
    FileDialog::queueFileName(path);
    QTest::mouseClick(m_window->findChild<QWidget *>(QStringLiteral("ToolButton9")), Qt::LeftButton);
    QCOMPARE(FileDialog::takeOpened(), QStringList{path});
    const QString written = QStringLiteral("已导出到文件：") + QDir::toNativeSeparators(path);
    QCOMPARE(messages(), QStringList{written});

    // 打开所在文件夹 hands the folder to the desktop as well as the file.
    FileDialog::queueFileName(path);
    MessageBox::queueAnswer(true);
    QTest::mouseClick(m_window->findChild<QWidget *>(QStringLiteral("ToolButton9")), Qt::LeftButton);
    QCOMPARE(messages(), QStringList{written});
    QCOMPARE(FileDialog::takeOpened(), (QStringList{QFileInfo(path).absolutePath(), path}));
    const auto sheet = fenban::exchange::readFirstSheet(path);
    QVERIFY2(sheet, qPrintable(sheet.error()));
    QCOMPARE(sheet->rowCount(), 3);
    QCOMPARE(sheet->cell(2, 1), QStringLiteral("1"));
    QCOMPARE(sheet->cell(2, 14), QStringLiteral("540"));

    // An unwritable place is reported with the file's name.
    const QString nowhere = m_fixture.filePath(QStringLiteral("no/such/结果.xlsx"));
    FileDialog::queueFileName(nowhere);
    QTest::mouseClick(m_window->findChild<QWidget *>(QStringLiteral("ToolButton9")), Qt::LeftButton);
    const QStringList shown = messages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(QDir::toNativeSeparators(nowhere)), qPrintable(shown.first()));
    QVERIFY(FileDialog::takeOpened().isEmpty());
}

QTEST_MAIN(ImportPreviewWindowTest)
#include "import_preview_window_test.moc"
