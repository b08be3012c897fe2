#include "cli_runner.h"
#include "support/test_backend.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QVariant>

#ifndef _WIN32
#include <signal.h>
#endif

#include <map>

using fenban::testing::Outcome;

namespace {

// A connection of the test's own, on a file (through SQLite) or on the test server, closed with the object.
class Connection {
public:
    explicit Connection(const QString &driver) : m_name(QStringLiteral("copy-db-test-%1").arg(counter++)) {
        m_db = QSqlDatabase::addDatabase(driver, m_name);
    }
    ~Connection() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    QSqlDatabase &db() { return m_db; }
    void exec(const QString &sql) {
        QSqlQuery query(m_db);
        ASSERT_TRUE(query.exec(sql)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
    }

private:
    static inline int counter = 0;
    QString m_name;
    QSqlDatabase m_db;
};

// Every table of a database file, each as its rows sorted, each cell with its kind (SQLite's
// integer, real, text, bytes or NULL), the file's own counters included.
std::map<QString, QStringList> dumpFile(const QString &path) {
    std::map<QString, QStringList> tables;
    Connection connection(QStringLiteral("QSQLITE"));
    connection.db().setDatabaseName(path);
    EXPECT_TRUE(connection.db().open());
    QStringList names;
    {
        QSqlQuery list(connection.db());
        EXPECT_TRUE(list.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")));
        while (list.next())
            names.append(list.value(0).toString());
    }
    for (const QString &table : names) {
        QSqlQuery query(connection.db());
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM ") + table));
        QStringList rows;
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.record().count(); ++i) {
                const QVariant value = query.value(i);
                cells.append(value.isNull() ? QStringLiteral("NULL")
                             : value.typeId() == QMetaType::QByteArray
                                 ? QStringLiteral("bytes:") + QString::fromLatin1(value.toByteArray().toHex())
                                 : QString::fromLatin1(value.typeName()) + QLatin1Char(':') +
                                       value.toString());
            }
            rows.append(cells.join(QLatin1Char('|')));
        }
        rows.sort();
        tables[table] = rows;
    }
    return tables;
}

const QString copyDb = QStringLiteral("copy-db");

// The source file: two projects with students (one score only exact with every digit, one left
// empty), changed settings, a rule and a history of divisions and a move.
class CopyDbCli : public fenban::testing::Cli {
protected:
    void SetUp() override {
        for (const QString &memo : {QStringLiteral("2025级 新生"), QStringLiteral("插班生")}) {
            const Outcome created = onFile({QStringLiteral("new"), QStringLiteral("--memo"), memo,
                                            QStringLiteral("--classes"), QStringLiteral("2")});
            ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        }
        const QStringList steps[] = {
            {QStringLiteral("import"), QStringLiteral("1"),
             QStringLiteral(FENBAN_TEST_DATA "/import/students.csv")},
            {QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"), QStringLiteral("7"),
             QStringLiteral("--optimise-seconds"), QStringLiteral("2.5"), QStringLiteral("--optimise-after"),
             QStringLiteral("0")},
            {QStringLiteral("divide"), QStringLiteral("1")},
            {QStringLiteral("apart"), QStringLiteral("1"), QStringLiteral("20260001"),
             QStringLiteral("20260002")},
            {QStringLiteral("move"), QStringLiteral("1"), QStringLiteral("20260003"), QStringLiteral("2")},
        };
        for (const QStringList &step : steps) {
            const Outcome done = onFile(step);
            ASSERT_EQ(done.exitCode, 0) << done.err.toStdString();
        }
        Connection file(QStringLiteral("QSQLITE"));
        file.db().setDatabaseName(dbPath());
        ASSERT_TRUE(file.db().open());
        file.exec(QStringLiteral(
            "UPDATE qx_1 SET math=0.30000000000000004, english=NULL WHERE student_id=20260001"));
    }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // Always the file, whichever database the other command-line tests run on.
    Outcome onFile(const QStringList &arguments) {
        return run(QStringList{QStringLiteral("--db"), dbPath()} + arguments);
    }

    const QString copiedLines = QStringLiteral("已复制: 1 2025级 新生 (3名学生)\n已复制: 2 插班生 (0名学生)\n"
                                               "共复制2个分班项目\n");
};

} // namespace

