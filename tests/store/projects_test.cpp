#include "store/projects.h"

#include "store/schema.h"
#include "support/temp_database.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

using fenban::store::checkNewProject;
using fenban::store::NewProject;
using fenban::store::ProjectStore;
using fenban::testing::TempDatabase;

namespace {

const QStringList studentTableLayout{
    QStringLiteral("student_id|INT|1"),
    QStringLiteral("rec_id|char(100)|0"),
    QStringLiteral("student_name|char(50)|0"),
    QStringLiteral("sex|char(1)|0"),
    QStringLiteral("class_id|INT|0"),
    QStringLiteral("math|float|0"),
    QStringLiteral("english|float|0"),
    QStringLiteral("chinese|float|0"),
    QStringLiteral("wuli|float|0"),
    QStringLiteral("zhengzhi|float|0"),
    QStringLiteral("lishi|float|0"),
    QStringLiteral("tiyu|float|0"),
    QStringLiteral("dili|float|0"),
    QStringLiteral("shengwu|float|0"),
    QStringLiteral("oral_school|char(100)|0"),
    QStringLiteral("addr|char(100)|0"),
    QStringLiteral("type|INT|0"),
    QStringLiteral("pingyin|char(100)|0"),
    QStringLiteral("qxMemo|char(100)|0"),
    QStringLiteral("pfType|char(10)|0"),
};

// On a server the names are folded to lower case, the number holds 18 digits and the texts are of
// any length, as a file's columns were in practice.
QStringList serverStudentTableLayout() {
    QStringList layout;
    for (const QString &column : studentTableLayout) {
        const QStringList parts = column.split(QLatin1Char('|'));
        QString type = parts[1];
        if (parts[0] == QStringLiteral("student_id"))
            type = QStringLiteral("bigint");
        else if (type == QStringLiteral("INT"))
            type = QStringLiteral("integer");
        else if (type == QStringLiteral("float"))
            type = QStringLiteral("double precision");
        else
            type = QStringLiteral("text");
        layout.append(parts[0].toLower() + QLatin1Char('|') + type + QLatin1Char('|') + parts[2]);
    }
    return layout;
}

QStringList tableLayout(const TempDatabase &db, const QString &table) {
    if (db.isServer())
        return db.query(QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod), "
                                       "(SELECT count(*) FROM pg_index i WHERE i.indrelid = a.attrelid "
                                       "AND i.indisprimary AND a.attnum = ANY(i.indkey)) "
                                       "FROM pg_attribute a WHERE a.attrelid = to_regclass('%1') "
                                       "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum")
                            .arg(table));
    return db.query(QStringLiteral("SELECT name, type, pk FROM pragma_table_info('%1')").arg(table));
}

QStringList tables(const TempDatabase &db) {
    if (db.isServer())
        return db.query(QStringLiteral("SELECT table_name FROM information_schema.tables "
                                       "WHERE table_schema = current_schema() AND table_name ~ 'qx_[0-9]' "
                                       "ORDER BY table_name COLLATE \"C\""));
    return db.query(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name GLOB '*qx_[0-9]*' "
                       "ORDER BY name"));
}

} // namespace

TEST(Projects, FirstProjectGetsIdOneBothTablesAndDefaultSettings) {
    TempDatabase db;
    ProjectStore store(db.connection());
    const auto created = store.create({QStringLiteral("2026级新生"), 6});
    ASSERT_TRUE(created) << created.error().toStdString();

    EXPECT_EQ(created->id, 1);
    EXPECT_EQ(created->tableName, QStringLiteral("qx_1"));
    EXPECT_EQ(created->studentTable(), QStringLiteral("qx_1"));
    EXPECT_EQ(created->workTable(), QStringLiteral("rb_qx_1"));
    EXPECT_FALSE(created->createdAt.isEmpty());
    EXPECT_EQ(db.query(QStringLiteral("SELECT id, memo, num, table_name FROM qx_info")),
              QStringList{QStringLiteral("1|2026级新生|6|qx_1")});
    const QStringList layout = db.isServer() ? serverStudentTableLayout() : studentTableLayout;
    EXPECT_EQ(tableLayout(db, QStringLiteral("qx_1")), layout);
    EXPECT_EQ(tableLayout(db, QStringLiteral("rb_qx_1")), layout);
    EXPECT_EQ(fenban::store::studentColumns().size(), studentTableLayout.size());
    EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM config")),
              QStringList{QStringLiteral("1|1|1|1|1|1|1|1|0|50")});
}

TEST(Projects, CreationTimeIsFilledByTheDatabase) {
    TempDatabase db;
    ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
    const QStringList age = db.query(
        db.isServer()
            ? QStringLiteral(
                  "SELECT CASE WHEN abs(extract(epoch FROM update_date::timestamp - localtimestamp)) "
                  "< 60 THEN 1 ELSE 0 END FROM qx_info")
            : QStringLiteral(
                  "SELECT abs(strftime('%s', update_date) - strftime('%s', 'now', 'localtime')) < 60 "
                  "FROM qx_info"));
    EXPECT_EQ(age, QStringList{QStringLiteral("1")});
}

TEST(Projects, DescriptionIsStoredAsTypedEvenWithQuotes) {
    TempDatabase db;
    ProjectStore store(db.connection());
    const QString memo = QStringLiteral("初一'(3)\"班; DROP TABLE config");
    const auto created = store.create({memo, 3});
    ASSERT_TRUE(created) << created.error().toStdString();
    const auto found = store.find(created->id);
    ASSERT_TRUE(found && found.value());
    EXPECT_EQ(found.value()->memo, memo);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM config")), QStringList{QStringLiteral("1")});
}

