#include "store/project_lock.h"

#include "store/dialect.h"
#include "store/query.h"

#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

// The first half of a lock key: the program's name with the schema the connection works in, since
// an advisory lock belongs to the whole server database and two schools may keep their data in two
// schemas of one; the second half is the project's number.
const QString lockKey =
    QStringLiteral("hashtext('fenban:' || COALESCE(current_schema(), '')), CAST(? AS INTEGER)");

} // namespace

QString projectBusyMessage() {
    return QStringLiteral("该分班项目正在被其他用户修改，请稍后再试");
}

ProjectLock::ProjectLock(QSqlDatabase db, int projectId) : m_db(std::move(db)), m_projectId(projectId) {}

ProjectLock::~ProjectLock() {
    // A connection the server dropped has taken the lock with it; asking it anything would only put
    // Qt's warning before the teacher's message.
    if (backendOf(m_db) != Backend::PostgreSQL || !m_db.isOpen())
        return;
    QSqlQuery query(m_db);
    if (query.prepare(QStringLiteral("SELECT pg_advisory_unlock(") + lockKey + QLatin1Char(')'))) {
        query.addBindValue(m_projectId);
        query.exec();
    }
}

Result<std::unique_ptr<ProjectLock>> lockProject(QSqlDatabase db, int projectId) {
    using R = Result<std::unique_ptr<ProjectLock>>;
    std::unique_ptr<ProjectLock> lock(new ProjectLock(db, projectId));
    if (backendOf(db) != Backend::PostgreSQL)
        return R::success(std::move(lock));
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT pg_try_advisory_lock(") + lockKey + QLatin1Char(')')))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    const Result<bool> row = nextRow(query);
    if (!row || !row.value())
        return R::failure(row ? QStringLiteral("读不到分班项目的锁") : row.error());
    if (!query.value(0).toBool()) {
        // Not ours: the destructor must not release another holder's lock.
        lock->m_db = QSqlDatabase();
        return R::failure(projectBusyMessage());
    }
    return R::success(std::move(lock));
}

} // namespace fenban::store
