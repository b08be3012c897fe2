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
            cells.append(query.value(i).toString());
        rows.append(cells.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace fenban::testing
