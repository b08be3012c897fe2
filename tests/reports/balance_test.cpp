#include "reports/balance.h"

#include "store/projects.h"
#include "store/student_groups.h"
#include "store/students.h"
#include "support/qt_printers.h"
#include "support/student_builder.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using fenban::Placement;
using fenban::StudentRow;
using fenban::reports::BalanceFigure;
using fenban::reports::BalanceReport;
using fenban::reports::balanceReport;
using fenban::reports::balanceSummary;

namespace {

constexpr double tolerance = 1e-9;

// A student with the same score in all nine subjects.
StudentRow student(std::int64_t id, const std::string &name, const std::string &sex, int classId,
                   double score, const std::string &pinyin = {}, const std::string &category = {}) {
    StudentRow row;
    row.studentId = id;
    row.name = name;
    row.sex = sex;
    row.classId = classId;
    row.type = classId ? Placement::Placed : Placement::Waiting;
    row.scores.fill(score);
    row.pingyin = pinyin;
    row.pfType = category;
    return row;
}

// Three classes, the third empty. Class 1 holds a pair of homophones, class 2 three students with
// one pinyin form (three pairs), two of them with one name once trimmed ("王五" and "王五 "), and a
// sex and a category padded with the ideographic space. Student 5's sex is only an ideographic
// space, student 7 sits in a class beyond the three.
//
//   id  sex  class  category  score  band
//    1  男     1     艺术       80     8
//    2  女     1                90     9
//    3  男     2     艺术       70     7
//    4  女     2               100    10
//    5         0                60     6
//    6  女     2     艺术       75     7
//    7  男     5     体育       65     6
std::vector<StudentRow> handCase() {
    return {
        student(1, "张三", "男", 1, 80, "zhangsan", "艺术"),
        student(2, "章三", "女", 1, 90, "zhangsan"),
        student(3, "李四", "男", 2, 70, "wangwu", "艺术"),
        student(4, "王五", "女", 2, 100, "wangwu"),
        student(5, "赵六", "\u3000", 0, 60, "zhaoliu"),
        student(6, "王五 ", "女\u3000", 2, 75, "wangwu", "\u3000艺术"),
        student(7, "孙七", "男", 5, 65, "sunqi", "体育"),
    };
}

// The cohort's scores 80 90 70 100 60 75 65: sum 540, mean 540/7 = 77.142857; squares about the
// mean 8350/7, population SD sqrt(8350)/7 = 13.054048.
const double cohortMean = 540.0 / 7.0;
const double cohortSd = std::sqrt(8350.0) / 7.0;
// Class 1: 80 90, mean 85, SD 5. Class 2: 70 100 75, mean 245/3, squares 1550/3, SD sqrt(1550)/3.
const double classTwoMean = 245.0 / 3.0;
const double classTwoSd = std::sqrt(1550.0) / 3.0;

struct FigureCase {
    const char *name;
    double (*actual)(const BalanceReport &);
    double expected;
};

const FigureCase handFigures[] = {
    {"students", [](const BalanceReport &r) { return double(r.students); }, 7},
    // Students 1 2 3 4 6.
    {"placed", [](const BalanceReport &r) { return double(r.placed); }, 5},
    // Sizes 2 3 0 against 5/3: |0 − 5/3|.
    {"sizeDev", [](const BalanceReport &r) { return r.sizeDev; }, 5.0 / 3.0},
    // Boys 1 3 7, girls 2 4 6: one of each per class expected. Class 2 has 1 boy and 2 girls
    // (|2 − 1|), class 3 none (|0 − 1|).
    {"sexDev", [](const BalanceReport &r) { return r.worstSexDev(); }, 1.0},
    // 艺术 1 3 6 (1 per class; class 2 has 2, class 3 none), 体育 only student 7 (1/3 per class).
    {"categoryDev", [](const BalanceReport &r) { return r.worstCategoryDev(); }, 1.0},
    // Class 1: |85 − 540/7| = 55/7; class 2: |245/3 − 540/7| = 95/21; class 3 is empty.
    {"worstSubjectMeanDev", [](const BalanceReport &r) { return r.worstSubjectMeanDev(); }, 55.0 / 7.0},
    {"meanDev[chinese]", [](const BalanceReport &r) { return r.meanDev[2]; }, 55.0 / 7.0},
    // The total is nine times the score.
    {"worstTotalMeanDev", [](const BalanceReport &r) { return r.worstTotalMeanDev(); }, 9 * 55.0 / 7.0},
    // Class 1: |5 − 13.054| = 8.054; class 2: |13.123 − 13.054| = 0.069.
    {"worstSubjectSdDev", [](const BalanceReport &r) { return r.worstSubjectSdDev(); }, cohortSd - 5},
    {"sdDev[total]", [](const BalanceReport &r) { return r.sdDev[9]; }, 9 * (cohortSd - 5)},
    // Cohort bands 6:2 7:2 8:1 9:1 10:1, a third of each per class. Class 2 holds two in band 7:
    // |2 − 2/3| = 4/3.
    {"worstBandDev", [](const BalanceReport &r) { return r.worstBandDev(); }, 4.0 / 3.0},
    {"bandDev[shengwu]", [](const BalanceReport &r) { return r.bandDev[8]; }, 4.0 / 3.0},
    // Class 1: zhangsan ×2 = 1 pair; class 2: wangwu ×3 = 3 pairs.
    {"samePinyinPairs", [](const BalanceReport &r) { return double(r.samePinyinPairs); }, 4},
    // "王五" and "王五 " in class 2.
    {"sameNamePairs", [](const BalanceReport &r) { return double(r.sameNamePairs); }, 1},
    {"unplaced", [](const BalanceReport &r) { return double(r.unplaced.size()); }, 2},
};

class HandComputedFigure : public ::testing::TestWithParam<FigureCase> {};

TEST_P(HandComputedFigure, EqualsTheValueWorkedOutByHand) {
    const BalanceReport report = balanceReport(handCase(), 3);
    EXPECT_NEAR(GetParam().actual(report), GetParam().expected, tolerance);
}

INSTANTIATE_TEST_SUITE_P(Balance, HandComputedFigure, ::testing::ValuesIn(handFigures),
                         [](const ::testing::TestParamInfo<FigureCase> &info) {
                             std::string name;
                             for (const char c : std::string(info.param.name)) {
                                 if (std::isalnum(static_cast<unsigned char>(c)))
                                     name += c;
                             }
                             return name;
                         });

TEST(Balance, PerClassFiguresOfTheHandCase) {
    const BalanceReport report = balanceReport(handCase(), 3);
    EXPECT_EQ(report.classCount, 3);
    // Sorted by their UTF-8 bytes: 体 (E4 BD 93) before 艺 (E8 89 BA).
    EXPECT_EQ(report.categoryNames, (std::vector<std::string>{"体育", "艺术"}));
    ASSERT_EQ(report.classes.size(), 3u);

    const struct {
        int size, boys, girls;
        std::vector<int> categories;
        double mean, sd, bandDev;
        int pinyinPairs, namePairs;
    } expected[] = {
        // Class 1 bands 8 and 9 against 1/3 each, bands 6 and 7 empty against 2/3: 2/3.
        {2, 1, 1, {0, 1}, 85, 5, 2.0 / 3.0, 1, 0},
        {3, 1, 2, {0, 2}, classTwoMean, classTwoSd, 4.0 / 3.0, 3, 1},
        // Empty: nothing in bands 6 and 7 against 2/3.
        {0, 0, 0, {0, 0}, 0, 0, 2.0 / 3.0, 0, 0},
    };
    for (std::size_t c = 0; c < 3; ++c) {
        SCOPED_TRACE(c + 1);
        const auto &balance = report.classes[c];
        EXPECT_EQ(balance.classId, int(c) + 1);
        EXPECT_EQ(balance.size, expected[c].size);
        EXPECT_EQ(balance.boys, expected[c].boys);
        EXPECT_EQ(balance.girls, expected[c].girls);
        EXPECT_EQ(balance.categories, expected[c].categories);
        EXPECT_NEAR(balance.mean[0], expected[c].mean, tolerance);
        EXPECT_NEAR(balance.mean[9], 9 * expected[c].mean, tolerance);
        EXPECT_NEAR(balance.sd[4], expected[c].sd, tolerance);
        EXPECT_NEAR(balance.sd[9], 9 * expected[c].sd, 1e-8);
        EXPECT_NEAR(balance.bandDev, expected[c].bandDev, tolerance);
        EXPECT_EQ(balance.samePinyinPairs, expected[c].pinyinPairs);
        EXPECT_EQ(balance.sameNamePairs, expected[c].namePairs);
    }
    EXPECT_NEAR(std::abs(classTwoSd - cohortSd), 0.0692987, 1e-6); // the smaller SD deviation
    EXPECT_NEAR(cohortMean, 77.142857, 1e-6);
}

TEST(Balance, UnplacedStudentsCarryTheirReason) {
    const std::vector<StudentRow> rows{
        student(1, "甲", "男", 1, 70),  student(2, "乙", " \u3000", 0, 70), // blank sex
        student(3, "丙", "", 9, 70),    // blank sex wins over the class beyond the count
        student(4, "丁", "女", 3, 70),  // class 3 of 2
        student(5, "戊", "男", -1, 70), // a class number below 0
        student(6, "己", "女", 0, 70),  // simply not placed yet
    };
    const BalanceReport report = balanceReport(rows, 2);
    const std::vector<std::pair<std::int64_t, std::string>> expected{
        {2, "性别为空"}, {3, "性别为空"}, {4, "班级号超出班级数"}, {5, "班级号超出班级数"}, {6, "未分班"}};
    ASSERT_EQ(report.unplaced.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(report.unplaced[i].studentId, expected[i].first);
        EXPECT_EQ(report.unplaced[i].reason, expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(report.unplaced[0].name, "乙");
    EXPECT_EQ(report.placed, 1);
    // One placed student over two classes: |1 − 1/2| and |0 − 1/2|.
    EXPECT_NEAR(report.sizeDev, 0.5, tolerance);
}

TEST(Balance, BlankNamesAndPinyinFormsMakeNoPairs) {
    const std::vector<StudentRow> rows{
        student(1, "", "男", 1, 70, ""),
        student(2, "\u3000", "女", 1, 70, ""),
        student(3, " ", "男", 1, 70, ""),
    };
    const BalanceReport report = balanceReport(rows, 1);
    EXPECT_EQ(report.samePinyinPairs, 0);
    EXPECT_EQ(report.sameNamePairs, 0);
}

TEST(Balance, ImpossibleScoresFallIntoTheOuterBands) {
    // Below 0 and not a number count in band 0, 1e308 in the last band. Band 0 holds two of the
    // cohort, one per class as expected; the last band one, half a student per class.
    std::vector<StudentRow> rows{
        student(1, "甲", "男", 1, -5),
        student(2, "乙", "男", 1, 1e308),
        student(3, "丙", "女", 2, std::numeric_limits<double>::quiet_NaN()),
    };
    const BalanceReport report = balanceReport(rows, 2);
    EXPECT_NEAR(report.worstBandDev(), 0.5, tolerance);
}

TEST(Balance, NoClassesGiveAnEmptyReport) {
    for (const int classCount : {0, -3}) {
        const BalanceReport report = balanceReport(handCase(), classCount);
        EXPECT_TRUE(report.classes.empty()) << classCount;
        EXPECT_EQ(report.placed, 0) << classCount;
        EXPECT_EQ(report.unplaced.size(), 7u) << classCount;
        EXPECT_EQ(report.worstBandDev(), 0.0) << classCount;
        EXPECT_EQ(report.sizeDev, 0.0) << classCount;
    }
}

struct GradeCase {
    const char *figure;
    double value;
    BalanceFigure::Grade grade;
};

// Sets the one figure named; all others stay within their goals.
BalanceReport reportWith(const GradeCase &grade) {
    BalanceReport report;
    const std::string figure = grade.figure;
    const int count = int(grade.value);
    if (figure == "size_dev")
        report.sizeDev = grade.value;
    else if (figure == "worst_sex_dev")
        report.sexDev = grade.value;
    else if (figure == "worst_subject_mean_dev")
        report.meanDev[3] = grade.value;
    else if (figure == "worst_total_mean_dev")
        report.meanDev[9] = grade.value;
    else if (figure == "worst_subject_sd_dev")
        report.sdDev[8] = grade.value;
    else if (figure == "worst_band_dev")
        report.bandDev[0] = grade.value;
    else if (figure == "same_pinyin_pairs")
        report.samePinyinPairs = count;
    else if (figure == "same_name_pairs")
        report.sameNamePairs = count;
    else if (figure == "unplaced")
        report.unplaced.resize(std::size_t(count));
    else if (figure == "rule_violations")
        report.ruleViolations.resize(std::size_t(count));
    return report;
}

class SummaryGrade : public ::testing::TestWithParam<GradeCase> {};

TEST_P(SummaryGrade, JudgesTheFigureByItsGoal) {
    const GradeCase &grade = GetParam();
    const auto summary = balanceSummary(reportWith(grade));
    for (const BalanceFigure &figure : summary) {
        if (figure.name == grade.figure) {
            EXPECT_NEAR(figure.value, grade.value, tolerance);
            EXPECT_EQ(figure.grade, grade.grade) << figure.name << " " << grade.value;
        } else {
            EXPECT_EQ(figure.grade, BalanceFigure::Good) << figure.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Balance, SummaryGrade,
                         ::testing::Values(
                             // 0.1 + 0.2 is 0.30000000000000004: on the goal, not past it.
                             GradeCase{"worst_subject_mean_dev", 0.1 + 0.2, BalanceFigure::Good},
                             GradeCase{"worst_subject_mean_dev", 0.31, BalanceFigure::Fair},
                             GradeCase{"worst_subject_mean_dev", 0.9, BalanceFigure::Fair},
                             GradeCase{"worst_subject_mean_dev", 0.91, BalanceFigure::Poor},
                             GradeCase{"worst_total_mean_dev", 1.0, BalanceFigure::Good},
                             GradeCase{"worst_total_mean_dev", 3.01, BalanceFigure::Poor},
                             GradeCase{"worst_subject_sd_dev", 0.5, BalanceFigure::Good},
                             GradeCase{"worst_subject_sd_dev", 1.5, BalanceFigure::Fair},
                             GradeCase{"worst_band_dev", 2.0, BalanceFigure::Good},
                             GradeCase{"worst_band_dev", 7.0, BalanceFigure::Poor},
                             // Below 1 is the goal: 1 itself is only fair, 3 poor.
                             GradeCase{"size_dev", 2.0 / 3.0, BalanceFigure::Good},
                             GradeCase{"size_dev", 1.0, BalanceFigure::Fair},
                             GradeCase{"size_dev", 3.0, BalanceFigure::Poor},
                             GradeCase{"worst_sex_dev", 0.5, BalanceFigure::Good},
                             GradeCase{"worst_sex_dev", 1.0, BalanceFigure::Fair},
                             GradeCase{"same_pinyin_pairs", 1, BalanceFigure::Poor},
                             GradeCase{"same_name_pairs", 2, BalanceFigure::Fair},
                             GradeCase{"unplaced", 1, BalanceFigure::Poor},
                             GradeCase{"rule_violations", 1, BalanceFigure::Poor}));

TEST(Balance, SummaryListsTheFiguresInPrintOrderWithTheirLabels) {
    const auto summary = balanceSummary(balanceReport(handCase(), 3));
    const std::vector<std::pair<std::string, QString>> expected{
        {"size_dev", QStringLiteral("班级人数最大偏差")},
        {"worst_sex_dev", QStringLiteral("男女人数最大偏差")},
        {"worst_category_dev", QStringLiteral("分类人数最大偏差")},
        {"worst_subject_mean_dev", QStringLiteral("单科平均分最大偏差")},
        {"worst_total_mean_dev", QStringLiteral("总分平均分最大偏差")},
        {"worst_subject_sd_dev", QStringLiteral("单科标准差最大偏差")},
        {"worst_band_dev", QStringLiteral("分数段人数最大偏差")},
        {"same_pinyin_pairs", QStringLiteral("同音姓名同班对数")},
        {"same_name_pairs", QStringLiteral("同名同班对数")},
        {"unplaced", QStringLiteral("未分班人数")},
        {"rule_violations", QStringLiteral("违反分开/同班规则数")},
    };
    ASSERT_EQ(summary.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(summary[i].name, expected[i].first);
        EXPECT_EQ(summary[i].label, expected[i].second);
    }
    EXPECT_NEAR(summary[0].value, 5.0 / 3.0, tolerance);
    EXPECT_EQ(summary[7].value, 4.0);
}

TEST(Balance, LoadReadsTheProjectsStudentsAndClassCount) {
    fenban::testing::TempDatabase db;
    const auto project = fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 3});
    ASSERT_TRUE(project);
    QList<fenban::store::StudentRecord> records;
    for (const StudentRow &row : handCase()) {
        records.append(fenban::testing::StudentBuilder(row.studentId)
                           .name(QString::fromStdString(row.name))
                           .sex(QString::fromStdString(row.sex))
                           .inClass(row.classId)
                           .scores(row.scores[0])
                           .pinyin(QString::fromStdString(row.pingyin))
                           .category(QString::fromStdString(row.pfType)));
    }
    ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(project->id, records).kind,
              fenban::store::ReplaceOutcome::Written);

    const auto loaded = fenban::reports::loadBalanceReport(db.connection(), project->id);
    ASSERT_TRUE(loaded) << loaded.error().toStdString();
    const BalanceReport expected = balanceReport(handCase(), 3);
    EXPECT_EQ(loaded->classCount, 3);
    EXPECT_EQ(loaded->samePinyinPairs, expected.samePinyinPairs);
    EXPECT_EQ(loaded->sameNamePairs, expected.sameNamePairs);
    EXPECT_EQ(loaded->unplaced.size(), expected.unplaced.size());
    EXPECT_EQ(loaded->categoryNames, expected.categoryNames);
    EXPECT_EQ(loaded->meanDev, expected.meanDev);
    EXPECT_EQ(loaded->bandDev, expected.bandDev);

    EXPECT_TRUE(loaded->ruleViolations.empty());

    const auto missing = fenban::reports::loadBalanceReport(db.connection(), project->id + 1);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), QStringLiteral("不存在编号为%1的分班项目").arg(project->id + 1));
}

} // namespace

