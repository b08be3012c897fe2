#include "gui/file_dialog.h"
#include "gui/main_window.h"
#include "gui/message_box.h"
#include "store/database.h"
#include "store/projects.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <functional>
#include <memory>

using fenban::gui::FileDialog;

namespace {

#ifndef _WIN32
// Whether this process holds a lock that conflicts with a write lock on one byte of `path`. Only
// another process can see our POSIX locks, so a child asks and answers through a pipe; it calls
// nothing but async-signal-safe functions, as a child of a threaded process must.
bool lockHeld(const QString &path, off_t offset) {
    const QByteArray native = QFile::encodeName(path);
    const pid_t parent = getpid();
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        char answer = 'e';
        const int fd = open(native.constData(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = offset;
        lock.l_len = 1;
        if (fd >= 0 && fcntl(fd, F_GETLK, &lock) == 0)
            answer = lock.l_type != F_UNLCK && lock.l_pid == parent ? 'y' : 'n';
        (void)!write(pipeEnds[1], &answer, 1);
        _exit(0);
    }
    close(pipeEnds[1]);
    char answer = 'e';
    if (child > 0) {
        (void)!read(pipeEnds[0], &answer, 1);
        waitpid(child, nullptr, 0);
    }
    close(pipeEnds[0]);
    return answer == 'y';
}

// SQLite keeps a shared lock on this byte of the -shm file for as long as a connection is open in
// WAL mode; a process that finds it free takes the database for its own.
constexpr off_t walDeadManSwitch = 128;
#endif

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

RunResult runCli(const QStringList &arguments) {
    QProcess process;
    process.start(QStringLiteral(FENBAN_CLI_PATH), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialogsOnTheDatabaseFolderKeepItsLocks();
    void dialogsStartInTheLastFolderUsed();

private:
    // Runs `show` (which opens a real dialog and waits for it) and meanwhile lets `handle` work on
    // the dialog; the dialog is closed in any case, so a failed check cannot leave the test waiting.
    void withDialog(const std::function<void()> &show, const std::function<void(QFileDialog *)> &handle);
    // Shows `folder` in the dialog until its list and the icons and types of its entries are loaded.
    void browse(QFileDialog *dialog, const QString &folder);
    QString dbPath() const { return m_dir->filePath(QStringLiteral("qx.db")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<fenban::store::Database> m_database;
    std::unique_ptr<fenban::gui::MainWindow> m_window;
};

void FileDialogTest::init() {
    fenban::gui::MessageBox::setScripted(true);
    FileDialog::setScripted(false);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    auto opened = fenban::store::Database::open(dbPath());
    QVERIFY2(opened, qPrintable(opened.error()));
    m_database = std::move(opened.value());
    // The first read maps the -shm file and takes SQLite's lock on it.
    QVERIFY(fenban::store::ProjectStore(m_database->connection()).list());
    m_window = std::make_unique<fenban::gui::MainWindow>(m_database->connection());
    m_window->show();
    // A spreadsheet beside the database, as a teacher keeps them.
    QFile sheet(m_dir->filePath(QStringLiteral("学生.csv")));
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.write("学号,姓名\n1,张三\n");
}

void FileDialogTest::cleanup() {
    m_window.reset();
    m_database.reset();
    m_dir.reset();
    FileDialog::setScripted(true);
}

void FileDialogTest::withDialog(const std::function<void()> &show,
                                const std::function<void(QFileDialog *)> &handle) {
    QTimer::singleShot(0, this, [handle] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        const auto closeDialog = qScopeGuard([dialog] {
            if (dialog && dialog->isVisible())
                dialog->reject();
        });
        QVERIFY(dialog);
        handle(dialog);
    });
    show();
}

void FileDialogTest::browse(QFileDialog *dialog, const QString &folder) {
    dialog->setDirectory(folder);
    auto *model = dialog->findChild<QFileSystemModel *>();
    QVERIFY(model);
    const QStringList names{QStringLiteral("qx.db"), QStringLiteral("qx.db-wal"), QStringLiteral("qx.db-shm"),
                            QStringLiteral("学生.csv")};
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name);
        QTRY_VERIFY2(model->index(path).isValid(), qPrintable(path));
        // What the list shows of an entry: its icon and its type, both loaded in the background.
        model->data(model->index(path), Qt::DecorationRole);
        model->data(model->index(path, 2), Qt::DisplayRole);
    }
    QTRY_VERIFY(!model->data(model->index(QDir(folder).filePath(QStringLiteral("学生.csv")), 2))
                     .toString()
                     .isEmpty());
    QTest::qWait(300);
    // The list shows the spreadsheet but not the database's files.
    QVERIFY(dialog->proxyModel());
    QVERIFY(dialog->proxyModel()->mapFromSource(model->index(QDir(folder).filePath(names.last()))).isValid());
    for (const QString &name : names.first(3))
        QVERIFY2(!dialog->proxyModel()->mapFromSource(model->index(QDir(folder).filePath(name))).isValid(),
                 qPrintable(name));
}

void FileDialogTest::dialogsOnTheDatabaseFolderKeepItsLocks() {
    QVERIFY(QFileInfo::exists(dbPath() + QStringLiteral("-shm")));
    // On Windows a lock belongs to the handle that took it, and no other handle can let it go; the
    // second program below is all there is to see there.
#ifndef _WIN32
    QVERIFY2(lockHeld(dbPath() + QStringLiteral("-shm"), walDeadManSwitch),
             "no lock to watch before the dialogs");
#endif

    withDialog(
        [this] {
            FileDialog::openFileName(m_window.get(), QStringLiteral("打开"),
                                     QStringLiteral("电子表格 (*.csv)"));
        },
        [this](QFileDialog *dialog) { browse(dialog, m_dir->path()); });
    withDialog(
        [this] {
            FileDialog::saveFileName(m_window.get(), QStringLiteral("保存"), QStringLiteral("分班结果.xlsx"),
                                     QStringLiteral("Excel 工作簿 (*.xlsx)"));
        },
        [this](QFileDialog *dialog) { browse(dialog, m_dir->path()); });

#ifndef _WIN32
    QVERIFY2(lockHeld(dbPath() + QStringLiteral("-shm"), walDeadManSwitch),
             "the dialogs dropped SQLite's lock");
#endif

    // Another program writes, then the window; each sees the other's write and the file is whole.
    const RunResult created =
        runCli({QStringLiteral("--db"), dbPath(), QStringLiteral("new"), QStringLiteral("--memo"),
                QStringLiteral("命令行"), QStringLiteral("--classes"), QStringLiteral("3")});
    QVERIFY2(created.exitCode == 0, qPrintable(created.err));
    fenban::store::ProjectStore projects(m_database->connection());
    QVERIFY(projects.create({QStringLiteral("窗口"), 2}));
    const auto seen = projects.list();
    QVERIFY(seen);
    QCOMPARE(seen.value().size(), 2);
    const RunResult listed = runCli({QStringLiteral("--db"), dbPath(), QStringLiteral("projects")});
    QVERIFY2(listed.exitCode == 0, qPrintable(listed.err));
    QVERIFY2(listed.out.contains(QStringLiteral("命令行")) && listed.out.contains(QStringLiteral("窗口")),
             qPrintable(listed.out));
    QSqlQuery check(m_database->connection());
    QVERIFY(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
    QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
}

void FileDialogTest::dialogsStartInTheLastFolderUsed() {
    // Started from the database's folder, the first dialog still does not show it.
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const auto restore = qScopeGuard([before] { QDir::setCurrent(before); });
    QTemporaryDir sheets;
    QString started;
    withDialog(
        [this] {
            FileDialog::openFileName(m_window.get(), QStringLiteral("打开"),
                                     QStringLiteral("电子表格 (*.csv)"));
        },
        [&](QFileDialog *dialog) { started = dialog->directory().absolutePath(); });
    QVERIFY(!started.isEmpty());
    QVERIFY2(QDir(started) != QDir(m_dir->path()), qPrintable(started));

    // A file chosen in a folder makes the next dialog start there.
    QFile chosen(sheets.filePath(QStringLiteral("名单.csv")));
    QVERIFY(chosen.open(QIODevice::WriteOnly));
    chosen.close();
    QString answer;
    withDialog(
        [&] {
            answer = FileDialog::openFileName(m_window.get(), QStringLiteral("打开"),
                                              QStringLiteral("电子表格 (*.csv)"));
        },
        [&](QFileDialog *dialog) {
            dialog->setDirectory(sheets.path());
            dialog->selectFile(chosen.fileName());
            static_cast<QDialog *>(dialog)->accept(); // as the 打开 button does
        });
    QCOMPARE(answer, chosen.fileName());
    QVERIFY(fenban::gui::MessageBox::takeShown().isEmpty());

    // The database itself, though hidden from the list, can be typed; it is refused.
    withDialog(
        [&] {
            answer =
                FileDialog::openFileName(m_window.get(), QStringLiteral("打开"), QStringLiteral("全部 (*)"));
        },
        [&](QFileDialog *dialog) {
            dialog->setDirectory(m_dir->path());
            dialog->selectFile(dbPath());
            static_cast<QDialog *>(dialog)->accept();
        });
    QVERIFY(answer.isEmpty());
    const auto shown = fenban::gui::MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text,
             QStringLiteral("不能选择分班数据库文件: ") + QDir::toNativeSeparators(dbPath()));
    withDialog(
        [this] {
            FileDialog::saveFileName(m_window.get(), QStringLiteral("保存"), QStringLiteral("分班结果.xlsx"),
                                     QStringLiteral("Excel 工作簿 (*.xlsx)"));
        },
        [&](QFileDialog *dialog) { started = dialog->directory().absolutePath(); });
    QCOMPARE(QDir(started), QDir(sheets.path()));

    // Once used, each dialog keeps its own folder: saving elsewhere leaves 打开 where it was.
    QTemporaryDir exports;
    withDialog(
        [&] {
            answer = FileDialog::saveFileName(m_window.get(), QStringLiteral("保存"),
                                              QStringLiteral("分班结果.xlsx"),
                                              QStringLiteral("Excel 工作簿 (*.xlsx)"));
        },
        [&](QFileDialog *dialog) {
            dialog->setDirectory(exports.path());
            dialog->selectFile(exports.filePath(QStringLiteral("分班结果.xlsx")));
            static_cast<QDialog *>(dialog)->accept();
        });
    QCOMPARE(QFileInfo(answer).absolutePath(), QFileInfo(exports.path()).absoluteFilePath());
    const auto startedIn = [&](const QString &caption) {
        withDialog([&] { FileDialog::openFileName(m_window.get(), caption, QStringLiteral("全部 (*)")); },
                   [&](QFileDialog *dialog) { started = dialog->directory().absolutePath(); });
        return QDir(started);
    };
    QCOMPARE(startedIn(QStringLiteral("打开")), QDir(sheets.path()));
    QCOMPARE(startedIn(QStringLiteral("保存")), QDir(exports.path()));
}

QTEST_MAIN(FileDialogTest)
#include "file_dialog_test.moc"
