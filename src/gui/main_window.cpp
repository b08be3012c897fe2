#include "gui/main_window.h"

#include "app/export_service.h"
#include "exchange/result_export.h"
#include "gui/choose_database_dialog.h"
#include "gui/class_statistics_window.h"
#include "gui/console_window.h"
#include "gui/copy_from_project_dialog.h"
#include "gui/database_opening.h"
#include "gui/division_window.h"
#include "gui/file_dialog.h"
#include "gui/history_window.h"
#include "gui/import_preview_window.h"
#include "gui/message_box.h"
#include "gui/new_project_dialog.h"
#include "gui/open_project_dialog.h"
#include "gui/roster_dialog.h"
#include "gui/rules_window.h"
#include "gui/settings_window.h"
#include "gui/student_list_window.h"
#include "gui/window_memory.h"
#include "reports/roster.h"
#include "reports/student_search.h"
#include "store/location.h"
#include "store/students.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace fenban::gui {

namespace {

const QString productTitle = QStringLiteral("新生分班");

struct ToolButtonLook {
    QString objectName;
    QString caption;
    QStyle::StandardPixmap icon;
};

} // namespace

MainWindow::MainWindow(QSqlDatabase db, QWidget *parent)
    : QMainWindow(parent), m_context(std::make_shared<ProjectContext>(std::move(db))) {
    build();
}

MainWindow::MainWindow(std::unique_ptr<store::Database> database, QWidget *parent)
    : QMainWindow(parent), m_ownedDatabase(std::move(database)),
      m_context(std::make_shared<ProjectContext>(m_ownedDatabase->connection())) {
    build();
}

void MainWindow::build() {
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(productTitle);
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setBackground(QColor(0x80, 0x80, 0x80));
    setCentralWidget(m_mdiArea);
    buildMenuBar();
    buildToolBar();
    buildStatusBar();
    showDatabase();
    // Another user may delete the project on a shared server; found out as soon as the teacher
    // comes back to a window, rather than by a failing command later.
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *frame) {
        if (frame)
            currentProjectStillExists();
    });
}

MainWindow::~MainWindow() {
    // The child windows hold the connection; they go before the database closes.
    m_mdiArea->disconnect(this);
    delete m_mdiArea;
    m_mdiArea = nullptr;
}

void MainWindow::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("ToolBar1"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(16, 16));

    const QList<std::pair<ToolButtonLook, std::function<void()>>> buttons{
        {{QStringLiteral("ToolButton6"), QStringLiteral("1.新建"), QStyle::SP_FileIcon},
         [this] {
             unlessDividing([this] { newProject(); });
         }},
        {{QStringLiteral("ToolButton7"), QStringLiteral("2.打开"), QStyle::SP_DirOpenIcon},
         [this] {
             unlessDividing([this] { openProject(); });
         }},
        {{QStringLiteral("ToolButton3"), QStringLiteral("3.1数据导入"), QStyle::SP_ArrowDown},
         [this] {
             guarded([this] { unlessDividing([this] { showImportPreview(); }); });
         }},
        {{QStringLiteral("ToolButton11"), QStringLiteral("3.2内部数据"), QStyle::SP_DriveHDIcon},
         [this] {
             guarded([this] { unlessDividing([this] { copyFromProject(); }); });
         }},
        {{QStringLiteral("ToolButton1"), QStringLiteral("4.分班设置"), QStyle::SP_FileDialogDetailedView},
         [this] {
             guarded([this] { showSettings(); });
         }},
        {{QStringLiteral("ToolButton2"), QStringLiteral("5.开始"), QStyle::SP_MediaPlay},
         [this] {
             guarded([this] { showDivisionWindow(); });
         }},
        {{QStringLiteral("ToolButton5"), QStringLiteral("6.班级信息"), QStyle::SP_FileDialogInfoView},
         [this] {
             guarded([this] { showClassStatistics(); });
         }},
        {{QStringLiteral("ToolButton8"), QStringLiteral("7.学生名单"), QStyle::SP_FileDialogListView},
         [this] {
             guarded([this] { showStudentList(); });
         }},
        {{QStringLiteral("ToolButton9"), QStringLiteral("8.数据导出"), QStyle::SP_DialogSaveButton},
         [this] {
             guarded([this] { exportResults(); });
         }},
        {{QStringLiteral("ToolButton4"), QStringLiteral("退出"), QStyle::SP_DialogCloseButton},
         [this] {
             unlessDividing([] { QApplication::quit(); });
         }},
    };
    for (const auto &[look, command] : buttons) {
        QAction *action = m_toolBar->addAction(style()->standardIcon(look.icon), look.caption);
        connect(action, &QAction::triggered, this, command);
        QWidget *button = m_toolBar->widgetForAction(action);
        button->setObjectName(look.objectName);
        button->setMinimumSize(70, 36);
    }
}

