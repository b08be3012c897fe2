#include "store/settings.h"

#include "store/limits.h"
#include "store/query.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

std::optional<int> optionalInt(const QVariant &value) {
    if (value.isNull())
        return std::nullopt;
    return value.toInt();
}

QVariant fromOptional(const std::optional<int> &value) {
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<int>());
}

} // namespace

SettingsStore::SettingsStore(QSqlDatabase db) : m_db(std::move(db)) {}

Result<std::optional<ProjectSettings>> SettingsStore::read(int projectId) const {
    using R = Result<std::optional<ProjectSettings>>;
    QSqlQuery query(m_db);
    if (!query.prepare(
            QStringLiteral("SELECT is_avg_person, is_avg_total, is_avg_ch, is_avg_math, is_avg_eng,"
                           " is_avg_inter, inter, is_man, wtNum FROM config WHERE id=?")))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    const Result<bool> found = nextRow(query);
    if (!found)
        return R::failure(found.error());
    if (!found.value())
        return R::success(std::nullopt);
    ProjectSettings settings;
    settings.isAvgPerson = query.value(0).toInt();
    settings.isAvgTotal = query.value(1).toInt();
    settings.isAvgCh = query.value(2).toInt();
    settings.isAvgMath = query.value(3).toInt();
    settings.isAvgEng = query.value(4).toInt();
    settings.isAvgInter = query.value(5).toInt();
    settings.inter = optionalInt(query.value(6));
    settings.isMan = optionalInt(query.value(7));
    settings.wtNum = optionalInt(query.value(8));
    return R::success(settings);
}

Status SettingsStore::write(int projectId, const ProjectSettings &settings) {
    if (settings.wtNum && *settings.wtNum > maxTuningPasses)
        return Status::failure(QStringLiteral("微调次数不能超过%1").arg(maxTuningPasses));
    QSqlQuery query(m_db);
    if (!query.prepare(
            QStringLiteral("UPDATE config SET is_avg_person=?, is_avg_total=?, is_avg_ch=?, is_avg_math=?,"
                           " is_avg_eng=?, is_avg_inter=?, inter=?, is_man=?, wtNum=? WHERE id=?")))
        return Status::failure(describeError(query.lastError()));
    for (const QVariant &value :
         {QVariant(settings.isAvgPerson), QVariant(settings.isAvgTotal), QVariant(settings.isAvgCh),
          QVariant(settings.isAvgMath), QVariant(settings.isAvgEng), QVariant(settings.isAvgInter),
          fromOptional(settings.inter), fromOptional(settings.isMan), fromOptional(settings.wtNum),
          QVariant(projectId)})
        query.addBindValue(value);
    if (!query.exec())
        return Status::failure(describeError(query.lastError()));
    if (query.numRowsAffected() == 0)
        return Status::failure(QStringLiteral("不存在该班别的参数设置"));
    return Status::success();
}

} // namespace fenban::store
