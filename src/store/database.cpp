#include "store/database.h"

#include "common/device_names.h"
#include "store/dialect.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fenban::store {

namespace {

struct OpenLocations {
    QMutex mutex;
    QHash<QString, QString> byConnection;
};

OpenLocations &openLocations() {
    static OpenLocations locations;
    return locations;
}

void rememberLocation(const QString &connectionName, const QString &location) {
    OpenLocations &open = openLocations();
    const QMutexLocker lock(&open.mutex);
    if (location.isEmpty())
        open.byConnection.remove(connectionName);
    else
        open.byConnection.insert(connectionName, location);
}

// The server's notices ("already exists, skipping") would otherwise reach the console.
Status quietNotices(QSqlDatabase db) {
    QSqlQuery quiet(db);
    if (!quiet.exec(QStringLiteral("SET client_min_messages TO warning")))
        return Status::failure(describeError(quiet.lastError()));
    return Status::success();
}

// The tables go into the first schema of the search path that exists; the server checks the right to
// create them there even for tables that exist already. A role without one is told what the
// administrator has to do, rather than shown the failed CREATE TABLE.
Status checkCreatableSchema(QSqlDatabase db) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT current_user, current_schema(),"
                                   " has_schema_privilege(current_schema(), 'CREATE')")))
        return Status::failure(describeError(query.lastError()));
    const Result<bool> row = nextRow(query);
    if (!row || !row.value())
        return Status::failure(row ? QStringLiteral("读不到数据库用户的模式") : row.error());
    const QString user = query.value(0).toString();
    const QString ownSchema =
        QStringLiteral("请数据库管理员为该用户建立自己的模式 (CREATE SCHEMA 模式名 AUTHORIZATION %1)")
            .arg(user);
    if (query.value(1).isNull())
        return Status::failure(
            QStringLiteral("数据库用户 %1 没有可以建表的模式 (search_path 中的模式都不存在)，").arg(user) +
            ownSchema);
    if (!query.value(2).toBool())
        return Status::failure(
            QStringLiteral("数据库用户 %1 不能在模式 %2 中建表，").arg(user, query.value(1).toString()) +
            ownSchema);
    return Status::success();
}

// A database some other program keeps a `config` in is not ours to read or write.
Status refuseForeignServerDatabase(QSqlDatabase db) {
    const Result<QStringList> tables = tableNames(db);
    if (!tables)
        return Status::failure(tables.error());
    if (tables->contains(QStringLiteral("config")) != tables->contains(QStringLiteral("qx_info")))
        return Status::failure(QStringLiteral("不是分班数据库"));
    return Status::success();
}

QString nextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("fenban-%1").arg(counter.fetchAndAddRelaxed(1));
}

// SQLite opens a device, a folder or a pipe as readily as a file and puts its journal beside it (as
// root, /dev/null-journal for everyone to write); only a regular file, or a path not there yet, is a
// database. A link to a regular file is one.
Status refuseIrregularFile(const QString &path) {
#ifdef _WIN32
    // Windows finds these names in every folder, and they are devices there.
    if (isWindowsDeviceName(path))
        return Status::failure(QStringLiteral("不是普通文件"));
#endif
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return Status::failure(QStringLiteral("不是普通文件"));
    return Status::success();
}

// Asked without opening the file (see preparePrivateFile); a read-only mount says no even to root.
bool canWrite(const QString &path) {
#ifdef _WIN32
    // Wide, since a teacher's folder name need not fit the system's code page.
    return ::_waccess(QDir::toNativeSeparators(path).toStdWString().c_str(), 2) == 0;
#else
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
#endif
}

// A journalled file is written beside itself too: its -wal and -shm must be there or be made.
bool canWriteFile(const QString &path) {
    if (!canWrite(path))
        return false;
    return canWrite(QFileInfo(path).absolutePath()) || (QFileInfo::exists(path + QStringLiteral("-wal")) &&
                                                        QFileInfo::exists(path + QStringLiteral("-shm")));
}

