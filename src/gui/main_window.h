#pragma once

#include "gui/project_context.h"
#include "store/database.h"
#include "store/projects.h"

#include <QMainWindow>
#include <QPointer>
#include <QSqlDatabase>

#include <functional>
#include <memory>

class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;

namespace fenban::gui {

class ConsoleWindow;

// The program's frame: toolbar, child windows, status bar, and the current project that every
// other window works on.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // On a connection kept open by the caller.
    explicit MainWindow(QSqlDatabase db, QWidget *parent = nullptr);
    // On a database of its own (not null).
    explicit MainWindow(std::unique_ptr<store::Database> database, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Opens another database (asking for a server's password) and works on it from now on; without a
    // current project. When it cannot be opened, says why and the current database stays.
    bool switchDatabase(const QString &location);

    const ProjectContext &context() const { return *m_context; }
    void setCurrentProject(const store::Project &project);
    void clearCurrentProject();

    // Text of the status bar's first panel.
    void setStatusText(const QString &text);

    // Shows the message console, creating it the first time.
    void showConsole();
    // Appends a line to the console if it exists.
    void writeToConsole(const QString &text);
    ConsoleWindow *console() const;

    // Shows the division window, as 5.开始 does, and has it divide the given classes (class numbers)
    // again among themselves.
    void redivideClasses(const QList<int> &classNumbers);
    // Shows the division window and has it even out the classes of the current project.
    void optimiseClasses();
    // Whether a division works in the background; commands that would disturb it are refused.
    bool isDividing() const;

    QMdiArea *mdiArea() const { return m_mdiArea; }

protected:
    // Refused while a division runs, as the 退出 button is: its worker still writes to the database.
    void closeEvent(QCloseEvent *event) override;
    // Coming back to the program is when a project deleted meanwhile by another user is noticed.
    void changeEvent(QEvent *event) override;

private:
    void build();
    void buildToolBar();
    void buildMenuBar();
    // Lists the open child windows after the menu's fixed commands.
    void fillWindowMenu();
    // The child windows show the project they were opened for; another project closes them.
    void closeProjectWindows();
    void buildStatusBar();
    // The status bar's last panel names the database that is open; the file dialogs keep clear of
    // its files.
    void showDatabase();
    // The dialog of 切换数据库.
    void chooseDatabase();
    // A project another user deleted since it was chosen: says so and closes its windows. False then.
    bool currentProjectStillExists();
    // The first panel counts the current project's students; empty without a project.
    void showStudentCount();
    // Runs `command` only when a project is chosen; otherwise says so.
    void guarded(const std::function<void()> &command);
    // Shows the window held in `field`, or makes one with `create`, keeps it there and shows it.
    void showChild(QPointer<QWidget> &field, const std::function<QWidget *()> &create);

    void newProject();
    void openProject();
    void showImportPreview();
    void copyFromProject();
    void showSettings();
    void showDivisionWindow();
    // Runs `command` unless a division is working; otherwise says so.
    void unlessDividing(const std::function<void()> &command);
    void showClassStatistics();
    void showStudentList();
    void showHistory();
    void showRules();
    // After classes were changed by hand or set back: the open windows that show them catch up.
    void classesChangedByHand();
    void exportResults();
    // The menu 名单: rosters printed through a preview, or one workbook with a sheet per class.
    void printRosters();
    void exportRosters();
    void onProjectDeleted(int id);

    // Declared before the context so that it closes after the last use of its connection.
    std::unique_ptr<store::Database> m_ownedDatabase;
    std::shared_ptr<ProjectContext> m_context;
    QLabel *m_databasePanel = nullptr;
    QMdiArea *m_mdiArea = nullptr;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_windowMenu = nullptr;
    QList<QLabel *> m_statusPanels;
    QPointer<ConsoleWindow> m_console;

    // One of each kind of child window at most; a window clears its field by being destroyed.
    QPointer<QWidget> m_settingsWindow;
    QPointer<QWidget> m_divisionWindow;
    QPointer<QWidget> m_importPreview;
    QPointer<QWidget> m_classStatistics;
    QPointer<QWidget> m_studentList;
    QPointer<QWidget> m_historyWindow;
    QPointer<QWidget> m_rulesWindow;
};

} // namespace fenban::gui
