#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

class QWidget;

namespace fenban::gui {

// The user's own settings of the program: window places and sizes, the folders of the dialogs, the
// databases opened last. Those name database files and servers, so the settings are the user's
// alone: their folder is made (or tightened to) owner-only before anything is written, and the file
// is left owner-only after every write (a write replaces the file with a new one).
class UserSettings : public QSettings {
public:
    UserSettings();
    ~UserSettings() override;
};
UserSettings userSettings();

// Keeps a window's place and size in the user's settings under `name`: what was kept is
// put back now (answering whether there was any), and every later move or resize is kept. A frame
// inside the child window area comes back only as far as it stays reachable within that area.
bool rememberGeometry(QWidget *window, const QString &name);

// The same for the main window (under its objectName), whose state (maximised or not) is kept too;
// saved when it closes.
bool restoreMainWindowGeometry(QWidget *window);
void saveMainWindowGeometry(const QWidget *window);

// The databases opened last (files and server addresses), newest first, at most
// recentDatabaseCount. Only an address that carries no password is kept.
inline constexpr int recentDatabaseCount = 8;
QStringList recentDatabases();
void rememberRecentDatabase(const QString &location);

} // namespace fenban::gui
