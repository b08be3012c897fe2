#include "store/database_copy.h"

#include "store/database.h"
#include "store/dialect.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace fenban::store {

namespace {

// A fixed table, with the condition that picks one project's rows (its one value: the project's number).
struct FixedTable {
    QString name;
    QStringList columns;
    QString projectRows;
};

// In the order they are written: a rule before its members.
const QList<FixedTable> &fixedTables() {
    static const QList<FixedTable> tables{
        {QStringLiteral("qx_info"),
         {QStringLiteral("id"), QStringLiteral("memo"), QStringLiteral("num"), QStringLiteral("update_date"),
          QStringLiteral("table_name")},
         QStringLiteral("id=?")},
        {QStringLiteral("config"),
         {QStringLiteral("id"), QStringLiteral("is_avg_person"), QStringLiteral("is_avg_total"),
          QStringLiteral("is_avg_ch"), QStringLiteral("is_avg_math"), QStringLiteral("is_avg_eng"),
          QStringLiteral("is_avg_inter"), QStringLiteral("inter"), QStringLiteral("is_man"),
          QStringLiteral("wtNum")},
         QStringLiteral("id=?")},
        {QStringLiteral("optimise_config"),
         {QStringLiteral("id"), QStringLiteral("seconds"), QStringLiteral("after_division"),
          QStringLiteral("subjects")},
         QStringLiteral("id=?")},
        {QStringLiteral("qx_groups"),
         {QStringLiteral("id"), QStringLiteral("project_id"), QStringLiteral("kind")},
         QStringLiteral("project_id=?")},
        {QStringLiteral("qx_group_members"),
         {QStringLiteral("group_id"), QStringLiteral("student_id")},
         QStringLiteral("group_id IN (SELECT id FROM qx_groups WHERE project_id=?)")},
        {QStringLiteral("qx_history"),
         {QStringLiteral("id"), QStringLiteral("project_id"), QStringLiteral("created"),
          QStringLiteral("action"), QStringLiteral("summary"), QStringLiteral("data")},
         QStringLiteral("project_id=?")},
    };
    return tables;
}

// The tables whose own numbers are given out by a counter.
const QStringList &numberedTables() {
    static const QStringList tables{QStringLiteral("qx_info"), QStringLiteral("qx_groups"),
                                    QStringLiteral("qx_history")};
    return tables;
}

QString numberList(QList<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    QStringList words;
    for (const int number : numbers)
        words.append(QString::number(number));
    return words.join(QStringLiteral(", "));
}

Status queryFailure(const QSqlQuery &query) {
    return Status::failure(describeError(query.lastError()));
}

// Runs a statement with its values bound; a statement without values runs as it is, since a server
// prepares queries but not table definitions.
Status run(QSqlQuery &query, const QString &sql, const QVariantList &values = {}) {
    if (values.isEmpty())
        return query.exec(sql) ? Status::success() : queryFailure(query);
    if (!query.prepare(sql))
        return queryFailure(query);
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec() ? Status::success() : queryFailure(query);
}

Result<QList<int>> numbers(QSqlDatabase db, const QString &sql, const QVariantList &values = {}) {
    using R = Result<QList<int>>;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (const Status ran = run(query, sql, values); !ran)
        return R::failure(ran.error());
    QList<int> found;
    if (const Status read =
            forEachRow(query, [&](const QSqlQuery &row) { found.append(row.value(0).toInt()); });
        !read)
        return R::failure(read.error());
    return R::success(found);
}

Result<qint64> countRows(QSqlDatabase db, const QString &table, const QString &condition,
                         const QVariantList &values) {
    using R = Result<qint64>;
    QSqlQuery query(db);
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    if (const Status ran = run(query, sql, values); !ran)
        return R::failure(ran.error());
    const Result<bool> row = nextRow(query);
    if (!row || !row.value())
        return R::failure(row ? QStringLiteral("读不到表 %1 的行数").arg(table) : row.error());
    return R::success(query.value(0).toLongLong());
}

// Writes the rows the condition picks from the source table into the same columns of the target
// table. Each value goes as it was read, so NULL stays NULL, a number a number and bytes bytes.
Result<qint64> copyRows(QSqlDatabase from, QSqlDatabase to, const QString &table, const QStringList &columns,
                        const QString &condition, const QVariantList &values) {
    using R = Result<qint64>;
    const QString columnList = columns.join(QLatin1Char(','));
    QString select = QStringLiteral("SELECT ") + columnList + QStringLiteral(" FROM ") + table;
    if (!condition.isEmpty())
        select += QStringLiteral(" WHERE ") + condition;
    QSqlQuery source(from);
    source.setForwardOnly(true);
    if (const Status ran = run(source, select, values); !ran)
        return R::failure(ran.error());

    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks.append(QStringLiteral("?"));
    QSqlQuery target(to);
    if (!target.prepare(QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') + columnList +
                        QStringLiteral(") VALUES(") + marks.join(QLatin1Char(',')) + QLatin1Char(')')))
        return R::failure(describeError(target.lastError()));
    qint64 copied = 0;
    QString writeError;
    const Status read = forEachRow(source, [&](const QSqlQuery &row) {
        if (!writeError.isEmpty())
            return;
        for (int i = 0; i < int(columns.size()); ++i)
            target.bindValue(i, row.value(i));
        if (!target.exec())
            writeError = describeError(target.lastError());
        else
            ++copied;
    });
    if (!writeError.isEmpty())
        return R::failure(writeError);
    if (!read)
        return R::failure(read.error());
    return R::success(copied);
}

// What the source and target are told apart by: a file's own path, a server database's address
// with its search path.
QString identity(const QSqlDatabase &db) {
    if (backendOf(db) == Backend::SQLite) {
        const QFileInfo file(locationOf(db));
        return file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
    }
    QString host = db.hostName().toLower();
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')) || host == QStringLiteral("127.0.0.1") ||
        host == QStringLiteral("::1"))
        host = QStringLiteral("localhost");
    return host + QLatin1Char(':') + QString::number(db.port()) + QLatin1Char('/') + db.databaseName() +
           QLatin1Char('?') + db.connectOptions();
}

