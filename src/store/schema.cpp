#include "store/schema.h"

#include "store/dialect.h"
#include "store/history.h"
#include "store/query.h"
#include "store/student_groups.h"

#include <QSqlError>
#include <QSqlQuery>

namespace fenban::store {

QString studentTableName(int projectId) {
    return QStringLiteral("qx_%1").arg(projectId);
}

QString workTableName(int projectId) {
    return QStringLiteral("rb_") + studentTableName(projectId);
}

QString createStudentTableSql(Backend backend, const QString &tableName) {
    const auto text = [backend](int length) {
        return studentTextType(backend, length);
    };
    const QString score = backend == Backend::PostgreSQL ? doubleType(backend) : QStringLiteral("float");
    QStringList scores;
    for (const char *subject :
         {"math", "english", "chinese", "wuli", "zhengzhi", "lishi", "tiyu", "dili", "shengwu"})
        scores.append(QLatin1String(subject) + QLatin1Char(' ') + score);
    return QStringLiteral("CREATE TABLE ") + tableName + QStringLiteral("(student_id ") +
           studentNumberType(backend) + QStringLiteral(" PRIMARY KEY,rec_id ") + text(100) +
           QStringLiteral(", student_name ") + text(50) + QStringLiteral(",sex ") + text(1) +
           QStringLiteral(", class_id int,") + scores.join(QLatin1Char(',')) +
           QStringLiteral(",oral_school ") + text(100) + QStringLiteral(",addr ") + text(100) +
           QStringLiteral(",type int,pingyin ") + text(100) + QStringLiteral(",qxMemo ") + text(100) +
           QStringLiteral(",pfType ") + text(10) + QLatin1Char(')');
}

const QStringList &studentColumns() {
    static const QStringList columns{
        QStringLiteral("student_id"), QStringLiteral("rec_id"),   QStringLiteral("student_name"),
        QStringLiteral("sex"),        QStringLiteral("class_id"), QStringLiteral("math"),
        QStringLiteral("english"),    QStringLiteral("chinese"),  QStringLiteral("wuli"),
        QStringLiteral("zhengzhi"),   QStringLiteral("lishi"),    QStringLiteral("tiyu"),
        QStringLiteral("dili"),       QStringLiteral("shengwu"),  QStringLiteral("oral_school"),
        QStringLiteral("addr"),       QStringLiteral("type"),     QStringLiteral("pingyin"),
        QStringLiteral("qxMemo"),     QStringLiteral("pfType"),
    };
    return columns;
}

Status createFixedTables(QSqlDatabase db) {
    const Backend backend = backendOf(db);
    // update_date is written by the program in its own local time; the default is for rows of files
    // written before.
    const QString created = backend == Backend::PostgreSQL
                                ? QStringLiteral("TEXT")
                                : QStringLiteral("DATETIME DEFAULT (datetime('now','localtime'))");
    const QString catalogue = QStringLiteral("CREATE TABLE IF NOT EXISTS qx_info(") +
                              identityColumn(backend) +
                              QStringLiteral(", memo TEXT, num INTEGER, update_date ") + created +
                              QStringLiteral(", table_name TEXT)");
    // Column order matters: a new project's row is inserted by position with 1,1,1,1,1,1,1,0,50,
    // which gives the six flags on, inter 1, is_man off and wtNum 50.
    const QString settings =
        QStringLiteral("CREATE TABLE IF NOT EXISTS config(id INTEGER PRIMARY KEY, is_avg_person INTEGER,"
                       " is_avg_total INTEGER, is_avg_ch INTEGER, is_avg_math INTEGER, is_avg_eng INTEGER,"
                       " is_avg_inter INTEGER, inter INTEGER, is_man INTEGER, wtNum INTEGER)");
    // Keyed by project id like `config`; a project without a row has the default settings, which is
    // how files of earlier versions are read.
    const QString optimiser =
        QStringLiteral("CREATE TABLE IF NOT EXISTS optimise_config(id INTEGER PRIMARY KEY, seconds ") +
        doubleType(backend) +
        QStringLiteral(" NOT NULL, after_division INTEGER NOT NULL, subjects INTEGER NOT NULL DEFAULT 511)");
    QSqlQuery query(db);
    for (const QString &statement : {catalogue, settings, optimiser}) {
        if (!query.exec(statement))
            return Status::failure(describeError(query.lastError()));
    }
    if (const Status groups = createGroupTables(db); !groups)
        return groups;
    return createHistoryTable(db);
}

} // namespace fenban::store