TEST_F(CopyDbCli, AFileCopiedToAnotherFileHasTheSameTables) {
    const Outcome copied = run({copyDb, dbPath(), file(QStringLiteral("copy.db"))});
    ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(copied.out, copiedLines);
    EXPECT_EQ(dumpFile(file(QStringLiteral("copy.db"))), dumpFile(dbPath()));
}

TEST_F(CopyDbCli, AFileCopiedToTheServerAndBackHasTheSameTables) {
    if (fenban::testing::serverUrl().isEmpty())
        GTEST_SKIP() << "FENBAN_TEST_POSTGRESQL names no test server";
    const fenban::testing::ServerSchema schema;
    const Outcome up = run({copyDb, dbPath(), schema.location()});
    ASSERT_EQ(up.exitCode, 0) << up.err.toStdString();
    EXPECT_EQ(up.out, copiedLines);
    const Outcome down = run({copyDb, schema.location(), file(QStringLiteral("back.db"))});
    ASSERT_EQ(down.exitCode, 0) << down.err.toStdString();
    EXPECT_EQ(down.out, copiedLines);
    EXPECT_EQ(dumpFile(file(QStringLiteral("back.db"))), dumpFile(dbPath()));
}

TEST_F(CopyDbCli, RefusedCopiesChangeNothing) {
    const QString taken = file(QStringLiteral("taken.db"));
    ASSERT_EQ(run({copyDb, dbPath(), taken}).exitCode, 0);
    const auto before = dumpFile(taken);
    const QString missing = file(QStringLiteral("missing.db"));
    const QString sameFile = file(QStringLiteral("sub/../qx.db"));
    QDir(m_dir.path()).mkdir(QStringLiteral("sub"));
    const QString missingFolder = file(QStringLiteral("nowhere"));
    const QString inMissingFolder = missingFolder + QStringLiteral("/new.db");

    struct Case {
        QStringList arguments;
        int exitCode;
        QString message;
    };
#ifdef _WIN32
    const QString device = file(QStringLiteral("NUL"));
    const QString otherDevice = file(QStringLiteral("com1.db"));
#else
    const QString device = QStringLiteral("/dev/null");
    const QString otherDevice = QStringLiteral("/dev/full");
#endif
    const Case cases[] = {
        {{copyDb, dbPath(), taken}, 1, QStringLiteral("目标数据库中已有编号相同的分班项目: 1, 2")},
        {{copyDb, missing, file(QStringLiteral("new.db"))},
         1,
         QStringLiteral("无法打开数据库文件 %1: 文件不存在").arg(missing)},
        {{copyDb, device, file(QStringLiteral("new.db"))},
         1,
         QStringLiteral("无法打开数据库文件 %1: 不是普通文件").arg(device)},
        {{copyDb, dbPath(), otherDevice},
         1,
         QStringLiteral("无法打开数据库文件 %1: 不是普通文件").arg(otherDevice)},
        {{copyDb, dbPath(), inMissingFolder},
         1,
         QStringLiteral("无法打开数据库文件 %1: 文件夹不存在: %2").arg(inMissingFolder, missingFolder)},
        {{copyDb, dbPath(), sameFile}, 1, QStringLiteral("源数据库和目标数据库是同一个: %1").arg(dbPath())},
        {{copyDb, dbPath()}, 2, QStringLiteral("缺少源数据库和目标数据库")},
    };
    for (const Case &c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(outcome.err, QDir::toNativeSeparators(c.message) + u'\n');
        EXPECT_TRUE(outcome.out.isEmpty());
    }
    EXPECT_EQ(dumpFile(taken), before);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("new.db"))));
    EXPECT_FALSE(QFile::exists(otherDevice + QStringLiteral("-journal")));
    EXPECT_FALSE(QFile::exists(missingFolder));
}