QString shownName(const QSqlDatabase &db) {
    if (backendOf(db) == Backend::SQLite)
        return QDir::toNativeSeparators(locationOf(db));
    return db.hostName() + QLatin1Char(':') + QString::number(db.port()) + QLatin1Char('/') +
           db.databaseName();
}

// Numbers the target already gives to rows the copy would bring along with their numbers.
Status refuseClashes(QSqlDatabase from, QSqlDatabase to, const QSet<QString> &sourceTables) {
    struct Numbered {
        QString table;
        QString what;
    };
    for (const Numbered &numbered :
         {Numbered{QStringLiteral("qx_info"), QStringLiteral("分班项目")},
          Numbered{QStringLiteral("qx_groups"), QStringLiteral("分班规则")},
          Numbered{QStringLiteral("qx_history"), QStringLiteral("分班历史记录")}}) {
        if (!sourceTables.contains(numbered.table))
            continue;
        const QString sql = QStringLiteral("SELECT id FROM ") + numbered.table;
        const auto mine = numbers(from, sql);
        if (!mine)
            return Status::failure(mine.error());
        const auto theirs = numbers(to, sql);
        if (!theirs)
            return Status::failure(theirs.error());
        const QSet<int> taken(theirs->cbegin(), theirs->cend());
        QList<int> clashing;
        for (const int id : mine.value())
            if (taken.contains(id))
                clashing.append(id);
        if (!clashing.isEmpty())
            return Status::failure(
                QStringLiteral("目标数据库中已有编号相同的%1: %2").arg(numbered.what, numberList(clashing)));
    }
    return Status::success();
}

// One copied table part, counted again on both sides before the copy is committed.
struct CopiedPart {
    QString table;
    QString condition;
    QVariantList values;
};