TEST(Balance, LoadListsEveryRuleTheClassesBreakInRuleOrder) {
    using Kind = fenban::StudentGroup::Kind;
    using fenban::store::GroupMember;
    fenban::testing::TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("高一"), 3}));
    QList<fenban::store::StudentRecord> records;
    for (const StudentRow &row : handCase())
        records.append(fenban::testing::StudentBuilder(row.studentId)
                           .name(QString::fromStdString(row.name))
                           .inClass(row.classId));
    ASSERT_EQ(fenban::store::StudentStore(db.connection()).replaceAll(1, records).kind,
              fenban::store::ReplaceOutcome::Written);
    // Classes: 1 holds students 1 and 2, class 2 holds 3, 4 and 6; student 5 is in no class.
    const struct {
        Kind kind;
        QList<qint64> ids;
    } rules[] = {
        {Kind::Apart, {1, 2}},    // broken in class 1
        {Kind::Apart, {1, 3}},    // kept
        {Kind::Together, {3, 4}}, // kept
        {Kind::Together, {1, 3}}, // broken: in classes 1 and 2
        {Kind::Apart, {5, 1}},    // kept: student 5 has no class
    };
    QList<int> ids;
    for (const auto &rule : rules) {
        const auto added = fenban::store::addGroup(db.connection(), 1, rule.kind, rule.ids);
        ASSERT_TRUE(added) << added.error().toStdString();
        ids.append(added.value());
    }
    const auto loaded = fenban::reports::loadBalanceReport(db.connection(), 1);
    ASSERT_TRUE(loaded) << loaded.error().toStdString();
    const GroupMember zhang{1, QStringLiteral("张三")};
    const std::vector<fenban::reports::RuleViolation> expected{
        {ids[0], Kind::Apart, {zhang, {2, QStringLiteral("章三")}}, {1}},
        {ids[3], Kind::Together, {zhang, {3, QStringLiteral("李四")}}, {1, 2}},
    };
    EXPECT_EQ(loaded->ruleViolations, expected);
    const auto summary = balanceSummary(loaded.value());
    EXPECT_EQ(summary.back().name, "rule_violations");
    EXPECT_EQ(summary.back().value, 2.0);
    EXPECT_EQ(fenban::reports::ruleLine(expected[1]),
              QStringLiteral("%1\t同班\t1 张三、3 李四\t违反: 1班、2班").arg(ids[3]));
}
