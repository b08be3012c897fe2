#include "store/optimise_settings.h"

#include "store/dialect.h"
#include "store/query.h"
#include "store/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

Status checkOptimiseSeconds(double seconds) {
    // Written so that NaN fails too.
    if (!(seconds >= minOptimiseSeconds && seconds <= maxOptimiseSeconds))
        return Status::failure(
            QStringLiteral("优化时间必须在%1到%2秒之间").arg(minOptimiseSeconds).arg(maxOptimiseSeconds));
    return Status::success();
}

OptimiseSettingsStore::OptimiseSettingsStore(QSqlDatabase db) : m_db(std::move(db)) {}

Result<OptimiseSettings> OptimiseSettingsStore::read(int projectId) const {
    using R = Result<OptimiseSettings>;
    QSqlQuery query(m_db);
    if (!query.prepare(
            QStringLiteral("SELECT seconds, after_division, subjects FROM optimise_config WHERE id=?")))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    const Result<bool> found = nextRow(query);
    if (!found)
        return R::failure(found.error());
    OptimiseSettings settings;
    if (found.value()) {
        settings.seconds = query.value(0).toDouble();
        // Only the value 1 switches it on, as with the division's flags.
        settings.afterDivision = query.value(1).toInt() == 1;
        const qlonglong mask = query.value(2).toLongLong();
        for (std::size_t s = 0; s < subjectCount; ++s)
            settings.subjects[s] = (mask >> s) & 1;
    }
    return R::success(settings);
}

Status OptimiseSettingsStore::write(int projectId, const OptimiseSettings &settings) {
    if (const Status checked = checkOptimiseSeconds(settings.seconds); !checked)
        return checked;
    // One statement: a row appears only for a project in the catalogue, so a deleted project's
    // number never gets settings back.
    QSqlQuery query(m_db);
    // The casts give a server the values' types, which a bare select list does not.
    if (!query.prepare(QStringLiteral("INSERT INTO optimise_config(id, seconds, after_division, subjects)"
                                      " SELECT CAST(? AS INTEGER), CAST(? AS ") +
                       doubleType(backendOf(m_db)) +
                       QStringLiteral("), CAST(? AS INTEGER), CAST(? AS INTEGER)"
                                      " WHERE EXISTS (SELECT 1 FROM qx_info WHERE id=?)"
                                      " ON CONFLICT(id) DO UPDATE SET seconds=excluded.seconds, "
                                      "after_division=excluded.after_division, subjects=excluded.subjects")))
        return Status::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    query.addBindValue(settings.seconds);
    query.addBindValue(settings.afterDivision ? 1 : 0);
    int mask = 0;
    for (std::size_t s = 0; s < subjectCount; ++s)
        mask |= settings.subjects[s] ? 1 << s : 0;
    query.addBindValue(mask);
    query.addBindValue(projectId);
    if (!query.exec())
        return Status::failure(describeError(query.lastError()));
    if (query.numRowsAffected() == 0)
        return Status::failure(QStringLiteral("不存在编号为%1的分班项目").arg(projectId));
    return Status::success();
}

Status writeProjectSettings(QSqlDatabase db, int projectId, const ProjectSettings &division,
                            const OptimiseSettings &optimise) {
    Transaction transaction(db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    if (const Status written = SettingsStore(db).write(projectId, division); !written)
        return written;
    if (const Status written = OptimiseSettingsStore(db).write(projectId, optimise); !written)
        return written;
    return transaction.commit();
}

} // namespace fenban::store