Status copyProject(QSqlDatabase from, QSqlDatabase to, int id, const QSet<QString> &sourceTables,
                   QList<CopiedPart> &parts, qint64 &students) {
    for (const FixedTable &table : fixedTables()) {
        // A file of an earlier version may lack the newer tables; qx_groups and its members come together.
        const bool ofGroups = table.name == QStringLiteral("qx_group_members");
        if (!sourceTables.contains(table.name) ||
            (ofGroups && !sourceTables.contains(QStringLiteral("qx_groups"))))
            continue;
        const auto copied = copyRows(from, to, table.name, table.columns, table.projectRows, {id});
        if (!copied)
            return Status::failure(copied.error());
        parts.append({table.name, table.projectRows, {id}});
    }
    QSqlQuery create(to);
    for (const QString &table : {studentTableName(id), workTableName(id)}) {
        // A project whose table was lost goes as it is.
        if (!sourceTables.contains(table))
            continue;
        if (const Status created = run(create, createStudentTableSql(backendOf(to), table)); !created)
            return created;
        const auto copied = copyRows(from, to, table, studentColumns(), {}, {});
        if (!copied)
            return Status::failure(copied.error());
        if (table == studentTableName(id))
            students = copied.value();
        parts.append({table, {}, {}});
    }
    return Status::success();
}

Status compareCounts(QSqlDatabase from, QSqlDatabase to, const QList<CopiedPart> &parts) {
    for (const CopiedPart &part : parts) {
        const auto source = countRows(from, part.table, part.condition, part.values);
        if (!source)
            return Status::failure(source.error());
        const auto target = countRows(to, part.table, part.condition, part.values);
        if (!target)
            return Status::failure(target.error());
        if (source.value() != target.value())
            return Status::failure(
                QStringLiteral("复制后表 %1 的行数不一致: 源数据库 %2 行, 目标数据库 %3 行")
                    .arg(part.table)
                    .arg(source.value())
                    .arg(target.value()));
    }
    return Status::success();
}

// A read-only transaction on the source, so that every table is read as it stood at one moment
// while other users go on working.
class SourceSnapshot {
public:
    explicit SourceSnapshot(QSqlDatabase db) : m_db(std::move(db)) {
        QSqlQuery begin(m_db);
        m_active = begin.exec(beginSnapshotStatement(backendOf(m_db)));
        if (!m_active)
            m_error = describeError(begin.lastError());
    }
    ~SourceSnapshot() {
        if (m_active)
            m_db.rollback();
    }
    SourceSnapshot(const SourceSnapshot &) = delete;
    SourceSnapshot &operator=(const SourceSnapshot &) = delete;
    Status begun() const { return m_active ? Status::success() : Status::failure(m_error); }

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_error;
};

} // namespace

QString copyStoppedMessage() {
    return QStringLiteral("复制已停止，目标数据库没有改变");
}

Status copyDatabase(QSqlDatabase from, QSqlDatabase to, const CopyProgress &progress) {
    if (identity(from) == identity(to))
        return Status::failure(QStringLiteral("源数据库和目标数据库是同一个: %1").arg(shownName(from)));

    const SourceSnapshot snapshot(from);
    if (const Status begun = snapshot.begun(); !begun)
        return begun;
    Transaction transaction(to, Transaction::Immediate);
    if (const Status begun = transaction.begun(); !begun)
        return begun;

    const auto listed = tableNames(from);
    if (!listed)
        return Status::failure(listed.error());
    const QSet<QString> sourceTables(listed->cbegin(), listed->cend());
    if (const Status clear = refuseClashes(from, to, sourceTables); !clear)
        return clear;

    QList<CopiedProject> found;
    // A source read as it is may be an empty file, without even the catalogue: it has no projects.
    if (sourceTables.contains(QStringLiteral("qx_info"))) {
        QSqlQuery projects(from);
        projects.setForwardOnly(true);
        if (!projects.exec(QStringLiteral("SELECT id, memo FROM qx_info ORDER BY id")))
            return queryFailure(projects);
        if (const Status read =
                forEachRow(projects,
                           [&](const QSqlQuery &row) {
                               found.append({row.value(0).toInt(), row.value(1).toString(), 0});
                           });
            !read)
            return read;
    }

    QList<CopiedPart> parts;
    for (CopiedProject &project : found) {
        if (const Status copied = copyProject(from, to, project.id, sourceTables, parts, project.students);
            !copied)
            return Status::failure(
                QStringLiteral("复制分班项目 %1 时出错: %2").arg(project.id).arg(copied.error()));
        if (progress && !progress(project))
            return Status::failure(copyStoppedMessage());
    }
    for (const QString &table : numberedTables()) {
        if (const Status advanced = advanceIdentity(to, table); !advanced)
            return advanced;
    }
    if (const Status counted = compareCounts(from, to, parts); !counted)
        return counted;
    return transaction.commit();
}

} // namespace fenban::store
