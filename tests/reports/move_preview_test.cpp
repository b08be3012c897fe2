#include "reports/move_preview.h"

#include "store/projects.h"
#include "store/students.h"
#include "support/qt_printers.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::StudentGroup;
using fenban::StudentRow;
using fenban::reports::ClassChange;
using fenban::reports::ClassFigures;
using fenban::reports::MovePreview;
using fenban::reports::StudentMove;
using fenban::store::StoredGroup;

namespace {

constexpr std::size_t math = 0;
constexpr std::size_t total = fenban::subjectCount;

StudentRow student(std::int64_t id, const std::string &name, const std::string &sex, int classId,
                   double score, const std::string &pinyin) {
    StudentRow row;
    row.studentId = id;
    row.name = name;
    row.sex = sex;
    row.classId = classId;
    row.scores.fill(score);
    row.pingyin = pinyin;
    return row;
}

// Three classes; 张三 and 章三 sound alike; class 3 is empty and 赵六 in no class.
std::vector<StudentRow> cohort() {
    return {
        student(1, "张三", "男", 1, 80, "zhangsan"),  student(2, "李四", "女", 1, 90, "lisi"),
        student(3, "章三", "女 ", 2, 70, "zhangsan"), student(4, "王五", "男", 2, 60, "wangwu"),
        student(5, "赵六", "男", 0, 50, "zhaoliu"),
    };
}

// 1 and 2 kept apart is already broken in class 1, 2 and 4 kept together already broken.
QList<StoredGroup> rules() {
    const fenban::store::GroupMember zhang{1, QStringLiteral("张三")};
    const fenban::store::GroupMember li{2, QStringLiteral("李四")};
    return {
        {7, StudentGroup::Kind::Apart, {zhang, li}},
        {8, StudentGroup::Kind::Apart, {zhang, {3, QStringLiteral("章三")}}},
        {9, StudentGroup::Kind::Together, {li, {4, QStringLiteral("王五")}}},
    };
}

MovePreview preview(const std::vector<StudentMove> &moves, std::size_t measure = math) {
    const auto previewed = fenban::reports::previewMoves(cohort(), 3, rules(), measure, moves);
    EXPECT_TRUE(previewed) << previewed.error().toStdString();
    return previewed ? previewed.value() : MovePreview{};
}

} // namespace

TEST(MovePreview, ASwapShowsBothClassesBeforeAndAfter) {
    // Class 1: 80 and 90 become 60 and 90; class 2: 70 and 60 become 70 and 80. Sexes stay one each.
    const MovePreview swapped = preview({{1, 2}, {4, 1}});
    const std::vector<ClassChange> expected{
        {1, {2, 1, 1, 765, 85}, {2, 1, 1, 675, 75}},
        {2, {2, 1, 1, 585, 65}, {2, 1, 1, 675, 75}},
    };
    EXPECT_EQ(swapped.classes, expected);
    // The chosen measure may be the total.
    EXPECT_EQ(preview({{1, 2}, {4, 1}}, total).classes[0].after.subjectMean, 675);
}

TEST(MovePreview, AStudentInNoClassOnlyChangesTheClassItJoins) {
    const MovePreview joined = preview({{5, 3}});
    EXPECT_EQ(joined.classes, (std::vector<ClassChange>{{3, ClassFigures{}, {1, 1, 0, 450, 50}}}));
    EXPECT_FALSE(joined.hasConflicts());
}

struct ConflictCase {
    const char *label;
    std::vector<StudentMove> moves;
    QStringList homophones;
    QStringList apart;
    QStringList together;
};

class MoveConflicts : public ::testing::TestWithParam<ConflictCase> {};

TEST_P(MoveConflicts, AreTheOnesTheMovesCreate) {
    const MovePreview previewed = preview(GetParam().moves);
    EXPECT_EQ(previewed.homophones, GetParam().homophones);
    EXPECT_EQ(previewed.apartBroken, GetParam().apart);
    EXPECT_EQ(previewed.togetherBroken, GetParam().together);
    EXPECT_EQ(previewed.conflicts(), GetParam().homophones + GetParam().apart + GetParam().together);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveConflicts,
    ::testing::Values(ConflictCase{"own_class", {{2, 1}}, {}, {}, {}},
                      ConflictCase{"homophone_and_apart",
                                   {{1, 2}},
                                   {QStringLiteral("1 张三与3 章三同音, 同在2班")},
                                   {QStringLiteral("分开规则8: 1 张三、3 章三 将同在2班")},
                                   {}},
                      // Rule 9 stays broken as it was, rule 7 is mended: nothing new.
                      ConflictCase{"broken_before", {{4, 1}, {2, 2}}, {}, {}, {}},
                      ConflictCase{"together_split_further",
                                   {{4, 3}},
                                   {},
                                   {},
                                   {QStringLiteral("同班规则9: 2 李四、4 王五 将分在1班、3班")}},
                      // Both move into class 3: one pair, told once.
                      ConflictCase{"both_move",
                                   {{1, 3}, {3, 3}},
                                   {QStringLiteral("1 张三与3 章三同音, 同在3班")},
                                   {QStringLiteral("分开规则8: 1 张三、3 章三 将同在3班")},
                                   {}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(MovePreview, RefusesMovesItCannotMake) {
    const struct {
        std::vector<StudentMove> moves;
        QString message;
    } cases[] = {
        {{{99, 1}}, QStringLiteral("学号不存在: 99")},
        {{{1, 2}, {1, 3}}, QStringLiteral("学生重复: 1 张三")},
        {{{1, 4}}, QStringLiteral("班级号必须在1到3之间: 4")},
        {{{1, 0}}, QStringLiteral("班级号必须在1到3之间: 0")},
    };
    for (const auto &c : cases) {
        const auto previewed = fenban::reports::previewMoves(cohort(), 3, rules(), math, c.moves);
        ASSERT_FALSE(previewed) << c.message.toStdString();
        EXPECT_EQ(previewed.error(), c.message);
    }
}

TEST(MovePreview, LoadReadsTheProjectsStudentsAndRules) {
    fenban::testing::TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 2}));
    QList<fenban::store::StudentRecord> records;
    for (const StudentRow &row : cohort())
        records.append(fenban::testing::StudentBuilder(row.studentId)
                           .name(QString::fromStdString(row.name))
                           .sex(QString::fromStdString(row.sex))
                           .inClass(row.classId)
                           .scores(row.scores[0])
                           .pinyin(QString::fromStdString(row.pingyin)));
    ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, records).kind,
              fenban::store::ReplaceOutcome::Written);
    const auto rule = fenban::store::addGroup(db.connection(), 1, StudentGroup::Kind::Apart, {2, 3});
    ASSERT_TRUE(rule);

    const auto loaded = fenban::reports::loadMovePreview(db.connection(), 1, {{3, 1}}, math);
    ASSERT_TRUE(loaded) << loaded.error().toStdString();
    EXPECT_EQ(loaded->classes.size(), 2U);
    EXPECT_EQ(loaded->classes[0].after, (ClassFigures{3, 1, 2, 720, 80}));
    EXPECT_EQ(loaded->apartBroken,
              QStringList{QStringLiteral("分开规则%1: 2 李四、3 章三 将同在1班").arg(rule.value())});
    EXPECT_EQ(loaded->homophones, QStringList{QStringLiteral("1 张三与3 章三同音, 同在1班")});

    const auto missing = fenban::reports::loadMovePreview(db.connection(), 5, {{3, 1}}, math);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), QStringLiteral("不存在编号为5的分班项目"));
}