// Creates the folder and the empty file with owner-only access before SQLite touches them, so
// student data is never readable by other users, not even for a moment.
Status preparePrivateFile(const QString &path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return Status::failure(QStringLiteral("无法创建文件夹 %1").arg(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (info.exists())
        return Status::success();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        return Status::failure(QStringLiteral("无法创建文件 %1: %2").arg(path, file.errorString()));
    return Status::success();
}

// Marks the file as ours in its header, so that another program's database is never taken for one.
constexpr qint64 applicationId = 0x46454E42; // "FENB"

enum class FileKind { Empty, Ours, OursUnmarked, Foreign };

// Judged from the header and the schema only, before anything is written: a file of another
// program must leave this function as it came.
Result<FileKind> fileKind(QSqlDatabase db) {
    using R = Result<FileKind>;
    QSqlQuery query(db);
    // The first statement is where SQLite notices a file that is not a database.
    if (!query.exec(QStringLiteral("PRAGMA application_id")))
        return R::failure(describeError(query.lastError()));
    const Result<bool> idRead = nextRow(query);
    if (!idRead || !idRead.value())
        return R::failure(idRead ? QStringLiteral("读不到数据库文件的标记") : idRead.error());
    const qint64 id = query.value(0).toLongLong();
    if (id == applicationId)
        return R::success(FileKind::Ours);
    if (id != 0)
        return R::success(FileKind::Foreign);

    const Result<QStringList> listed = tableNames(db);
    if (!listed)
        return R::failure(listed.error());
    const QStringList &tables = listed.value();
    if (tables.isEmpty())
        return R::success(FileKind::Empty);
    // Files of earlier versions carry no mark; they are known by the two fixed tables.
    if (tables.contains(QStringLiteral("qx_info")) && tables.contains(QStringLiteral("config")))
        return R::success(FileKind::OursUnmarked);
    return R::success(FileKind::Foreign);
}

// Marks the file and creates the fixed tables, together.
Status markAndCreateTables(QSqlDatabase db) {
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    QSqlQuery query(db);
    // A pragma takes no bound values; the number is our constant.
    if (!query.exec(QStringLiteral("PRAGMA application_id=%1").arg(applicationId)))
        return Status::failure(describeError(query.lastError()));
    if (const Status fixed = createFixedTables(db); !fixed)
        return fixed;
    return transaction.commit();
}

} // namespace

Database::Database(QString connectionName, QString path, Backend backend)
    : m_connectionName(std::move(connectionName)), m_path(std::move(path)), m_backend(backend) {}

Database::~Database() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    rememberLocation(m_connectionName, {});
}

QString locationOf(const QSqlDatabase &db) {
    OpenLocations &open = openLocations();
    const QMutexLocker lock(&open.mutex);
    // A file read without its journal is opened by a URI that is not its path.
    return open.byConnection.value(db.connectionName(),
                                   backendOf(db) == Backend::SQLite ? db.databaseName() : QString());
}

QSqlDatabase Database::connection() const {
    return QSqlDatabase::database(m_connectionName, false);
}

