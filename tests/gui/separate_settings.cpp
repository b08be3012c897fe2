// Linked into every window test. Windows keeps a program's settings in one place in the registry for
// every copy of it, so test programs running side by side would read each other's window places and
// recent databases; there each test program keeps them in a file of its own instead, as elsewhere.

#include <QCoreApplication>
#include <QSettings>

namespace {

void separateSettings() {
#ifdef _WIN32
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty())
        return;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
#endif
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(separateSettings)
