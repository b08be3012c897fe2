#include "store/projects.h"

#include "store/dialect.h"
#include "store/limits.h"
#include "store/optimise_settings.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace fenban::store {

namespace {

const QString selectProjects = QStringLiteral("SELECT id, memo, num, update_date, table_name FROM qx_info");

Project projectFromRow(const QSqlQuery &query) {
    Project project;
    project.id = query.value(0).toInt();
    project.memo = query.value(1).toString();
    project.classes = query.value(2).toInt();
    project.createdAt = query.value(3).toString();
    project.tableName = query.value(4).toString();
    return project;
}

// Runs one statement with its values bound; on failure `error` gets the database's text.
bool run(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error) {
    // A server prepares queries, never table definitions: a statement without values runs as it is.
    if (values.isEmpty()) {
        if (query.exec(sql))
            return true;
        *error = describeError(query.lastError());
        return false;
    }
    if (!query.prepare(sql)) {
        *error = describeError(query.lastError());
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = describeError(query.lastError());
        return false;
    }
    return true;
}

} // namespace

QString Project::studentTable() const {
    return studentTableName(id);
}

QString Project::workTable() const {
    return workTableName(id);
}

Result<NewProject> checkNewProject(const QString &memo, const QString &classesText) {
    if (memo.trimmed().isEmpty())
        return Result<NewProject>::failure(QStringLiteral("请输入分班描述"));
    bool isNumber = false;
    const int classes = classesText.trimmed().toInt(&isNumber);
    if (!isNumber || classes < 1)
        return Result<NewProject>::failure(QStringLiteral("班级数必须是大于0的整数"));
    return Result<NewProject>::success({memo.trimmed(), classes});
}

ProjectStore::ProjectStore(QSqlDatabase db) : m_db(std::move(db)) {}

Result<Project> ProjectStore::create(const NewProject &project) {
    using R = Result<Project>;
    if (project.classes < minClassCount || project.classes > maxClassCount)
        return R::failure(QStringLiteral("班级数必须在%1到%2之间").arg(minClassCount).arg(maxClassCount));
    Transaction transaction(m_db);
    if (const Status begun = transaction.begun(); !begun)
        return R::failure(begun.error());

    QString error;
    QSqlQuery query(m_db);
    // Written here rather than by a column default, so it is the teacher's local time on a server too.
    const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!run(query,
             QStringLiteral("INSERT INTO qx_info(memo, num, update_date) VALUES(?, ?, ?) RETURNING id"),
             {project.memo, project.classes, now}, &error))
        return R::failure(error);
    const Result<bool> returned = nextRow(query);
    if (!returned || !returned.value())
        return R::failure(returned ? QStringLiteral("新建的分班项目读不到") : returned.error());
    const int id = query.value(0).toInt();
    query.finish();
    const Backend backend = backendOf(m_db);

    const QStringList steps{
        QStringLiteral("UPDATE qx_info SET table_name=? WHERE id=?"),
        createStudentTableSql(backend, studentTableName(id)),
        createStudentTableSql(backend, workTableName(id)),
        QStringLiteral("INSERT INTO config VALUES(?,1,1,1,1,1,1,1,0,50)"),
    };
    const QList<QVariantList> values{{studentTableName(id), id}, {}, {}, {id}};
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (!run(query, steps[i], values[i], &error))
            return R::failure(error);
    }
    // A new project evens out its classes after every division; the exact division is one tick away.
    // Projects made before this keep their own setting (without a row: off).
    OptimiseSettings optimise;
    optimise.afterDivision = true;
    if (const Status written = OptimiseSettingsStore(m_db).write(id, optimise); !written)
        return R::failure(written.error());
    // Read the row back inside the transaction so the caller sees the creation time the table gave it.
    const auto created = find(id);
    if (!created || !created.value())
        return R::failure(created ? QStringLiteral("新建的分班项目读不到") : created.error());
    if (const Status committed = transaction.commit(); !committed)
        return R::failure(committed.error());
    return R::success(*created.value());
}

Result<QList<Project>> ProjectStore::list() const {
    using R = Result<QList<Project>>;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(selectProjects + QStringLiteral(" ORDER BY id")))
        return R::failure(describeError(query.lastError()));
    QList<Project> projects;
    if (const Status read =
            forEachRow(query, [&](const QSqlQuery &row) { projects.append(projectFromRow(row)); });
        !read)
        return R::failure(read.error());
    return R::success(projects);
}

Result<Project> ProjectStore::get(int id) const {
    const auto found = find(id);
    if (!found)
        return Result<Project>::failure(found.error());
    if (!found.value())
        return Result<Project>::failure(QStringLiteral("不存在编号为%1的分班项目").arg(id));
    return Result<Project>::success(*found.value());
}

Result<std::optional<Project>> ProjectStore::find(int id) const {
    using R = Result<std::optional<Project>>;
    QSqlQuery query(m_db);
    QString error;
    if (!run(query, selectProjects + QStringLiteral(" WHERE id=?"), {id}, &error))
        return R::failure(error);
    const Result<bool> found = nextRow(query);
    if (!found)
        return R::failure(found.error());
    if (!found.value())
        return R::success(std::nullopt);
    return R::success(projectFromRow(query));
}

Status ProjectStore::remove(int id) {
    Transaction transaction(m_db);
    if (const Status begun = transaction.begun(); !begun)
        return begun;

    // IF EXISTS: a project whose tables were lost can still be taken out of the catalogue.
    const QStringList steps{
        QStringLiteral("DELETE FROM qx_info WHERE id=?"),
        QStringLiteral("DELETE FROM config WHERE id=?"),
        QStringLiteral("DELETE FROM optimise_config WHERE id=?"),
        QStringLiteral(
            "DELETE FROM qx_group_members WHERE group_id IN (SELECT id FROM qx_groups WHERE project_id=?)"),
        QStringLiteral("DELETE FROM qx_groups WHERE project_id=?"),
        QStringLiteral("DELETE FROM qx_history WHERE project_id=?"),
        QStringLiteral("DROP TABLE IF EXISTS ") + studentTableName(id),
        QStringLiteral("DROP TABLE IF EXISTS ") + workTableName(id),
    };
    const QList<QVariantList> values{{id}, {id}, {id}, {id}, {id}, {id}, {}, {}};
    QSqlQuery query(m_db);
    QString error;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        if (!run(query, steps[i], values[i], &error))
            return Status::failure(error);
        if (i == 0 && query.numRowsAffected() == 0)
            return Status::failure(QStringLiteral("不存在编号为%1的分班项目").arg(id));
    }
    return transaction.commit();
}

} // namespace fenban::store
