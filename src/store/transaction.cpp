#include "store/transaction.h"

#include <QSqlError>

namespace fenban::store {

Transaction::Transaction(QSqlDatabase db) : m_db(std::move(db)) {
    m_active = m_db.transaction();
    if (!m_active)
        m_beginError = m_db.lastError().text();
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
    if (!m_db.commit())
        return Status::failure(m_db.lastError().text());
    m_active = false;
    return Status::success();
}

} // namespace fenban::store
