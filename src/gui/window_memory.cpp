#include "gui/window_memory.h"

#include "store/location.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QObject>
#include <QRect>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace fenban::gui {

namespace {

QString geometryKey(const QString &name) {
    return QStringLiteral("windows/%1/geometry").arg(name);
}

// A frame's rectangle within the child window area, or a top-level window's saved geometry.
QVariant currentGeometry(const QWidget *window) {
    if (qobject_cast<const QMdiSubWindow *>(window))
        return window->geometry();
    return window->saveGeometry();
}

class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget *window, QString key) : QObject(window), m_window(window), m_key(std::move(key)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
            m_window->isVisible() && !m_window->isMinimized() && !m_window->isMaximized())
            userSettings().setValue(m_key, currentGeometry(m_window));
        return false;
    }

private:
    QWidget *m_window;
    QString m_key;
};

// Pulls a remembered rectangle back into `area` where the area shrank since (a smaller screen).
QRect reachable(QRect rect, const QRect &area) {
    rect.setWidth(std::min(rect.width(), area.width()));
    rect.setHeight(std::min(rect.height(), area.height()));
    rect.moveLeft(std::clamp(rect.left(), 0, std::max(0, area.width() - rect.width())));
    rect.moveTop(std::clamp(rect.top(), 0, std::max(0, area.height() - rect.height())));
    return rect;
}

const QString recentDatabasesKey = QStringLiteral("databases/recent");

#ifndef _WIN32

constexpr QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

// Takes away whatever others may do with `path`, as an earlier version (or the umask) left it; what
// the owner may do stays.
void keepOwnerOnly(const QString &path) {
    const QFileInfo info(path);
    if (info.exists() && (info.permissions() & others))
        QFile::setPermissions(path, info.permissions() & owner);
}

#endif

} // namespace

// On Windows the settings are in the user's own part of the registry, which no other user reads;
// there is no file to guard. (The default format is the registry unless a test program chose a file.)
#ifdef _WIN32

UserSettings::UserSettings()
    : QSettings(QSettings::defaultFormat(), QSettings::UserScope, QStringLiteral("fenban"),
                QStringLiteral("fenban")) {}

UserSettings::~UserSettings() = default;

#else

UserSettings::UserSettings() : QSettings(QStringLiteral("fenban"), QStringLiteral("fenban")) {
    // Made here, before the first write would make it readable by all.
    const QString folder = QFileInfo(fileName()).absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        QDir().mkdir(folder, owner);
    }
    keepOwnerOnly(folder);
}

UserSettings::~UserSettings() {
    sync();
    keepOwnerOnly(fileName());
}

#endif

UserSettings userSettings() {
    return UserSettings();
}

bool rememberGeometry(QWidget *window, const QString &name) {
    bool restored = false;
    const QVariant kept = userSettings().value(geometryKey(name));
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window)) {
        const QRect rect = kept.toRect();
        const QWidget *area = frame->parentWidget();
        if (rect.isValid() && area && rect.width() >= frame->minimumWidth() &&
            rect.height() >= frame->minimumHeight()) {
            frame->setGeometry(reachable(rect, area->rect()));
            restored = true;
        }
    } else if (kept.canConvert<QByteArray>() && !kept.toByteArray().isEmpty()) {
        restored = window->restoreGeometry(kept.toByteArray());
    }
    new GeometryKeeper(window, geometryKey(name));
    return restored;
}

bool restoreMainWindowGeometry(QWidget *window) {
    const QByteArray kept = userSettings().value(geometryKey(window->objectName())).toByteArray();
    return !kept.isEmpty() && window->restoreGeometry(kept);
}

void saveMainWindowGeometry(const QWidget *window) {
    userSettings().setValue(geometryKey(window->objectName()), window->saveGeometry());
}

QStringList recentDatabases() {
    QStringList kept = userSettings().value(recentDatabasesKey).toStringList();
    kept.removeAll(QString());
    return kept.mid(0, recentDatabaseCount);
}

void rememberRecentDatabase(const QString &location) {
    const QString trimmed = location.trimmed();
    // A file is kept by its full path: the program may start from another folder next time.
    const QString address =
        store::isServerAddress(trimmed) ? trimmed : QFileInfo(location).absoluteFilePath();
    // The settings file is plain text that other programs read; an address that does not parse may
    // hold a password.
    if (!store::parseDatabaseLocation(address))
        return;
    QStringList kept = recentDatabases();
    kept.removeAll(address);
    kept.prepend(address);
    userSettings().setValue(recentDatabasesKey, kept.mid(0, recentDatabaseCount));
}

} // namespace fenban::gui
