#include "store/database.h"

#include "support/temp_database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using fenban::store::Database;

TEST(Database, FirstUseCreatesPrivateFolderAndFileWithFixedTables) {
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("a/fenban"));
    const QString path = folder + QStringLiteral("/qx.db");
    auto opened = Database::open(path);
    ASSERT_TRUE(opened) << opened.error().toStdString();

    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const auto folderPermissions = QFileInfo(folder).permissions();
    EXPECT_TRUE(folderPermissions.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_FALSE(folderPermissions & others);
    const auto filePermissions = QFileInfo(path).permissions();
    EXPECT_TRUE(filePermissions.testFlags(QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_FALSE(filePermissions & (others | QFile::ExeOwner));

    QSqlQuery query(opened.value()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA journal_mode")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("wal"));
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT count(*) FROM qx_info, config")));
}

TEST(Database, ExistingFileIsUsedAsItIs) {
    fenban::testing::TempDatabase first;
    first.query(QStringLiteral("INSERT INTO qx_info(memo, num) VALUES('kept', 3)"));
    auto again = Database::open(first.path());
    ASSERT_TRUE(again);
    QSqlQuery query(again.value()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT memo FROM qx_info")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("kept"));
}

TEST(Database, FileThatIsNotADatabaseIsRefused) {
    QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("qx.db"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    const auto opened = Database::open(path);
    ASSERT_FALSE(opened);
    EXPECT_FALSE(opened.error().isEmpty());
}

TEST(Database, PathComesFromCommandLineThenEnvironmentThenDefault) {
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("FENBAN_DB", "/env/qx.db");
    EXPECT_EQ(fenban::store::resolveDatabasePath(QStringLiteral("/cli/qx.db")), QStringLiteral("/cli/qx.db"));
    EXPECT_EQ(fenban::store::resolveDatabasePath({}), QStringLiteral("/env/qx.db"));
    qunsetenv("FENBAN_DB");
    qputenv("XDG_DATA_HOME", "/xdg");
    EXPECT_EQ(fenban::store::resolveDatabasePath({}), QStringLiteral("/xdg/fenban/qx.db"));
    qputenv("XDG_DATA_HOME", savedDataHome);
}
