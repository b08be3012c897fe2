#include "store/student_groups.h"

#include "store/database.h"
#include "store/projects.h"
#include "store/student_edits.h"
#include "store/students.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::StudentGroup;
using fenban::store::GroupMember;
using fenban::store::ProjectStore;
using fenban::store::StoredGroup;
using fenban::store::StudentStore;
using fenban::testing::StudentBuilder;
using fenban::testing::TempDatabase;
namespace store = fenban::store;

namespace {

constexpr auto apart = StudentGroup::Kind::Apart;
constexpr auto together = StudentGroup::Kind::Together;

// Project 1: seven students in two classes, so one class holds at most four.
class StudentGroupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高一"), 2}));
        const QStringList names{QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"),
                                QStringLiteral("赵六"), QStringLiteral("钱七"), QStringLiteral("孙八"),
                                QStringLiteral("周九")};
        QList<store::StudentRecord> records;
        for (qsizetype i = 0; i < names.size(); ++i)
            records.append(StudentBuilder(i + 1).name(names[i]));
        ASSERT_EQ(StudentStore(db.connection()).replaceAll(1, records).kind, store::ReplaceOutcome::Written);
    }

    int add(StudentGroup::Kind kind, const QList<qint64> &ids) {
        const auto added = store::addGroup(db.connection(), 1, kind, ids);
        EXPECT_TRUE(added) << added.error().toStdString();
        return added ? added.value() : 0;
    }

    QList<StoredGroup> stored() const {
        const auto found = store::groups(db.connection(), 1);
        EXPECT_TRUE(found) << found.error().toStdString();
        return found ? found.value() : QList<StoredGroup>{};
    }

    QStringList tables() const {
        return db.query(QStringLiteral("SELECT count(*) FROM qx_groups")) +
               db.query(QStringLiteral("SELECT count(*) FROM qx_group_members"));
    }

    TempDatabase db;
};

} // namespace

TEST_F(StudentGroupsTest, RulesReadBackInTheOrderMadeWithTheStudentsNamed) {
    const int first = add(together, {3, 1});
    const int second = add(apart, {2, 4, 5});
    EXPECT_LT(first, second);
    const QList<StoredGroup> expected{
        {first, together, {{1, QStringLiteral("张三")}, {3, QStringLiteral("王五")}}},
        {second,
         apart,
         {{2, QStringLiteral("李四")}, {4, QStringLiteral("赵六")}, {5, QStringLiteral("钱七")}}},
    };
    EXPECT_EQ(stored(), expected);
    const auto engine = store::engineGroups(db.connection(), 1);
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine.value(), (std::vector<StudentGroup>{{together, {1, 3}}, {apart, {2, 4, 5}}}));
}

struct BadGroup {
    const char *label;
    StudentGroup::Kind kind;
    QList<qint64> ids;
    QString message;
};

class BadGroupTest : public StudentGroupsTest, public ::testing::WithParamInterface<BadGroup> {};

