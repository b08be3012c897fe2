#include "store/transaction.h"

#include "store/dialect.h"
#include "store/query.h"

#include <QSqlError>
#include <QSqlQuery>

namespace fenban::store {

Transaction::Transaction(QSqlDatabase db, Mode mode) : m_db(std::move(db)) {
    if (mode == Immediate) {
        QSqlQuery begin(m_db);
        m_active = begin.exec(beginWriteStatement(backendOf(m_db)));
        if (!m_active)
            m_beginError = describeError(begin.lastError());
        return;
    }
    m_active = m_db.transaction();
    if (!m_active)
        m_beginError = describeError(m_db.lastError());
}

Transaction::~Transaction() {
    if (m_active)
        m_db.rollback();
}

Status Transaction::begun() const {
    return m_active ? Status::success() : Status::failure(m_beginError);
}

Status Transaction::commit() {
    if (!m_active)
        return Status::failure(m_beginError);
    if (backendOf(m_db) == Backend::SQLite) {
        // The driver's own commit keeps SQLite's text but not its code, and the code is what tells a
        // full disk from the rest; the journal's pages reach the disk only here.
        QSqlQuery commit(m_db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            return Status::failure(describeError(commit.lastError()));
    } else if (!m_db.commit()) {
        return Status::failure(describeError(m_db.lastError()));
    }
    m_active = false;
    return Status::success();
}

} // namespace fenban::store