void MainWindow::buildMenuBar() {
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    file->setObjectName(QStringLiteral("menuFile"));
    QAction *switchDatabase = file->addAction(QStringLiteral("切换数据库…"));
    switchDatabase->setObjectName(QStringLiteral("actSwitchDatabase"));
    connect(switchDatabase, &QAction::triggered, this,
            [this] { unlessDividing([this] { chooseDatabase(); }); });

    QMenu *adjust = menuBar()->addMenu(QStringLiteral("调整"));
    adjust->setObjectName(QStringLiteral("menuAdjust"));
    QAction *history = adjust->addAction(QStringLiteral("分班历史"));
    history->setObjectName(QStringLiteral("actHistory"));
    connect(history, &QAction::triggered, this, [this] { guarded([this] { showHistory(); }); });
    QAction *rules = adjust->addAction(QStringLiteral("分开/同班规则"));
    rules->setObjectName(QStringLiteral("actRules"));
    connect(rules, &QAction::triggered, this, [this] { guarded([this] { showRules(); }); });

    QMenu *roster = menuBar()->addMenu(QStringLiteral("名单"));
    roster->setObjectName(QStringLiteral("menuRoster"));
    QAction *printRoster = roster->addAction(QStringLiteral("打印分班名单"));
    printRoster->setObjectName(QStringLiteral("actPrintRoster"));
    connect(printRoster, &QAction::triggered, this, [this] { guarded([this] { printRosters(); }); });
    QAction *exportRoster = roster->addAction(QStringLiteral("导出分班名单"));
    exportRoster->setObjectName(QStringLiteral("actExportRoster"));
    connect(exportRoster, &QAction::triggered, this, [this] { guarded([this] { exportRosters(); }); });

    m_windowMenu = menuBar()->addMenu(QStringLiteral("窗口"));
    m_windowMenu->setObjectName(QStringLiteral("menuWindow"));
    // Closing the console only hides it; this is the way back to it.
    QAction *showConsole = m_windowMenu->addAction(QStringLiteral("显示台"));
    showConsole->setObjectName(QStringLiteral("actShowConsole"));
    connect(showConsole, &QAction::triggered, this, &MainWindow::showConsole);
    m_windowMenu->addSeparator();
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);
}

void MainWindow::fillWindowMenu() {
    const QList<QAction *> actions = m_windowMenu->actions();
    // Everything after the separator is the list of the last time.
    const auto separator = std::find_if(actions.begin(), actions.end(),
                                        [](const QAction *action) { return action->isSeparator(); });
    for (auto it = separator + 1; it < actions.end(); ++it) {
        m_windowMenu->removeAction(*it);
        (*it)->deleteLater();
    }
    for (QMdiSubWindow *frame : m_mdiArea->subWindowList()) {
        QAction *action = m_windowMenu->addAction(frame->windowTitle());
        action->setCheckable(true);
        action->setChecked(frame == m_mdiArea->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, frame = QPointer<QMdiSubWindow>(frame)] {
            if (!frame)
                return;
            frame->showNormal();
            m_mdiArea->setActiveSubWindow(frame);
        });
    }
}

void MainWindow::buildStatusBar() {
    statusBar()->setObjectName(QStringLiteral("sbInfo"));
    for (const int width : {250, 150, 100, 50}) {
        auto *panel = new QLabel(statusBar());
        panel->setMinimumWidth(width);
        panel->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(panel);
        m_statusPanels.append(panel);
    }
    m_statusPanels.last()->setText(productTitle);
    m_databasePanel = new QLabel(statusBar());
    m_databasePanel->setObjectName(QStringLiteral("lblDatabase"));
    m_databasePanel->setFrameShape(QFrame::StyledPanel);
    statusBar()->addPermanentWidget(m_databasePanel);
}

