#include "app/import_service.h"

#include "exchange/sheets/sheet.h"
#include "reports/history_summary.h"
#include "store/database.h"

namespace fenban::app {

store::Result<exchange::ImportSheet> readImportFile(const QString &path) {
    const auto sheet = exchange::readFirstSheet(path);
    if (!sheet)
        return store::Result<exchange::ImportSheet>::failure(sheet.error());
    return exchange::importRowsFrom(sheet.value());
}

store::ReplaceOutcome writeStudents(QSqlDatabase db, int projectId,
                                    const QList<store::StudentRecord> &records,
                                    const WriteProgress &progress) {
    return store::StudentStore(std::move(db))
        .replaceAll(projectId, records, progress, reports::historySummary);
}

ImportOutcome importRows(const QString &databasePath, int projectId, const QList<exchange::ImportRow> &rows,
                         const WriteProgress &progress) {
    ImportOutcome outcome;
    const exchange::ImportCheck check = exchange::studentsFromRows(rows);
    if (check.problem) {
        outcome.problem = check.problem;
        return outcome;
    }
    outcome.students = check.records.size();
    const auto database = store::Database::open(databasePath);
    if (!database) {
        outcome.write = {store::ReplaceOutcome::Failed, database.error(), -1};
        return outcome;
    }
    outcome.write = writeStudents(database.value()->connection(), projectId, check.records, progress);
    return outcome;
}

} // namespace fenban::app
