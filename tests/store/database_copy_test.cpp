#include "store/database_copy.h"

#include "store/dialect.h"
#include "store/history.h"
#include "store/optimise_settings.h"
#include "store/projects.h"
#include "store/settings.h"
#include "store/student_groups.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <map>

using fenban::StudentGroup;
using fenban::store::CopiedProject;
using fenban::store::copyDatabase;
using fenban::store::ProjectStore;
using fenban::testing::StudentBuilder;
using fenban::testing::TempDatabase;

namespace {

// Every table of the database (the file's own counters aside), each as its rows sorted, each cell
// with its kind, so that 90 and "90" or NULL and "" tell apart.
using Dump = std::map<QString, QStringList>;

Dump dump(QSqlDatabase db) {
    Dump tables;
    const auto names = fenban::store::tableNames(db);
    EXPECT_TRUE(names) << names.error().toStdString();
    if (!names)
        return tables;
    for (const QString &table : names.value()) {
        if (table == QStringLiteral("sqlite_sequence"))
            continue;
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM ") + table)) << table.toStdString();
        QStringList rows;
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.record().count(); ++i) {
                const QVariant value = query.value(i);
                if (value.isNull())
                    cells.append(QStringLiteral("NULL"));
                else if (value.typeId() == QMetaType::QByteArray)
                    cells.append(QStringLiteral("bytes:") + QString::fromLatin1(value.toByteArray().toHex()));
                else
                    cells.append(QString::fromLatin1(value.typeName()) + QLatin1Char(':') + value.toString());
            }
            rows.append(cells.join(QLatin1Char('|')));
        }
        rows.sort();
        tables[table] = rows;
    }
    return tables;
}

fenban::store::StudentRecord student(int id, int classId) {
    return StudentBuilder(id)
        .recId(QStringLiteral("R%1").arg(id))
        .name(QStringLiteral("学生%1").arg(id))
        .sex(id % 2 ? QStringLiteral("男") : QStringLiteral("女"))
        .inClass(classId)
        .type(classId ? 1 : 0)
        .scoresBy([id](std::size_t i) { return 50 + (id * 7 + static_cast<int>(i)) % 45 + 0.5; })
        .pinyin(QStringLiteral("XUE SHENG %1").arg(id))
        .category(id % 3 ? QStringLiteral("A") : QString());
}

// Projects 2 and 3 of a database whose project 1 and first rule were deleted, so the numbers the
// copy must keep are not simply 1, 2, 3; the counters stand above them.
class DatabaseCopy : public ::testing::Test {
protected:
    void SetUp() override {
        QSqlDatabase db = source.connection();
        ProjectStore projects(db);
        for (const char *memo : {"作废", "2024级新生", "2025级新生"})
            ASSERT_TRUE(projects.create({QString::fromUtf8(memo), 3}));
        ASSERT_TRUE(projects.remove(1));

        fenban::store::StudentStore students(db);
        QList<fenban::store::StudentRecord> cohort;
        for (int id = 1; id <= 9; ++id)
            cohort.append(student(id, id % 4));
        // A score that only survives with every digit, and subjects left empty.
        cohort[0].scores[0] = 0.1 + 0.2;
        cohort[1].scores[3] = std::nullopt;
        ASSERT_EQ(students.replaceAll(2, cohort).kind, fenban::store::ReplaceOutcome::Written);
        ASSERT_EQ(students.replaceAll(3, {student(100, 0), student(101, 2)}).kind,
                  fenban::store::ReplaceOutcome::Written);

        fenban::store::ProjectSettings settings;
        settings.wtNum = 7;
        settings.isMan = std::nullopt;
        ASSERT_TRUE(fenban::store::SettingsStore(db).write(2, settings));
        fenban::store::OptimiseSettings optimise;
        optimise.seconds = 12.5;
        optimise.subjects[4] = false;
        ASSERT_TRUE(fenban::store::OptimiseSettingsStore(db).write(3, optimise));

        const auto dropped = fenban::store::addGroup(db, 2, StudentGroup::Kind::Apart, {1, 2});
        ASSERT_TRUE(dropped);
        ASSERT_TRUE(fenban::store::removeGroup(db, 2, dropped.value()));
        ASSERT_TRUE(fenban::store::addGroup(db, 2, StudentGroup::Kind::Apart, {3, 4, 5}));
        ASSERT_TRUE(fenban::store::addGroup(db, 2, StudentGroup::Kind::Together, {6, 7}));
        ASSERT_TRUE(fenban::store::recordSnapshot(db, 2, QStringLiteral("调整")));
    }

    int highest(const TempDatabase &db, const QString &table) const {
        const QStringList rows = db.query(QStringLiteral("SELECT MAX(id) FROM ") + table);
        return rows.isEmpty() ? 0 : rows.first().toInt();
    }

    TempDatabase source;
    TempDatabase target;
};

} // namespace

TEST_F(DatabaseCopy, EveryTableArrivesRowForRowWithItsNumbersAndKinds) {
    const Dump before = dump(source.connection());
    ASSERT_EQ(before.at(QStringLiteral("qx_info")).size(), 2);
    ASSERT_EQ(before.at(QStringLiteral("qx_group_members")).size(), 5);
    ASSERT_FALSE(before.at(QStringLiteral("qx_history")).isEmpty());

    QList<CopiedProject> told;
    const auto copied =
        copyDatabase(source.connection(), target.connection(), [&](const CopiedProject &project) {
            told.append(project);
            return true;
        });
    ASSERT_TRUE(copied) << copied.error().toStdString();

    EXPECT_EQ(dump(target.connection()), before);
    EXPECT_EQ(dump(source.connection()), before);
    ASSERT_EQ(told.size(), 2);
    EXPECT_EQ(told[0].id, 2);
    EXPECT_EQ(told[0].memo, QStringLiteral("2024级新生"));
    EXPECT_EQ(told[0].students, 9);
    EXPECT_EQ(told[1].id, 3);
    EXPECT_EQ(told[1].students, 2);
}

