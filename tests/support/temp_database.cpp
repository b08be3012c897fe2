#include "support/temp_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

namespace fenban::testing {

TempDatabase::TempDatabase() : m_schema(onServer() ? std::make_unique<ServerSchema>() : nullptr) {
    auto opened = store::Database::open(location());
    if (!opened)
        ADD_FAILURE() << opened.error().toStdString();
    else
        m_database = std::move(opened.value());
}

QStringList TempDatabase::query(const QString &sql) const {
    QSqlQuery query(connection());
    if (!query.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < query.record().count(); ++i)
            cells.append(query.isNull(i) ? QString() : query.value(i).toString());
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

void TempDatabase::refuseWrites(const QString &name, const QString &event, const QString &table,
                                const QString &condition, const QString &message) const {
    if (!isServer()) {
        query(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 WHEN %4 BEGIN SELECT RAISE(ABORT, '%5'); END")
                  .arg(name, event, table, condition, message));
        return;
    }
    query(QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF %2 THEN "
                         "RAISE EXCEPTION '%3'; END IF; RETURN NEW; END $$")
              .arg(name, condition, message));
    query(QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()")
              .arg(name, event, table));
}

} // namespace fenban::testing
