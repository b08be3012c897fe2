#include "gui/window_memory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifndef _WIN32
// The permission bits of `path` in octal, as the system has them; empty when it is not there.
QString mode(const QString &path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return QString::number(status.st_mode & 07777, 8);
}
#endif

} // namespace

class UserSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keptForTheUserAlone_data();
    void keptForTheUserAlone();

private:
    QTemporaryDir m_home;
};

void UserSettingsTest::initTestCase() {
    QVERIFY(m_home.isValid());
#ifndef _WIN32
    // What most systems leave new files with: readable by all.
    ::umask(022);
#endif
}

void UserSettingsTest::keptForTheUserAlone_data() {
    QTest::addColumn<bool>("leftOpen"); // as an earlier version left them: folder 0755, file 0644
    QTest::newRow("first use") << false;
    QTest::newRow("left open before") << true;
}

void UserSettingsTest::keptForTheUserAlone() {
#ifdef _WIN32
    QSKIP("the settings live in the user's own part of the registry, with no permission bits");
#else
    QFETCH(bool, leftOpen);
    // A settings home of each case's own, never the user's.
    const QString home = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
    const QString folder = home + u"/fenban"_s;
    const QString file = folder + u"/fenban.conf"_s;

    const QString earlier = m_home.filePath(QStringLiteral("earlier.db"));
    if (leftOpen) {
        QVERIFY(QDir().mkpath(folder));
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QStringLiteral("[databases]\nrecent=%1\n").arg(earlier).toUtf8());
        old.close();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::ExeOther));
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::ReadOther));
        QCOMPARE(mode(folder), u"755"_s);
        QCOMPARE(mode(file), u"644"_s);
    }

    // Each write replaces the file; every one leaves it the user's alone.
    const QStringList opened{m_home.filePath(QStringLiteral("a.db")),
                             m_home.filePath(QStringLiteral("b.db"))};
    for (const QString &database : opened) {
        fenban::gui::rememberRecentDatabase(database);
        QCOMPARE(mode(folder), u"700"_s);
        QCOMPARE(mode(file), u"600"_s);
    }
    QStringList expected{opened[1], opened[0]};
    if (leftOpen)
        expected.append(earlier);
    QCOMPARE(fenban::gui::recentDatabases(), expected);
    QCOMPARE(fenban::gui::userSettings().fileName(), file);
#endif
}

QTEST_GUILESS_MAIN(UserSettingsTest)
#include "user_settings_test.moc"