void MainWindow::showDatabase() {
    const QString shown = store::shownLocation(m_context->databasePath());
    m_databasePanel->setText(QStringLiteral("数据库: %1").arg(shown));
    m_databasePanel->setToolTip(shown);
    FileDialog::protectDatabase(m_context->databasePath());
}

void MainWindow::chooseDatabase() {
    ChooseDatabaseDialog dialog(m_context->databasePath(), this);
    if (dialog.exec() == QDialog::Accepted)
        switchDatabase(dialog.location());
}

bool MainWindow::switchDatabase(const QString &location) {
    if (isDividing()) {
        MessageBox::information(this, QStringLiteral("正在分班，请稍候"));
        return false;
    }
    auto opened = DatabaseOpening::open(this, location);
    if (!opened) {
        MessageBox::error(this, store::openFailureText(location, opened.error()));
        return false;
    }
    // A window that keeps an unsaved change (and the teacher wants it kept) stays, and so does the
    // database it belongs to.
    closeProjectWindows();
    if (!m_mdiArea->subWindowList().isEmpty())
        return false;
    m_context->clearProject();
    setWindowTitle(productTitle);
    std::unique_ptr<store::Database> database = std::move(opened.value());
    m_context = std::make_shared<ProjectContext>(database->connection());
    // Only now: the old context held the old connection.
    m_ownedDatabase = std::move(database);
    showStudentCount();
    showDatabase();
    rememberRecentDatabase(location);
    return true;
}

bool MainWindow::currentProjectStillExists() {
    if (isDividing())
        return true;
    // Coming back after a server restart: connect again before anything reads. A server still away is
    // not said here (this runs on every return to the window); the command tried next says it.
    if (!store::reconnectIfLost(m_context->database()))
        return true;
    if (!m_context->hasProject())
        return true;
    const auto found = store::ProjectStore(m_context->database()).find(m_context->projectId());
    // A database that cannot be read now is not a deleted project; the command will say what is wrong.
    if (!found || found.value())
        return true;
    // Forgotten before the windows close, so that the window activated next does not ask again.
    m_context->clearProject();
    clearCurrentProject();
    MessageBox::information(this, QStringLiteral("该分班项目已被删除"));
    return false;
}

void MainWindow::setCurrentProject(const store::Project &project) {
    if (m_context->projectId() != project.id)
        closeProjectWindows();
    m_context->setProject(project);
    setWindowTitle(project.memo);
    showStudentCount();
}

void MainWindow::clearCurrentProject() {
    closeProjectWindows();
    m_context->clearProject();
    setWindowTitle(productTitle);
    showStudentCount();
}

void MainWindow::showStudentCount() {
    if (!m_context->hasProject()) {
        setStatusText({});
        return;
    }
    const auto students = reports::allStudents(m_context->database(), m_context->projectId());
    if (!students) {
        setStatusText({});
        return;
    }
    setStatusText(QStringLiteral("已导入的总记录数:%1条").arg(students.value().size()));
}

void MainWindow::closeProjectWindows() {
    for (QMdiSubWindow *frame : m_mdiArea->subWindowList()) {
        // Gone at once rather than later, so that a window asked for next is made for the new
        // project instead of finding the old one still in its field.
        if (frame->close())
            delete frame;
    }
}

void MainWindow::guarded(const std::function<void()> &command) {
    if (!m_context->hasProject()) {
        MessageBox::information(this, QStringLiteral("请选择你要操作的分班项"));
        return;
    }
    if (!currentProjectStillExists())
        return;
    command();
}