TEST_P(BadGroupTest, IsRefusedNamingTheFaultAndStoresNothing) {
    const auto added = store::addGroup(db.connection(), 1, GetParam().kind, GetParam().ids);
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error(), GetParam().message);
    EXPECT_EQ(tables(), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadGroupTest,
    ::testing::Values(BadGroup{"none", apart, {}, QStringLiteral("至少需要两名学生")},
                      BadGroup{"one", together, {1}, QStringLiteral("至少需要两名学生")},
                      BadGroup{"unknown", apart, {1, 123}, QStringLiteral("学号不存在: 123")},
                      BadGroup{"twice", apart, {1, 2, 1}, QStringLiteral("学生重复: 1 张三")},
                      BadGroup{"itself", together, {2, 2}, QStringLiteral("学生重复: 2 李四")},
                      BadGroup{"too_many",
                               together,
                               {1, 2, 3, 4, 5},
                               QStringLiteral("同班组有5名学生，超过一个班的人数4")}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(StudentGroupsTest, AKeepTogetherRuleAsLargeAsAClassAndAnyKeepApartRuleAreAccepted) {
    add(together, {1, 2, 3, 4});
    add(apart, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(stored().size(), 2);
}

TEST_F(StudentGroupsTest, AnUnknownProjectIsNamed) {
    const auto added = store::addGroup(db.connection(), 9, apart, {1, 2});
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error(), QStringLiteral("不存在编号为9的分班项目"));
}

TEST_F(StudentGroupsTest, RemovingTakesOnlyThatRuleAndRefusesANumberTheProjectHasNot) {
    const int first = add(apart, {1, 2});
    const int second = add(apart, {3, 4});
    ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高二"), 2}));
    const fenban::Status removedElsewhere = store::removeGroup(db.connection(), 2, first);
    ASSERT_FALSE(removedElsewhere);
    EXPECT_EQ(removedElsewhere.error(), QStringLiteral("没有编号为%1的规则").arg(first));
    ASSERT_TRUE(store::removeGroup(db.connection(), 1, first));
    EXPECT_EQ(stored().size(), 1);
    EXPECT_EQ(stored().value(0).id, second);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_group_members")),
              QStringList{QStringLiteral("2")});
    EXPECT_FALSE(store::removeGroup(db.connection(), 1, first));
}

TEST_F(StudentGroupsTest, AChangedStudentNumberIsFollowedByItsRules) {
    const int group = add(apart, {1, 2});
    ASSERT_TRUE(store::updateStudent(db.connection(), 1, 1, StudentBuilder(11).name(QStringLiteral("张三"))));
    EXPECT_EQ(stored(), (QList<StoredGroup>{
                            {group, apart, {{2, QStringLiteral("李四")}, {11, QStringLiteral("张三")}}}}));
}

TEST_F(StudentGroupsTest, ADeletedStudentLeavesItsRulesAndARuleOfOneGoes) {
    const int pair = add(apart, {1, 2});
    const int three = add(together, {1, 3, 4});
    ASSERT_TRUE(store::deleteStudent(db.connection(), 1, 1));
    EXPECT_EQ(stored(), (QList<StoredGroup>{
                            {three, together, {{3, QStringLiteral("王五")}, {4, QStringLiteral("赵六")}}}}));
    EXPECT_NE(pair, three);
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_group_members")),
              QStringList{QStringLiteral("2")});
}

TEST_F(StudentGroupsTest, AFailedStudentEditLeavesTheRulesAsTheyWere) {
    add(apart, {1, 2});
    // Number 3 is taken: the edit is refused and the rule keeps student 1.
    ASSERT_FALSE(store::updateStudent(db.connection(), 1, 1, StudentBuilder(3)));
    ASSERT_FALSE(store::deleteStudent(db.connection(), 1, 99));
    EXPECT_EQ(stored().value(0).members.value(0).studentId, 1);
}

TEST_F(StudentGroupsTest, ReplacingEveryStudentRemovesTheRules) {
    add(apart, {1, 2});
    ASSERT_EQ(StudentStore(db.connection()).replaceAll(1, {StudentBuilder(1), StudentBuilder(2)}).kind,
              store::ReplaceOutcome::Written);
    EXPECT_EQ(tables(), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
}

TEST_F(StudentGroupsTest, ACancelledReplacementKeepsTheRules) {
    add(apart, {1, 2});
    const auto outcome =
        StudentStore(db.connection()).replaceAll(1, {StudentBuilder(1)}, [](qsizetype) { return false; });
    ASSERT_EQ(outcome.kind, store::ReplaceOutcome::Cancelled);
    EXPECT_EQ(stored().size(), 1);
}

TEST_F(StudentGroupsTest, DeletingTheProjectDeletesItsRulesOnly) {
    ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高二"), 2}));
    ASSERT_EQ(StudentStore(db.connection()).replaceAll(2, {StudentBuilder(1), StudentBuilder(2)}).kind,
              store::ReplaceOutcome::Written);
    add(apart, {1, 2});
    ASSERT_TRUE(store::addGroup(db.connection(), 2, apart, {1, 2}));
    ASSERT_TRUE(ProjectStore(db.connection()).remove(1));
    EXPECT_EQ(db.query(QStringLiteral("SELECT project_id, kind FROM qx_groups")),
              QStringList{QStringLiteral("2|apart")});
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM qx_group_members")),
              QStringList{QStringLiteral("2")});
}

TEST_F(StudentGroupsTest, AnOlderFileGetsTheRuleTablesWhenOpened) {
    db.query(QStringLiteral("DROP TABLE qx_groups"));
    db.query(QStringLiteral("DROP TABLE qx_group_members"));
    const auto reopened = store::Database::open(db.location());
    ASSERT_TRUE(reopened) << reopened.error().toStdString();
    EXPECT_TRUE(store::addGroup(reopened.value()->connection(), 1, apart, {1, 2}));
    EXPECT_EQ(stored().size(), 1);
}
