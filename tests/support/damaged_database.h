#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

namespace fenban::testing {

// Overwrites one leaf page in the middle of `table`'s b-tree with bytes no page may start with, as a
// failing disk would, so that reading the table stops with an error part way through. No
// connection to the file may be open: the last one to close has copied the journal into the file.
inline void damageTablePage(const QString &path, const QString &table) {
    int rootPage = 0;
    int pageSize = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("damage"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA page_size")) && query.next());
        pageSize = query.value(0).toInt();
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='") + table +
                               QLatin1Char('\'')) &&
                    query.next());
        rootPage = query.value(0).toInt();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("damage"));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(qint64(rootPage - 1) * pageSize));
    const QByteArray root = file.read(pageSize);
    const auto byte = [&](int offset) {
        return static_cast<unsigned char>(root[offset]);
    };
    // 0x05: an interior page of a table, pointing to the leaves; the table must not fit one page.
    ASSERT_EQ(byte(0), 0x05) << "the table is too small to damage a page in its middle";
    const int cells = byte(3) << 8 | byte(4);
    const int pointer = 12 + 2 * (cells / 2);
    const int cell = byte(pointer) << 8 | byte(pointer + 1);
    const qint64 child =
        qint64(byte(cell)) << 24 | byte(cell + 1) << 16 | byte(cell + 2) << 8 | byte(cell + 3);
    ASSERT_TRUE(file.seek((child - 1) * pageSize));
    ASSERT_EQ(file.write(QByteArray(pageSize, '\xFF')), pageSize);
}

} // namespace fenban::testing
