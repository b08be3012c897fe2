#include "store/history.h"

#include "engine/rules.h"
#include "store/dialect.h"
#include "store/division_runner.h"
#include "store/project_lock.h"
#include "store/projects.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <map>

namespace fenban::store {

namespace {

Status failure(const QSqlQuery &query) {
    return Status::failure(describeError(query.lastError()));
}

// Snapshots are packed small: by student number, each number as its distance from the one before,
// each value a variable-length whole number, the whole compressed. A division of 3,000 students
// takes a few kilobytes.
void putVarint(QByteArray &out, quint64 value) {
    while (value >= 0x80) {
        out.append(char((value & 0x7f) | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

bool takeVarint(const QByteArray &in, qsizetype &at, quint64 &value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (at >= in.size())
            return false;
        const auto byte = quint8(in[at++]);
        value |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

quint64 zigzag(qint64 value) {
    return (quint64(value) << 1) ^ quint64(value >> 63);
}

qint64 unzigzag(quint64 value) {
    return qint64(value >> 1) ^ -qint64(value & 1);
}

QByteArray pack(QList<Placing> placings) {
    std::sort(placings.begin(), placings.end(),
              [](const Placing &a, const Placing &b) { return a.studentId < b.studentId; });
    QByteArray raw;
    putVarint(raw, quint64(placings.size()));
    qint64 previous = 0;
    for (const Placing &placing : placings) {
        putVarint(raw, zigzag(placing.studentId - previous));
        putVarint(raw, zigzag(placing.classId));
        putVarint(raw, zigzag(placing.type));
        previous = placing.studentId;
    }
    return qCompress(raw, 9);
}

Result<QList<Placing>> unpack(const QByteArray &packed, int snapshotId) {
    using R = Result<QList<Placing>>;
    const QString damaged = QStringLiteral("分班历史第%1号记录已损坏").arg(snapshotId);
    const QByteArray raw = qUncompress(packed);
    qsizetype at = 0;
    quint64 count = 0;
    if (!takeVarint(raw, at, count) || count > quint64(raw.size()))
        return R::failure(damaged);
    QList<Placing> placings;
    placings.reserve(qsizetype(count));
    qint64 previous = 0;
    for (quint64 index = 0; index < count; ++index) {
        quint64 delta = 0, classId = 0, type = 0;
        if (!takeVarint(raw, at, delta) || !takeVarint(raw, at, classId) || !takeVarint(raw, at, type))
            return R::failure(damaged);
        previous += unzigzag(delta);
        placings.append({previous, int(unzigzag(classId)), int(unzigzag(type))});
    }
    return R::success(placings);
}

QList<Placing> placingsOf(const std::vector<StudentRow> &rows) {
    QList<Placing> placings;
    placings.reserve(qsizetype(rows.size()));
    for (const StudentRow &row : rows)
        placings.append({row.studentId, row.classId, int(row.type)});
    return placings;
}

// The newest snapshot's number and packed placings; number 0 when the project has none.
Status newestSnapshot(QSqlDatabase db, int projectId, int &id, QByteArray &data) {
    QSqlQuery query(db);
    if (!query.prepare(
            QStringLiteral("SELECT id, data FROM qx_history WHERE project_id=? ORDER BY id DESC LIMIT 1")))
        return failure(query);
    query.addBindValue(projectId);
    if (!query.exec())
        return failure(query);
    const auto found = nextRow(query);
    if (!found)
        return Status::failure(found.error());
    id = found.value() ? query.value(0).toInt() : 0;
    data = found.value() ? query.value(1).toByteArray() : QByteArray();
    return Status::success();
}

Status insertSnapshot(QSqlDatabase db, int projectId, const QString &action, const QString &summary,
                      const QByteArray &data) {
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral(
            "INSERT INTO qx_history(project_id, created, action, summary, data) VALUES(?, ?, ?, ?, ?)")))
        return failure(query);
    query.addBindValue(projectId);
    query.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    query.addBindValue(action);
    query.addBindValue(summary);
    query.addBindValue(data);
    if (!query.exec())
        return failure(query);
    // The oldest go once there are more than are kept.
    QSqlQuery prune(db);
    if (!prune.prepare(
            QStringLiteral("DELETE FROM qx_history WHERE project_id=? AND id NOT IN (SELECT id FROM "
                           "qx_history WHERE project_id=? ORDER BY id DESC LIMIT ?)")))
        return failure(prune);
    prune.addBindValue(projectId);
    prune.addBindValue(projectId);
    prune.addBindValue(keptSnapshots);
    if (!prune.exec())
        return failure(prune);
    return Status::success();
}

Status recordRows(QSqlDatabase db, int projectId, const QString &action, const SnapshotSummary &summary,
                  bool onlyIfChanged) {
    const auto rows = readStudentRows(db, projectId);
    if (!rows)
        return Status::failure(rows.error());
    const QByteArray data = pack(placingsOf(rows.value()));
    if (onlyIfChanged) {
        int newestId = 0;
        QByteArray newest;
        if (const Status read = newestSnapshot(db, projectId, newestId, newest); !read)
            return read;
        if (newestId > 0) {
            const auto before = unpack(newest, newestId);
            if (before && before.value() == unpack(data, 0).value())
                return Status::success();
        }
    }
    const auto project = ProjectStore(db).get(projectId);
    if (!project)
        return Status::failure(project.error());
    const QString line = summary ? summary(rows.value(), project.value().classes)
                                 : totalMeanSummary(rows.value(), project.value().classes);
    return insertSnapshot(db, projectId, action, line, data);
}

// Where the students are now, by number, with their names.
Result<std::map<qint64, std::pair<Placing, QString>>> currentPlacings(QSqlDatabase db, int projectId) {
    using R = Result<std::map<qint64, std::pair<Placing, QString>>>;
    const auto rows = readStudentRows(db, projectId);
    if (!rows)
        return R::failure(rows.error());
    std::map<qint64, std::pair<Placing, QString>> now;
    for (const StudentRow &row : rows.value())
        now[row.studentId] = {{row.studentId, row.classId, int(row.type)}, QString::fromStdString(row.name)};
    return R::success(std::move(now));
}

} // namespace

QString totalMeanSummary(const std::vector<StudentRow> &rows, int classCount) {
    double cohortSum = 0.0;
    std::map<int, std::pair<double, int>> classes;
    int placed = 0;
    for (const StudentRow &row : rows) {
        if (row.classId < 1 || row.classId > classCount)
            continue;
        const double total = rowTotal(row);
        cohortSum += total;
        ++placed;
        auto &[sum, count] = classes[row.classId];
        sum += total;
        ++count;
    }
    double worst = 0.0;
    if (placed > 0) {
        const double cohortMean = cohortSum / placed;
        for (const auto &[classId, figures] : classes)
            worst = std::max(worst, std::abs(figures.first / figures.second - cohortMean));
    }
    return QStringLiteral("总分均分最大偏差 %1").arg(worst, 0, 'f', 2);
}

Status createHistoryTable(QSqlDatabase db) {
    QSqlQuery query(db);
    for (const QString &statement :
         {QStringLiteral("CREATE TABLE IF NOT EXISTS qx_history(") + identityColumn(backendOf(db)) +
              QStringLiteral(", project_id INTEGER NOT NULL, created TEXT NOT NULL, action TEXT NOT NULL,"
                             " summary TEXT NOT NULL, data ") +
              bytesType(backendOf(db)) + QStringLiteral(" NOT NULL)"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS qx_history_project ON qx_history(project_id, id)")}) {
        if (!query.exec(statement))
            return failure(query);
    }
    return Status::success();
}

Status startHistory(QSqlDatabase db, int projectId, const SnapshotSummary &summary) {
    int newestId = 0;
    QByteArray newest;
    if (const Status read = newestSnapshot(db, projectId, newestId, newest); !read)
        return read;
    if (newestId > 0)
        return Status::success();
    return recordRows(db, projectId, QStringLiteral("原有分班"), summary, false);
}

Status recordSnapshot(QSqlDatabase db, int projectId, const QString &action, const SnapshotSummary &summary,
                      bool onlyIfChanged) {
    return recordRows(db, projectId, action, summary, onlyIfChanged);
}

Status clearHistory(QSqlDatabase db, int projectId) {
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("DELETE FROM qx_history WHERE project_id=?")))
        return failure(query);
    query.addBindValue(projectId);
    if (!query.exec())
        return failure(query);
    return Status::success();
}

Result<QList<HistoryEntry>> history(QSqlDatabase db, int projectId) {
    using R = Result<QList<HistoryEntry>>;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral(
            "SELECT id, created, action, summary FROM qx_history WHERE project_id=? ORDER BY id DESC")))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    QList<HistoryEntry> entries;
    const Status read = forEachRow(query, [&](const QSqlQuery &row) {
        entries.append({row.value(0).toInt(), row.value(1).toString(), row.value(2).toString(),
                        row.value(3).toString()});
    });
    if (!read)
        return R::failure(read.error());
    return R::success(entries);
}

Result<QList<Placing>> snapshotPlacings(QSqlDatabase db, int projectId, int snapshotId) {
    using R = Result<QList<Placing>>;
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT data FROM qx_history WHERE project_id=? AND id=?")))
        return R::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    query.addBindValue(snapshotId);
    if (!query.exec())
        return R::failure(describeError(query.lastError()));
    const auto found = nextRow(query);
    if (!found)
        return R::failure(found.error());
    if (!found.value())
        return R::failure(QStringLiteral("分班历史中没有第%1号记录").arg(snapshotId));
    return unpack(query.value(0).toByteArray(), snapshotId);
}

Result<QList<MovedStudent>> diff(QSqlDatabase db, int projectId, int fromId, int toId) {
    using R = Result<QList<MovedStudent>>;
    const auto now = currentPlacings(db, projectId);
    if (!now)
        return R::failure(now.error());
    const auto from = snapshotPlacings(db, projectId, fromId);
    if (!from)
        return R::failure(from.error());
    std::map<qint64, int> to;
    if (toId > 0) {
        const auto later = snapshotPlacings(db, projectId, toId);
        if (!later)
            return R::failure(later.error());
        for (const Placing &placing : later.value())
            to[placing.studentId] = placing.classId;
    } else {
        for (const auto &[id, entry] : now.value())
            to[id] = entry.first.classId;
    }
    std::map<qint64, MovedStudent> moved;
    const auto nameOf = [&](qint64 id) {
        const auto found = now.value().find(id);
        return found == now.value().end() ? QString() : found->second.second;
    };
    for (const Placing &placing : from.value()) {
        const auto later = to.find(placing.studentId);
        const int toClass = later == to.end() ? -1 : later->second;
        if (toClass != placing.classId)
            moved[placing.studentId] = {placing.studentId, nameOf(placing.studentId), placing.classId,
                                        toClass};
        if (later != to.end())
            to.erase(later);
    }
    for (const auto &[id, classId] : to)
        moved[id] = {id, nameOf(id), -1, classId};
    QList<MovedStudent> list;
    for (auto &entry : moved)
        list.append(std::move(entry.second));
    return R::success(list);
}

Status restore(QSqlDatabase db, int projectId, int snapshotId, const SnapshotSummary &summary) {
    const auto lock = lockProject(db, projectId);
    if (!lock)
        return Status::failure(lock.error());
    Transaction transaction(db, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;
    const auto placings = snapshotPlacings(db, projectId, snapshotId);
    if (!placings)
        return Status::failure(placings.error());
    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("UPDATE ") + studentTableName(projectId) +
                        QStringLiteral(" SET class_id=?, type=? WHERE student_id=?")))
        return failure(update);
    for (const Placing &placing : placings.value()) {
        update.addBindValue(placing.classId);
        update.addBindValue(placing.type);
        update.addBindValue(placing.studentId);
        if (!update.exec())
            return failure(update);
    }
    if (const Status recorded =
            recordSnapshot(db, projectId, QStringLiteral("恢复 #%1").arg(snapshotId), summary);
        !recorded)
        return recorded;
    return transaction.commit();
}

Result<bool> hasHandAdjustments(QSqlDatabase db, int projectId) {
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral(
            "SELECT COUNT(*) FROM qx_history WHERE project_id=? AND (action=? OR action LIKE ?)"
            " AND id > (SELECT COALESCE(MAX(id), 0) FROM qx_history WHERE project_id=? AND action=?)")))
        return Result<bool>::failure(describeError(query.lastError()));
    query.addBindValue(projectId);
    query.addBindValue(QStringLiteral("调整"));
    // A restore brings back whatever was adjusted in the division restored.
    query.addBindValue(QStringLiteral("恢复%"));
    query.addBindValue(projectId);
    query.addBindValue(QStringLiteral("分班"));
    if (!query.exec())
        return Result<bool>::failure(describeError(query.lastError()));
    const auto found = nextRow(query);
    if (!found)
        return Result<bool>::failure(found.error());
    return Result<bool>::success(found.value() && query.value(0).toInt() > 0);
}

} // namespace fenban::store