void MainWindow::showChild(QPointer<QWidget> &field, const std::function<QWidget *()> &create) {
    if (!field) {
        QWidget *window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
        // The window's own size is what it asked for; the frame would otherwise shrink it to its hint.
        const QSize wanted = window->size();
        QMdiSubWindow *frame =
            m_mdiArea->addSubWindow(window, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        // The window's own title first, then the project it shows.
        if (m_context->hasProject())
            frame->setWindowTitle(
                QStringLiteral("%1 - %2").arg(window->windowTitle(), m_context->project()->memo));
        frame->show();
        if (!rememberGeometry(frame, window->objectName())) {
            frame->resize(wanted + (frame->size() - window->size()));
            const QRect area = m_mdiArea->viewport()->rect();
            frame->move(std::max(0, (area.width() - frame->width()) / 2),
                        std::max(0, (area.height() - frame->height()) / 2));
        }
        field = window;
    }
    QWidget *frame = field->parentWidget() ? field->parentWidget() : field.data();
    frame->show();
    frame->raise();
    if (auto *subWindow = qobject_cast<QMdiSubWindow *>(frame))
        m_mdiArea->setActiveSubWindow(subWindow);
}

void MainWindow::newProject() {
    auto *dialog = new NewProjectDialog(m_context->database(), this);
    connect(dialog, &NewProjectDialog::projectCreated, this, &MainWindow::setCurrentProject);
    dialog->open();
}

void MainWindow::openProject() {
    auto *dialog = new OpenProjectDialog(m_context->database(), this);
    connect(dialog, &OpenProjectDialog::projectChosen, this, &MainWindow::setCurrentProject);
    connect(dialog, &OpenProjectDialog::projectDeleted, this, &MainWindow::onProjectDeleted);
    dialog->open();
}

void MainWindow::showImportPreview() {
    const bool created = !m_importPreview;
    showChild(m_importPreview, [this] {
        auto *preview = new ImportPreviewWindow(m_context);
        connect(preview, &ImportPreviewWindow::rowsCounted, this, &MainWindow::setStatusText);
        connect(preview, &ImportPreviewWindow::studentsWritten, this, &MainWindow::showStudentCount);
        return preview;
    });
    if (created) {
        QWidget *frame = m_importPreview->parentWidget();
        frame->move(frame->x(), 50);
    }
}

void MainWindow::showSettings() {
    showChild(m_settingsWindow,
              [this] { return new SettingsWindow(m_context->database(), m_context->projectId()); });
}

void MainWindow::showDivisionWindow() {
    showChild(m_divisionWindow, [this] {
        auto *division = new DivisionWindow(m_context);
        connect(division, &DivisionWindow::runStarting, this, &MainWindow::showConsole);
        connect(division, &DivisionWindow::progressLine, this, &MainWindow::writeToConsole);
        connect(division, &DivisionWindow::progressStatus, this, [this](const QString &text) {
            if (m_console)
                m_console->setStatus(text);
        });
        // An open statistics window would otherwise show the classes as they were before the run.
        connect(division, &DivisionWindow::runEnded, this, [this] {
            if (m_console)
                m_console->scrollToNewest();
            if (auto *statistics = qobject_cast<ClassStatisticsWindow *>(m_classStatistics.data()))
                statistics->refresh();
        });
        return division;
    });
}

void MainWindow::copyFromProject() {
    auto *dialog = new CopyFromProjectDialog(m_context, this);
    connect(dialog, &CopyFromProjectDialog::projectDeleted, this, &MainWindow::onProjectDeleted);
    dialog->open();
}

void MainWindow::showClassStatistics() {
    showChild(m_classStatistics, [this] {
        auto *statistics = new ClassStatisticsWindow(m_context);
        connect(statistics, &ClassStatisticsWindow::redivisionRequested, this, &MainWindow::redivideClasses);
        connect(statistics, &ClassStatisticsWindow::optimisationRequested, this,
                &MainWindow::optimiseClasses);
        return statistics;
    });
}

void MainWindow::showStudentList() {
    showChild(m_studentList, [this] {
        auto *list = new StudentListWindow(m_context);
        connect(list, &StudentListWindow::rulesRequested, this, &MainWindow::showRules);
        connect(list, &StudentListWindow::classesChanged, this, &MainWindow::classesChangedByHand);
        return list;
    });
}

void MainWindow::showHistory() {
    showChild(m_historyWindow, [this] {
        auto *history = new HistoryWindow(m_context);
        connect(history, &HistoryWindow::classesChanged, this, &MainWindow::classesChangedByHand);
        return history;
    });
    if (auto *history = qobject_cast<HistoryWindow *>(m_historyWindow.data()))
        history->refresh();
}

void MainWindow::showRules() {
    showChild(m_rulesWindow, [this] { return new RulesWindow(m_context); });
    if (auto *rules = qobject_cast<RulesWindow *>(m_rulesWindow.data()))
        rules->refresh();
}

void MainWindow::classesChangedByHand() {
    if (auto *history = qobject_cast<HistoryWindow *>(m_historyWindow.data()))
        history->refresh();
    if (auto *rules = qobject_cast<RulesWindow *>(m_rulesWindow.data()))
        rules->refresh();
    if (auto *list = qobject_cast<StudentListWindow *>(m_studentList.data()); list && sender() != list)
        list->showChangedClasses();
}

void MainWindow::unlessDividing(const std::function<void()> &command) {
    if (isDividing()) {
        MessageBox::information(this, QStringLiteral("正在分班，请稍候"));
        return;
    }
    command();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (isDividing()) {
        MessageBox::information(this, QStringLiteral("正在分班，请稍候"));
        event->ignore();
        return;
    }
    saveMainWindowGeometry(this);
    QMainWindow::closeEvent(event);
}

void MainWindow::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        currentProjectStillExists();
}