TEST_F(DatabaseCopy, NewRowsOfTheTargetAreNumberedAboveTheCopiedOnes) {
    ASSERT_TRUE(copyDatabase(source.connection(), target.connection()));
    const int group = highest(target, QStringLiteral("qx_groups"));
    const int snapshot = highest(target, QStringLiteral("qx_history"));
    QSqlDatabase db = target.connection();

    const auto project = ProjectStore(db).create({QStringLiteral("新"), 2});
    ASSERT_TRUE(project) << project.error().toStdString();
    EXPECT_EQ(project.value().id, 4);
    const auto rule = fenban::store::addGroup(db, 3, StudentGroup::Kind::Apart, {100, 101});
    ASSERT_TRUE(rule) << rule.error().toStdString();
    EXPECT_EQ(rule.value(), group + 1);
    ASSERT_TRUE(fenban::store::recordSnapshot(db, 3, QStringLiteral("调整")));
    EXPECT_EQ(highest(target, QStringLiteral("qx_history")), snapshot + 1);
}

TEST_F(DatabaseCopy, ProjectsOfOtherNumbersInTheTargetStay) {
    ASSERT_TRUE(ProjectStore(target.connection()).create({QStringLiteral("本校原有"), 2}));
    // Its settings row is all it has: no rules and no history whose numbers the copy would need.
    const QStringList own = target.query(QStringLiteral("SELECT id, memo, num FROM qx_info"));

    ASSERT_TRUE(copyDatabase(source.connection(), target.connection()));
    EXPECT_EQ(target.query(QStringLiteral("SELECT id, memo, num FROM qx_info WHERE id=1")), own);
    EXPECT_EQ(target.query(QStringLiteral("SELECT id FROM qx_info ORDER BY id")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

// Each case prepares a target the copy must refuse or fail on; the target must stay as it was.
struct RefusedCase {
    const char *name;
    std::function<void(TempDatabase &)> prepare;
    QString message; // the whole message, or its start when `startOnly`
    bool startOnly = false;
};

class DatabaseCopyRefused : public DatabaseCopy, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(DatabaseCopyRefused, LeavesTheTargetAsItWas) {
    GetParam().prepare(target);
    const Dump before = dump(target.connection());

    const auto copied = copyDatabase(source.connection(), target.connection());
    ASSERT_FALSE(copied);
    if (GetParam().startOnly)
        EXPECT_TRUE(copied.error().startsWith(GetParam().message)) << copied.error().toStdString();
    else
        EXPECT_EQ(copied.error(), GetParam().message);
    EXPECT_EQ(dump(target.connection()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, DatabaseCopyRefused,
    ::testing::Values(
        RefusedCase{"ProjectNumbersTaken",
                    [](TempDatabase &db) {
                        ProjectStore projects(db.connection());
                        for (int i = 0; i < 3; ++i)
                            ASSERT_TRUE(projects.create({QStringLiteral("本校"), 2}));
                    },
                    QStringLiteral("目标数据库中已有编号相同的分班项目: 2, 3")},
        RefusedCase{"RuleNumbersTaken",
                    [](TempDatabase &db) {
                        db.query(QStringLiteral(
                            "INSERT INTO qx_groups(id, project_id, kind) VALUES(3, 9, 'apart')"));
                    },
                    QStringLiteral("目标数据库中已有编号相同的分班规则: 3")},
        // A table left behind by a project deleted by hand: the second project fails after the first
        // is written.
        RefusedCase{"StrayStudentTable",
                    [](TempDatabase &db) { db.query(QStringLiteral("CREATE TABLE qx_3(student_id int)")); },
                    QStringLiteral("复制分班项目 3 时出错: "), true},
        // A member row of a rule that is gone, under a number the copied rule brings: the counts
        // after the copy no longer agree.
        RefusedCase{
            "CountsDiffer",
            [](TempDatabase &db) {
                db.query(QStringLiteral("INSERT INTO qx_group_members(group_id, student_id) VALUES(3, 999)"));
            },
            QStringLiteral("复制后表 qx_group_members 的行数不一致: 源数据库 5 行, 目标数据库 6 行")}),
    [](const ::testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.name); });

TEST_F(DatabaseCopy, StoppingFromTheProgressLeavesTheTargetAsItWas) {
    const Dump before = dump(target.connection());
    int told = 0;
    const auto copied = copyDatabase(source.connection(), target.connection(),
                                     [&](const CopiedProject &) { return ++told < 2; });
    ASSERT_FALSE(copied);
    EXPECT_EQ(copied.error(), fenban::store::copyStoppedMessage());
    EXPECT_EQ(told, 2);
    EXPECT_EQ(dump(target.connection()), before);
}

TEST_F(DatabaseCopy, ADatabaseIsNotCopiedIntoItself) {
    const Dump before = dump(source.connection());
    const auto copied = copyDatabase(source.connection(), source.connection());
    ASSERT_FALSE(copied);
    EXPECT_TRUE(copied.error().startsWith(QStringLiteral("源数据库和目标数据库是同一个: ")))
        << copied.error().toStdString();
    EXPECT_EQ(dump(source.connection()), before);
}
