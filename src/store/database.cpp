#include "store/database.h"

#include "store/schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace fenban::store {

namespace {

QString nextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("fenban-%1").arg(counter.fetchAndAddRelaxed(1));
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

} // namespace

Database::Database(QString connectionName, QString path)
    : m_connectionName(std::move(connectionName)), m_path(std::move(path)) {}

Database::~Database() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Database::connection() const {
    return QSqlDatabase::database(m_connectionName, false);
}

Result<std::unique_ptr<Database>> Database::open(const QString &path) {
    using R = Result<std::unique_ptr<Database>>;
    if (const Status prepared = preparePrivateFile(path); !prepared)
        return R::failure(prepared.error());

    std::unique_ptr<Database> database(new Database(nextConnectionName(), path));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), database->m_connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        return R::failure(db.lastError().text());

    // The first statement is where SQLite notices a file that is not a database.
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return R::failure(pragma.lastError().text());
    if (const Status fixed = createFixedTables(db); !fixed)
        return R::failure(fixed.error());
    return R::success(std::move(database));
}

QString defaultDatabasePath() {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
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