bool MainWindow::isDividing() const {
    const auto *result = qobject_cast<const DivisionWindow *>(m_divisionWindow.data());
    return result && result->isRunning();
}

void MainWindow::redivideClasses(const QList<int> &classNumbers) {
    guarded([this] { showDivisionWindow(); });
    if (auto *result = qobject_cast<DivisionWindow *>(m_divisionWindow.data()))
        result->redivide(classNumbers);
}

void MainWindow::optimiseClasses() {
    guarded([this] { showDivisionWindow(); });
    if (auto *result = qobject_cast<DivisionWindow *>(m_divisionWindow.data()))
        result->optimise();
}

void MainWindow::showConsole() {
    if (!m_console) {
        m_console = new ConsoleWindow(this);
        if (!rememberGeometry(m_console, m_console->objectName())) {
            // Beside the work rather than over the toolbar: at the top right of the child window area.
            const QRect area(m_mdiArea->mapToGlobal(QPoint(0, 0)), m_mdiArea->size());
            m_console->move(std::max(area.left(), area.right() - m_console->width()), area.top());
        }
    }
    m_console->show();
    m_console->raise();
}

ConsoleWindow *MainWindow::console() const {
    return m_console;
}

void MainWindow::writeToConsole(const QString &text) {
    if (m_console)
        m_console->appendLine(text);
}

void MainWindow::exportResults() {
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("导出分班结果"), QStringLiteral("分班结果.xlsx"),
                                 QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (const auto exported = app::exportResult(m_context->database(), m_context->projectId(), path);
        !exported) {
        MessageBox::error(this, exported.error());
        return;
    }
    FileDialog::announceExport(this, path);
    FileDialog::openWithDesktop(this, path);
}

void MainWindow::printRosters() {
    RosterDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const auto roster = reports::loadRoster(m_context->database(), m_context->projectId(), dialog.options());
    if (!roster) {
        MessageBox::error(this, roster.error());
        return;
    }
    previewRoster(this, roster.value());
}

void MainWindow::exportRosters() {
    const QString path =
        FileDialog::saveFileName(this, QStringLiteral("导出分班名单"), QStringLiteral("分班名单.xlsx"),
                                 QStringLiteral("Excel 工作簿 (*.xlsx)"));
    if (path.isEmpty())
        return;
    const auto roster = reports::loadRoster(m_context->database(), m_context->projectId(), {});
    const store::Status written =
        roster ? reports::writeRosterWorkbook(roster.value(), path) : store::Status::failure(roster.error());
    if (!written) {
        MessageBox::error(this, written.error());
        return;
    }
    FileDialog::announceExport(this, path);
}

void MainWindow::setStatusText(const QString &text) {
    m_statusPanels.first()->setText(text);
}

void MainWindow::onProjectDeleted(int id) {
    if (m_context->hasProject() && m_context->projectId() == id)
        clearCurrentProject();
}

} // namespace fenban::gui