TEST(Projects, CreationThatFailsHalfWayLeavesNothingBehind) {
    TempDatabase db;
    // A stray table with the name the new project's student table would get makes step three fail.
    db.query(QStringLiteral("CREATE TABLE qx_1(x int)"));
    ProjectStore store(db.connection());
    const auto failed = store.create({QStringLiteral("a"), 4});
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().contains(QStringLiteral("already exists"))) << failed.error().toStdString();
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_info")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM config")), QStringList{QStringLiteral("0")});
    EXPECT_EQ(tables(db), QStringList{QStringLiteral("qx_1")});

    db.query(QStringLiteral("DROP TABLE qx_1"));
    const auto retried = store.create({QStringLiteral("a"), 4});
    ASSERT_TRUE(retried) << retried.error().toStdString();
    // A server's sequence does not take back a number given to a transaction that failed.
    EXPECT_EQ(retried->id, db.isServer() ? 2 : 1);
}

TEST(Projects, ListsInIdOrderAndFindsById) {
    TempDatabase db;
    ProjectStore store(db.connection());
    ASSERT_TRUE(store.create({QStringLiteral("甲"), 2}));
    ASSERT_TRUE(store.create({QStringLiteral("乙"), 8}));
    const auto projects = store.list();
    ASSERT_TRUE(projects);
    ASSERT_EQ(projects->size(), 2);
    EXPECT_EQ(projects.value()[1].memo, QStringLiteral("乙"));
    EXPECT_EQ(projects.value()[1].classes, 8);
    const auto missing = store.find(3);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing.value().has_value());
}

TEST(Projects, DeletingRemovesCatalogueRowSettingsRowAndBothTables) {
    TempDatabase db;
    ProjectStore store(db.connection());
    ASSERT_TRUE(store.create({QStringLiteral("甲"), 2}));
    ASSERT_TRUE(store.create({QStringLiteral("乙"), 3}));
    const auto removed = store.remove(1);
    ASSERT_TRUE(removed) << removed.error().toStdString();

    EXPECT_EQ(db.query(QStringLiteral("SELECT id FROM qx_info")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT id FROM config")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(tables(db), (QStringList{QStringLiteral("qx_2"), QStringLiteral("rb_qx_2")}));

    // Ids are never given out again, so a new project cannot inherit a deleted one's table names.
    const auto next = store.create({QStringLiteral("丙"), 3});
    ASSERT_TRUE(next);
    EXPECT_EQ(next->id, 3);
}

TEST(Projects, DeletingAnUnknownProjectFailsAndChangesNothing) {
    TempDatabase db;
    ProjectStore store(db.connection());
    ASSERT_TRUE(store.create({QStringLiteral("甲"), 2}));
    EXPECT_FALSE(store.remove(9));
    EXPECT_EQ(tables(db), (QStringList{QStringLiteral("qx_1"), QStringLiteral("rb_qx_1")}));
}

TEST(Projects, DeletionThatFailsHalfWayIsRolledBack) {
    TempDatabase db;
    ProjectStore store(db.connection());
    ASSERT_TRUE(store.create({QStringLiteral("甲"), 2}));
    db.query(QStringLiteral("INSERT INTO qx_1(student_id) VALUES(1), (2)"));
    // A view over the student table keeps a server from dropping it.
    if (db.isServer())
        db.query(QStringLiteral("CREATE VIEW keeps_qx_1 AS SELECT * FROM qx_1"));
    {
        // A statement still reading the student table keeps SQLite from dropping it.
        QSqlQuery reader(db.connection());
        ASSERT_TRUE(reader.exec(QStringLiteral("SELECT student_id FROM qx_1")));
        ASSERT_TRUE(reader.next());
        const auto removed = store.remove(1);
        ASSERT_FALSE(removed);
        EXPECT_FALSE(removed.error().isEmpty());
    }
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_info")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM config")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_1")), QStringList{QStringLiteral("2")});
}

TEST(Projects, NewProjectInputIsChecked) {
    const QString noMemo = QStringLiteral("请输入分班描述");
    const QString badClasses = QStringLiteral("班级数必须是大于0的整数");
    const struct {
        const char16_t *memo;
        const char16_t *classes;
        QString error;
    } cases[] = {
        {u"", u"6", noMemo},          {u"   ", u"6", noMemo},        {u"高一", u"0", badClasses},
        {u"高一", u"-2", badClasses}, {u"高一", u"2.5", badClasses}, {u"高一", u"六", badClasses},
        {u"高一", u"", badClasses},   {u"高一", u" 12 ", QString()},
    };
    for (const auto &c : cases) {
        const auto checked = checkNewProject(QString::fromUtf16(c.memo), QString::fromUtf16(c.classes));
        EXPECT_EQ(checked.error(), c.error) << QString::fromUtf16(c.classes).toStdString();
        if (c.error.isEmpty()) {
            ASSERT_TRUE(checked);
            EXPECT_EQ(checked->classes, 12);
        }
    }
}

TEST(Projects, CreationRefusesClassCountsOutsideTheBounds) {
    TempDatabase db;
    ProjectStore store(db.connection());
    for (const int classes : {0, -3, 1001, 100000000}) {
        const auto created = store.create({QStringLiteral("高一"), classes});
        ASSERT_FALSE(created) << classes;
        EXPECT_EQ(created.error(), QStringLiteral("班级数必须在1到1000之间"));
    }
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_info")), QStringList{QStringLiteral("0")});
    for (const int classes : {1, 1000})
        EXPECT_TRUE(store.create({QStringLiteral("高一"), classes})) << classes;
}
