#pragma once

#include "store/result.h"

#include <QSqlDatabase>

namespace fenban::store {

// Rolls back on destruction unless committed, so an early return can never leave half a change behind.
class Transaction {
public:
    enum Mode {
        Deferred,
        // What the transaction reads cannot change before it writes: a file takes its write lock at
        // once (waiting up to the busy timeout); a server refuses the write if another user changed
        // the same rows meanwhile.
        Immediate,
    };
    explicit Transaction(QSqlDatabase db, Mode mode = Deferred);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Whether the transaction could be begun at all; check before doing any work.
    Status begun() const;
    Status commit();

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_beginError;
};

} // namespace fenban::store
