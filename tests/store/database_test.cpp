#include "store/database.h"

#include "store/projects.h"
#include "support/temp_database.h"
#include "support/test_backend.h"
#include "support/test_mount.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using fenban::store::Database;

TEST(Database, FirstUseCreatesPrivateFolderAndFileWithFixedTables) {
    FENBAN_FILE_ONLY();
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("a/fenban"));
    const QString path = folder + QStringLiteral("/qx.db");
    auto opened = Database::open(path);
    ASSERT_TRUE(opened) << opened.error().toStdString();

#ifndef _WIN32
    // Windows keeps no such bits: a profile's folders are the user's own already.
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const auto folderPermissions = QFileInfo(folder).permissions();
    EXPECT_TRUE(folderPermissions.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_FALSE(folderPermissions & others);
    const auto filePermissions = QFileInfo(path).permissions();
    EXPECT_TRUE(filePermissions.testFlags(QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_FALSE(filePermissions & (others | QFile::ExeOwner));
#endif

    QSqlQuery query(opened.value()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA journal_mode")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("wal"));
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT count(*) FROM qx_info, config")));
}

TEST(Database, ExistingFileIsUsedAsItIs) {
    fenban::testing::TempDatabase first;
    first.query(QStringLiteral("INSERT INTO qx_info(memo, num) VALUES('kept', 3)"));
    auto again = Database::open(first.location());
    ASSERT_TRUE(again);
    QSqlQuery query(again.value()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT memo FROM qx_info")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("kept"));
}

TEST(Database, FileThatIsNotADatabaseIsRefused) {
    FENBAN_FILE_ONLY();
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
#ifdef _WIN32
    const QString savedAppData = qEnvironmentVariable("APPDATA");
    _wputenv_s(L"APPDATA", L"C:\\Users\\\u5f20\u8001\u5e08\\AppData\\Roaming");
    EXPECT_EQ(fenban::store::resolveDatabasePath({}),
              QStringLiteral("C:/Users/张老师/AppData/Roaming/fenban/qx.db"));
    _wputenv_s(L"APPDATA", reinterpret_cast<const wchar_t *>(savedAppData.utf16()));
#else
    qputenv("XDG_DATA_HOME", "/xdg");
    EXPECT_EQ(fenban::store::resolveDatabasePath({}), QStringLiteral("/xdg/fenban/qx.db"));
#endif
    qputenv("XDG_DATA_HOME", savedDataHome);
}

namespace {

// Builds a file with a plain connection, as another program (or an earlier version) would have.
void makeFile(const QString &path, const QStringList &statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
}

QByteArray bytesOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 applicationIdOf(const Database &database) {
    QSqlQuery query(database.connection());
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

constexpr qint64 ourMark = 0x46454E42;

} // namespace

TEST(Database, NewAndEmptyFilesBecomeMarkedDatabasesOfOurs) {
    FENBAN_FILE_ONLY();
    QTemporaryDir root;
    const QString empty = root.filePath(QStringLiteral("empty.db"));
    QFile file(empty);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString &path : {root.filePath(QStringLiteral("new.db")), empty}) {
        auto opened = Database::open(path);
        ASSERT_TRUE(opened) << opened.error().toStdString();
        EXPECT_EQ(applicationIdOf(*opened.value()), ourMark);
    }
}

TEST(Database, AFileOfAnEarlierVersionIsMarkedOnFirstUseAndKeepsItsData) {
    FENBAN_FILE_ONLY();
    QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("old.db"));
    makeFile(
        path,
        {QStringLiteral("CREATE TABLE qx_info(id INTEGER PRIMARY KEY AUTOINCREMENT, memo TEXT, num INTEGER,"
                        " update_date DATETIME, table_name TEXT)"),
         QStringLiteral("CREATE TABLE config(id INTEGER PRIMARY KEY, is_avg_person INTEGER, is_avg_total "
                        "INTEGER, is_avg_ch INTEGER, is_avg_math INTEGER, is_avg_eng INTEGER, is_avg_inter "
                        "INTEGER, inter INTEGER, is_man INTEGER, wtNum INTEGER)"),
         QStringLiteral("INSERT INTO qx_info(memo, num) VALUES('去年', 4)")});
    {
        auto opened = Database::open(path);
        ASSERT_TRUE(opened) << opened.error().toStdString();
        EXPECT_EQ(applicationIdOf(*opened.value()), ourMark);
    }
    auto again = Database::open(path);
    ASSERT_TRUE(again) << again.error().toStdString();
    QSqlQuery query(again.value()->connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT memo FROM qx_info")) && query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("去年"));
}

TEST(Database, AnotherProgramsDatabaseIsRefusedAndLeftUnchanged) {
    FENBAN_FILE_ONLY();
    const QStringList foreign[] = {
        {QStringLiteral("CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT)"),
         QStringLiteral("INSERT INTO notes(text) VALUES('x')")},
        // Our table names, but another program's mark.
        {QStringLiteral("PRAGMA application_id=1234"), QStringLiteral("CREATE TABLE qx_info(id INTEGER)"),
         QStringLiteral("CREATE TABLE config(id INTEGER)")},
        // A mark and nothing else is still another program's file.
        {QStringLiteral("PRAGMA application_id=99")},
    };
    for (const QStringList &statements : foreign) {
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("other.db"));
        makeFile(path, statements);
        const QByteArray before = bytesOf(path);
        ASSERT_FALSE(before.isEmpty());
        const auto opened = Database::open(path);
        ASSERT_FALSE(opened) << statements.join(QLatin1Char(';')).toStdString();
        EXPECT_TRUE(opened.error().startsWith(QStringLiteral("不是分班数据库文件")))
            << opened.error().toStdString();
        EXPECT_EQ(bytesOf(path), before);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    }
}

// SQLite would open a device, a folder or a pipe as it opens a file, and leave its journal beside it
// (as root even /dev/null-journal); none of them may reach it.
TEST(Database, APathThatIsNotARegularFileIsRefusedBeforeSQLiteSeesIt) {
    FENBAN_FILE_ONLY();
    QTemporaryDir root;
#ifdef _WIN32
    // Windows has these device names in every folder.
    for (const QString &path :
         {root.filePath(QStringLiteral("NUL")), root.filePath(QStringLiteral("com1.db")),
          root.filePath(QStringLiteral("CON")), root.path()}) {
#else
    const QString fifo = root.filePath(QStringLiteral("pipe.db"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {QStringLiteral("/dev/null"), QStringLiteral("/dev/zero"),
                                QStringLiteral("/dev/full"), root.path(), fifo}) {
#endif
        const auto opened = Database::open(path);
        ASSERT_FALSE(opened) << path.toStdString();
        EXPECT_EQ(opened.error(), QStringLiteral("不是普通文件")) << path.toStdString();
        for (const char *suffix : {"-journal", "-wal", "-shm"})
            EXPECT_FALSE(QFileInfo::exists(path + QLatin1String(suffix))) << path.toStdString() << suffix;
    }
}

// The journal's new pages go to the disk only at the commit, which is where a full disk shows.
TEST(Database, AWriteOnAFullDiskSaysSoAndSavesNothing) {
    FENBAN_FILE_ONLY();
    const auto disk = fenban::testing::TestMount::smallDisk(512);
    if (!disk.mounted())
        GTEST_SKIP() << "a disk of the test's own needs root";
    auto opened = Database::open(disk.filePath(QStringLiteral("qx.db")));
    ASSERT_TRUE(opened) << opened.error().toStdString();
    fenban::store::ProjectStore projects(opened.value()->connection());
    ASSERT_TRUE(projects.create({QStringLiteral("甲"), 3}));
    fenban::testing::fillDisk(disk.filePath(QStringLiteral("filler")));

    const auto refused = projects.create({QStringLiteral("乙"), 3});
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().startsWith(QStringLiteral("磁盘已满，正在进行的修改没有保存")))
        << refused.error().toStdString();
    ASSERT_TRUE(QFile::remove(disk.filePath(QStringLiteral("filler"))));
    const auto listed = projects.list();
    ASSERT_TRUE(listed) << listed.error().toStdString();
    ASSERT_EQ(listed->size(), 1);
    EXPECT_EQ(listed->front().memo, QStringLiteral("甲"));
}

namespace fenban::store {
namespace {

// A server that drops the connection (a restart) leaves a connection Qt still calls open: a read
// fails with a message that says so, and reconnectIfLost brings the same connection back.
TEST(Database, ALostServerConnectionIsNamedAndReconnected) {
    if (!testing::onServer())
        GTEST_SKIP() << "server only";
    testing::TempDatabase temp;
    QSqlDatabase db = temp.connection();
    ASSERT_TRUE(ProjectStore(db).create({QStringLiteral("甲"), 3}));
    {
        QSqlQuery suicide(db);
        EXPECT_FALSE(suicide.exec(QStringLiteral("SELECT pg_terminate_backend(pg_backend_pid())")));
    }
    const auto lost = ProjectStore(db).list();
    ASSERT_FALSE(lost);
    EXPECT_TRUE(lost.error().contains(QStringLiteral("与数据库服务器的连接已断开")))
        << lost.error().toStdString();

    ASSERT_TRUE(reconnectIfLost(db));
    const auto listed = ProjectStore(db).list();
    ASSERT_TRUE(listed) << listed.error().toStdString();
    ASSERT_EQ(listed->size(), 1);
    EXPECT_EQ(listed->front().memo, QStringLiteral("甲"));
    EXPECT_TRUE(reconnectIfLost(db)); // a live connection is left as it is
}

// The test server's address for another role, with `options` as its libpq options when given.
QString serverAddressFor(const QString &user, const QString &options = {}) {
    QUrl url(testing::serverUrl());
    url.setUserName(user);
    if (!options.isEmpty())
        url.setQuery(QStringLiteral("options=") + QString::fromLatin1(QUrl::toPercentEncoding(options)));
    return url.toString();
}

// An environment variable set for the object's life, with no trace left.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_saved(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (m_had)
            qputenv(m_name, m_saved);
        else
            qunsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_saved;
};

// The test server asks the role fenban_test_password, and it only, for its password (the same as its name).
TEST(Database, AServerThatRefusesTheLoginSaysWhetherAPasswordIsMissingOrWrong) {
    if (!testing::onServer())
        GTEST_SKIP() << "server only";
    const ScopedEnvironment noPasswordFile("PGPASSFILE", "/nonexistent/pgpass");
    const QString address = serverAddressFor(QStringLiteral("fenban_test_password"));
    struct Case {
        QByteArray environment;
        QString typed;
        QString message;
    };
    const Case cases[] = {
        {QByteArray(), QString(), passwordRequiredMessage()},
        {QByteArray("wrong"), QString(), wrongPasswordMessage()},
        {QByteArray(), QStringLiteral("wrong"), wrongPasswordMessage()},
    };
    for (const Case &c : cases) {
        const ScopedEnvironment password("PGPASSWORD", c.environment);
        setSessionPassword(address, c.typed);
        const auto opened = Database::open(address);
        setSessionPassword(address, {});
        ASSERT_FALSE(opened) << c.environment.constData() << c.typed.toStdString();
        EXPECT_EQ(opened.error(), c.message) << c.environment.constData() << c.typed.toStdString();
    }
}

// A role let in to a database it has no schema of its own in is told so, not shown a failed CREATE TABLE.
TEST(Database, ARoleWithoutASchemaToCreateTablesInIsToldWhatTheAdministratorMustDo) {
    if (!testing::onServer())
        GTEST_SKIP() << "server only";
    const ScopedEnvironment password("PGPASSWORD", "fenban_test_password");
    struct Case {
        QString address;
        QString message;
    };
    const Case cases[] = {
        // The database's public schema is its owner's only.
        {serverAddressFor(QStringLiteral("fenban_test_password")),
         QStringLiteral(
             "数据库用户 fenban_test_password 不能在模式 public 中建表，请数据库管理员为该用户建立自己的模式"
             " (CREATE SCHEMA 模式名 AUTHORIZATION fenban_test_password)")},
        {serverAddressFor(QUrl(testing::serverUrl()).userName(),
                          QStringLiteral("-csearch_path=no_such_schema")),
         QStringLiteral("数据库用户 fenban_test 没有可以建表的模式 (search_path "
                        "中的模式都不存在)，请数据库管理员为该用户"
                        "建立自己的模式 (CREATE SCHEMA 模式名 AUTHORIZATION fenban_test)")},
    };
    for (const Case &c : cases) {
        const auto opened = Database::open(c.address);
        ASSERT_FALSE(opened) << c.address.toStdString();
        EXPECT_EQ(opened.error(), c.message);
    }
}

// Two schools on one server database, each a role owning a schema of its own: the roles' rights, not
// the address, keep them apart, so naming the other school's schema in `options` reaches nothing of it.
TEST(Database, OneSchoolsRoleCannotReadAnotherSchoolsProjects) {
    if (!testing::onServer())
        GTEST_SKIP() << "server only";
    const QString suffix = QString::number(QCoreApplication::applicationPid());
    const QString schoolA = QStringLiteral("fenban_school_a_") + suffix;
    const QString schoolB = QStringLiteral("fenban_school_b_") + suffix;
    const auto admin = [](const QString &sql) {
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("school-admin")));
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
    };
    const auto dropSchools = [&] {
        for (const QString &school : {schoolA, schoolB}) {
            admin(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(school));
            admin(QStringLiteral("DROP ROLE IF EXISTS %1").arg(school));
        }
    };
    testing::connectToTestServer(QStringLiteral("school-admin"));
    dropSchools();
    for (const QString &school : {schoolA, schoolB}) {
        admin(QStringLiteral("CREATE ROLE %1 LOGIN").arg(school));
        // The administrator creates the schema for the role, which then owns it.
        admin(QStringLiteral("GRANT %1 TO CURRENT_USER").arg(school));
        admin(QStringLiteral("CREATE SCHEMA %1 AUTHORIZATION %1").arg(school));
    }
    {
        auto own = Database::open(serverAddressFor(schoolB));
        ASSERT_TRUE(own) << own.error().toStdString();
        ASSERT_TRUE(ProjectStore(own.value()->connection()).create({QStringLiteral("乙校新生"), 3}));

        auto other = Database::open(serverAddressFor(schoolA, QStringLiteral("-csearch_path=") + schoolB));
        ASSERT_FALSE(other);
        EXPECT_TRUE(other.error().contains(QStringLiteral("没有可以建表的模式")))
            << other.error().toStdString();

        auto mine = Database::open(serverAddressFor(schoolA));
        ASSERT_TRUE(mine) << mine.error().toStdString();
        const auto listed = ProjectStore(mine.value()->connection()).list();
        ASSERT_TRUE(listed) << listed.error().toStdString();
        EXPECT_TRUE(listed->isEmpty());
        QSqlQuery reach(mine.value()->connection());
        EXPECT_FALSE(reach.exec(QStringLiteral("SELECT memo FROM %1.qx_info").arg(schoolB)));
        EXPECT_EQ(reach.lastError().nativeErrorCode(), QStringLiteral("42501"));
    }
    dropSchools();
    QSqlDatabase::removeDatabase(QStringLiteral("school-admin"));
}

} // namespace
} // namespace fenban::store
