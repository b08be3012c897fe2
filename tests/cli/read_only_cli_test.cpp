#include "cli_runner.h"
#include "support/test_mount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using fenban::testing::Outcome;

class ReadOnlyCli : public fenban::testing::Cli {};

QByteArray bytesOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A database on a medium that cannot be written (a CD, a write-protected stick, a share mounted
// read-only) is read as it is: listing, exporting and printing work, every change is refused with a
// message, and nothing is written there, not even the journal's files.
TEST_F(ReadOnlyCli, ADatabaseOnAReadOnlyMountIsReadAndEveryChangeRefused) {
    FENBAN_FILE_ONLY();
    projectWithStudents(2);
    ASSERT_EQ(runOnDb({QStringLiteral("divide"), QStringLiteral("1")}).exitCode, 0);
    const auto mount = fenban::testing::TestMount::readOnlyView(m_dir.path());
    if (!mount.mounted())
        GTEST_SKIP() << "a read-only mount needs root";
    const QString database = mount.filePath(QStringLiteral("qx.db"));
    const QStringList entries = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const QByteArray before = bytesOf(dbPath());
    const QTemporaryDir elsewhere;
    const QString out = elsewhere.path();

    const QStringList reads[] = {
        {QStringLiteral("projects")},
        {QStringLiteral("students"), QStringLiteral("1")},
        {QStringLiteral("export"), QStringLiteral("1"), out + QStringLiteral("/classes.csv")},
        {QStringLiteral("roster"), QStringLiteral("1"), out + QStringLiteral("/roster.xlsx")},
    };
    for (const QStringList &command : reads) {
        const Outcome outcome = run(QStringList{QStringLiteral("--db"), database} + command);
        EXPECT_EQ(outcome.exitCode, 0)
            << command.join(u' ').toStdString() << ": " << outcome.err.toStdString();
    }
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/classes.csv")));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/roster.xlsx")));

    const QStringList changes[] = {
        {QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("新"), QStringLiteral("--classes"),
         QStringLiteral("2")},
        {QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"), QStringLiteral("9")},
        {QStringLiteral("divide"), QStringLiteral("1")},
        {QStringLiteral("delete"), QStringLiteral("1")},
    };
    for (const QStringList &command : changes) {
        const Outcome outcome = run(QStringList{QStringLiteral("--db"), database} + command);
        EXPECT_EQ(outcome.exitCode, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(QStringLiteral("数据库文件只读，无法写入")))
            << command.join(u' ').toStdString() << ": " << outcome.err.toStdString();
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
    EXPECT_TRUE(bytesOf(dbPath()) == before) << "the database file was changed";
}
