#include "store/schema.h"

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

QString createStudentTableSql(const QString &tableName) {
    return QStringLiteral("CREATE TABLE ") + tableName +
           QStringLiteral("(student_id int PRIMARY KEY,rec_id char(100),") +
           QStringLiteral(" student_name char(50),sex char(1),") +
           QStringLiteral(" class_id int,math float,english float,chinese float,wuli float,zhengzhi float,"
                          "lishi float,tiyu float,dili float,shengwu float,") +
           QStringLiteral("oral_school char(100),addr char(100),type int,pingyin char(100),qxMemo char(100),"
                          "pfType char(10))");
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
    // AUTOINCREMENT: an id is never given out twice, so a deleted project's number (and with it the
    // names of its tables) never comes back for another project.
    const QString catalogue = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS qx_info(id INTEGER PRIMARY KEY AUTOINCREMENT, memo TEXT, num INTEGER,"
        " update_date DATETIME DEFAULT (datetime('now','localtime')), table_name TEXT)");
    // Column order matters: a new project's row is inserted by position with 1,1,1,1,1,1,1,0,50,
    // which gives the six flags on, inter 1, is_man off and wtNum 50.
    const QString settings =
        QStringLiteral("CREATE TABLE IF NOT EXISTS config(id INTEGER PRIMARY KEY, is_avg_person INTEGER,"
                       " is_avg_total INTEGER, is_avg_ch INTEGER, is_avg_math INTEGER, is_avg_eng INTEGER,"
                       " is_avg_inter INTEGER, inter INTEGER, is_man INTEGER, wtNum INTEGER)");
    // Keyed by project id like `config`; a project without a row has the default settings, which is
    // how files of earlier versions are read.
    const QString optimiser = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS optimise_config(id INTEGER PRIMARY KEY, seconds REAL NOT NULL,"
        " after_division INTEGER NOT NULL, subjects INTEGER NOT NULL DEFAULT 511)");
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