Result<std::unique_ptr<Database>> Database::open(const QString &location, Access access) {
    using R = Result<std::unique_ptr<Database>>;
    const Result<DatabaseLocation> parsed = parseDatabaseLocation(location);
    if (!parsed)
        return R::failure(parsed.error());
    if (parsed->backend == Backend::PostgreSQL)
        return openServer(location, parsed.value(), access);
    const QString &path = parsed->path;
    if (const Status regular = refuseIrregularFile(path); !regular)
        return R::failure(regular.error());
    if (access == Access::ReadOnly && !QFileInfo::exists(path))
        return R::failure(QStringLiteral("文件不存在"));
    if (access == Access::ReadWrite && QFileInfo::exists(path) && !canWriteFile(path))
        access = Access::ReadOnly;
    if (access == Access::ReadWrite) {
        if (const Status prepared = preparePrivateFile(path); !prepared)
            return R::failure(prepared.error());
    }

    std::unique_ptr<Database> database(new Database(nextConnectionName(), path, Backend::SQLite));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), database->m_connectionName);
    QStringList options{QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000")};
    if (access == Access::ReadOnly)
        options.append(QStringLiteral("QSQLITE_OPEN_READONLY"));
    // Reading a journalled file needs its -shm beside it, made by the first reader. Where no reader can
    // make one and no -wal holds changes, nothing can change the file while it is read: SQLite is told
    // so, and reads it without the journal's files.
    if (access == Access::ReadOnly && !canWrite(QFileInfo(path).absolutePath()) &&
        !QFileInfo::exists(path + QStringLiteral("-wal"))) {
        QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        uri.setQuery(QStringLiteral("immutable=1"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        options.append(QStringLiteral("QSQLITE_OPEN_URI"));
    } else {
        db.setDatabaseName(path);
    }
    db.setConnectOptions(options.join(QLatin1Char(';')));
    rememberLocation(database->m_connectionName, path);
    if (!db.open())
        return R::failure(db.lastError().text());

    const Result<FileKind> kind = fileKind(db);
    if (!kind)
        return R::failure(kind.error());
    // The callers put the file's name before the message.
    if (kind.value() == FileKind::Foreign)
        return R::failure(QStringLiteral("不是分班数据库文件"));
    if (access == Access::ReadOnly)
        return R::success(std::move(database));

    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return R::failure(describeError(pragma.lastError()));
    // Its answer ("wal") left unread would keep the statement open and block the commit below.
    pragma.finish();
    if (kind.value() == FileKind::Ours) {
        // Ours already; the fixed tables are created only where a crash or a hand left them out.
        if (const Status fixed = createFixedTables(db); !fixed)
            return R::failure(fixed.error());
    } else if (const Status marked = markAndCreateTables(db); !marked) {
        return R::failure(marked.error());
    }
    return R::success(std::move(database));
}

Result<std::unique_ptr<Database>> Database::openServer(const QString &address,
                                                       const DatabaseLocation &location, Access access) {
    using R = Result<std::unique_ptr<Database>>;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
#ifdef _WIN32
        // The Windows build carries no PostgreSQL driver yet.
        return R::failure(QStringLiteral("Windows 版暂不能连接 PostgreSQL 服务器上的数据库，"
                                         "请使用本机的数据库文件 (.db)"));
#else
        return R::failure(QStringLiteral("没有安装 PostgreSQL 的数据库驱动 (libqt6sql6-psql)"));
#endif
    }
    std::unique_ptr<Database> database(
        new Database(nextConnectionName(), location.display(), Backend::PostgreSQL));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), database->m_connectionName);
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setUserName(location.user);
    db.setDatabaseName(location.databaseName);
    // Empty unless the teacher typed one in this session; libpq otherwise looks in PGPASSWORD and ~/.pgpass.
    const QString password = sessionPassword(address);
    QStringList options;
    for (const QString &option : location.options) {
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        QString value = option.mid(equals + 1);
        value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\''), QStringLiteral("\\'"));
        options.append(option.left(equals) + QStringLiteral("='") + value + QLatin1Char('\''));
    }
    // A server that does not answer should not hold the window for minutes.
    if (!location.options.join(QLatin1Char(' ')).contains(QStringLiteral("connect_timeout=")))
        options.append(QStringLiteral("connect_timeout=10"));
    db.setConnectOptions(options.join(QLatin1Char(';')));
    rememberLocation(database->m_connectionName, address.trimmed());
    if (!(password.isEmpty() ? db.open() : db.open(location.user, password))) {
        const QSqlError error = db.lastError();
        const QString text = error.databaseText();
        // A password from PGPASSWORD or ~/.pgpass that the server refuses is as wrong as a typed one.
        if (text.contains(QStringLiteral("no password supplied")))
            return R::failure(passwordRequiredMessage());
        if (text.contains(QStringLiteral("password authentication failed")) ||
            error.nativeErrorCode() == QStringLiteral("28P01"))
            return R::failure(wrongPasswordMessage());
        return R::failure(QStringLiteral("无法连接数据库服务器: ") + text.trimmed());
    }
    if (const Status quiet = quietNotices(db); !quiet)
        return R::failure(quiet.error());
    if (access == Access::ReadOnly) {
        QSqlQuery readOnly(db);
        if (!readOnly.exec(QStringLiteral("SET default_transaction_read_only TO on")))
            return R::failure(describeError(readOnly.lastError()));
        if (const Status ours = refuseForeignServerDatabase(db); !ours)
            return R::failure(ours.error());
        return R::success(std::move(database));
    }
    // Two programs opening an empty database at once must not both create the tables.
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return R::failure(begun.error());
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1, 0)").arg(applicationId)))
        return R::failure(describeError(query.lastError()));
    query.finish();
    if (const Status ours = refuseForeignServerDatabase(db); !ours)
        return R::failure(ours.error());
    if (const Status creatable = checkCreatableSchema(db); !creatable)
        return R::failure(creatable.error());
    if (const Status fixed = createFixedTables(db); !fixed)
        return R::failure(fixed.error());
    if (const Status committed = transaction.commit(); !committed)
        return R::failure(committed.error());
    return R::success(std::move(database));
}

Status reconnectIfLost(QSqlDatabase db) {
    if (backendOf(db) != Backend::PostgreSQL)
        return Status::success();
    if (db.isOpen()) {
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("SELECT 1")))
            return Status::success();
        if (!isConnectionLost(probe.lastError()))
            return Status::failure(describeError(probe.lastError()));
    }
    db.close();
    const QString password = sessionPassword(locationOf(db));
    if (!(password.isEmpty() ? db.open() : db.open(db.userName(), password)))
        return Status::failure(QStringLiteral("无法重新连接数据库服务器: ") +
                               db.lastError().databaseText().trimmed());
    return quietNotices(db);
}

QString passwordRequiredMessage() {
    return QStringLiteral("数据库服务器要求输入密码");
}

QString wrongPasswordMessage() {
    return QStringLiteral("数据库服务器拒绝登录，用户名或密码不正确");
}

QString defaultDatabasePath() {
#ifdef _WIN32
    // The roaming profile's folder, where Windows programs keep a user's own data (Qt's generic data
    // folder there is the local one).
    QString dataHome = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/AppData/Roaming");
#else
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    return dataHome + QStringLiteral("/fenban/qx.db");
}

QString resolveDatabasePath(const QString &commandLinePath) {
    if (!commandLinePath.isEmpty())
        return commandLinePath;
    const QString fromEnvironment = qEnvironmentVariable("FENBAN_DB");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return defaultDatabasePath();
}

} // namespace fenban::store
