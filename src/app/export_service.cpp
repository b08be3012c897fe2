#include "app/export_service.h"

#include "exchange/result_export.h"
#include "store/students.h"

namespace fenban::app {

store::Result<qsizetype> exportResult(QSqlDatabase db, int projectId, const QString &path) {
    const auto students = store::StudentStore(std::move(db)).byClass(projectId);
    if (!students)
        return store::Result<qsizetype>::failure(students.error());
    if (const auto written = exchange::writeResult(students.value(), path); !written)
        return store::Result<qsizetype>::failure(written.error());
    return store::Result<qsizetype>::success(students->size());
}

} // namespace fenban::app