// A file of an earlier version carries no mark, keeps its rollback journal and lacks the newer
// tables; copying from it reads it as it is and leaves every byte of it alone.
TEST_F(CopyDbCli, AnEarlierVersionsFileIsCopiedWithoutBeingChanged) {
    const QString old = file(QStringLiteral("old.db"));
    {
        Connection maker(QStringLiteral("QSQLITE"));
        maker.db().setDatabaseName(old);
        ASSERT_TRUE(maker.db().open());
        for (const char *sql :
             {"CREATE TABLE qx_info(id INTEGER PRIMARY KEY AUTOINCREMENT, memo TEXT, num INTEGER,"
              " update_date DATETIME, table_name TEXT)",
              "CREATE TABLE config(id INTEGER PRIMARY KEY, is_avg_person INTEGER, is_avg_total INTEGER,"
              " is_avg_ch INTEGER, is_avg_math INTEGER, is_avg_eng INTEGER, is_avg_inter INTEGER,"
              " inter INTEGER, is_man INTEGER, wtNum INTEGER)",
              "CREATE TABLE qx_1(student_id INTEGER PRIMARY KEY, rec_id TEXT, student_name TEXT, sex TEXT,"
              " class_id int, math float, english float, chinese float, wuli float, zhengzhi float,"
              " lishi float, tiyu float, dili float, shengwu float, oral_school TEXT, addr TEXT,"
              " type int, pingyin TEXT, qxMemo TEXT, pfType TEXT)",
              "INSERT INTO qx_info(memo, num, update_date, table_name) VALUES('去年', 2, '2024-08-01 "
              "09:00:00',"
              " 'qx_1')",
              "INSERT INTO config VALUES(1, 1, 1, 1, 1, 1, 1, 1, 0, 50)",
              "INSERT INTO qx_1(student_id, student_name, sex, class_id, math) VALUES(1001, '张三', '男', 1, "
              "90)",
              "INSERT INTO qx_1(student_id, student_name, sex, class_id, math) VALUES(1002, '李四', '女', 2, "
              "80)"})
            maker.exec(QString::fromUtf8(sql));
    }
    QFile source(old);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray before = source.readAll();
    source.close();

    const QString target = file(QStringLiteral("new.db"));
    const Outcome copied = run({copyDb, old, target});
    ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(copied.out, QStringLiteral("已复制: 1 去年 (2名学生)\n共复制1个分班项目\n"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_TRUE(source.readAll() == before) << "the source file was changed";
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        EXPECT_FALSE(QFile::exists(old + QLatin1String(suffix))) << suffix;
    const auto tables = dumpFile(target);
    EXPECT_EQ(tables.at(QStringLiteral("qx_1")).size(), 2);
    EXPECT_EQ(tables.at(QStringLiteral("config")), dumpFile(old).at(QStringLiteral("config")));
}

// The target's write lock, held by the test, keeps the copy waiting until Ctrl+C has come; once the
// lock is released the copy goes on to its first project and stops there.
TEST_F(CopyDbCli, CtrlCStopsTheCopyWithNothingWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "Ctrl+C reaches only a program on the test's own console; see InterruptCli";
#else
    const QString target = file(QStringLiteral("target.db"));
    ASSERT_EQ(run({QStringLiteral("--db"), target, QStringLiteral("projects")}).exitCode, 0);
    const auto before = dumpFile(target);

    Connection holder(QStringLiteral("QSQLITE"));
    holder.db().setDatabaseName(target);
    ASSERT_TRUE(holder.db().open());
    holder.exec(QStringLiteral("BEGIN IMMEDIATE"));
    QProcess process;
    process.start(QStringLiteral(FENBAN_CLI_PATH), {copyDb, dbPath(), target});
    ASSERT_TRUE(process.waitForStarted());
    // Once the program catches Ctrl+C (its mask in /proc shows SIGINT), the signal is noted, not fatal.
    const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
    const auto catchesInterrupt = [&status] {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.startsWith("SigCgt:"))
                return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGINT - 1)) & 1) != 0;
        return false;
    };
    for (int wait = 0; wait < 600 && !catchesInterrupt(); ++wait)
        QThread::msleep(50);
    ASSERT_TRUE(catchesInterrupt()) << process.readAllStandardError().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    holder.exec(QStringLiteral("ROLLBACK"));

    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
              QStringLiteral("复制已停止，目标数据库没有改变\n"));
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
    EXPECT_EQ(dumpFile(target), before);
#endif
}
