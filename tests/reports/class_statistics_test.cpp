#include "reports/class_statistics.h"

#include "support/qt_printers.h"
#include "support/student_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using fenban::reports::averageText;
using fenban::reports::classStatistics;
using fenban::reports::ClassStatistics;
using fenban::reports::ReportGrid;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

// Subject positions in a record; the tabs list chinese first.
constexpr std::size_t math = 0;
constexpr std::size_t english = 1;
constexpr std::size_t tiyu = 6;
constexpr int mathTab = 1;
constexpr int englishTab = 2;
constexpr int tiyuTab = 6;

StudentRecord student(int classId, const QString &sex, double mathScore, const QString &category = {}) {
    return fenban::testing::StudentBuilder(0)
        .inClass(classId)
        .sex(sex)
        .scores(50.0)
        .score(math, mathScore)
        .category(category);
}

// Three classes whose math averages lie 1.2 above, 0.8 below and 1.0 below a whole-table average of 100.
QList<StudentRecord> threeClasses() {
    QList<StudentRecord> students{
        student(1, QStringLiteral("男"), 60, QStringLiteral("体育")),
        student(1, QStringLiteral("  男 "), 150, QStringLiteral("艺术")),
        student(1, QStringLiteral("女"), 93.6),
        student(2, QStringLiteral("女"), 90, QStringLiteral(" 体育 ")),
        student(2, QStringLiteral("未知"), 108.4, QStringLiteral("艺术")),
        student(3, QStringLiteral("女"), 100),
        student(3, QStringLiteral("男"), 98),
    };
    students[4].scores[english] = std::nullopt;
    students[6].scores[tiyu] = 165;
    return students;
}

QString cell(const ReportGrid &grid, int row, const QString &header) {
    const qsizetype column = grid.headers.indexOf(header);
    EXPECT_GE(column, 0) << header.toStdString();
    return column < 0 ? QString() : grid.rows.value(row).value(column);
}

QList<std::pair<int, int>> sorted(QList<std::pair<int, int>> cells) {
    std::sort(cells.begin(), cells.end());
    return cells;
}

} // namespace

TEST(ClassStatistics, SummaryCountsAveragesAndDeviations) {
    const ClassStatistics statistics = classStatistics(threeClasses());
    const ReportGrid &summary = statistics.summary;
    ASSERT_EQ(summary.headers.size(), 25);
    EXPECT_EQ(
        summary.headers.mid(0, 6),
        (QStringList{QStringLiteral("班级"), QStringLiteral("男生数"), QStringLiteral("女生数"),
                     QStringLiteral("总人数"), QStringLiteral("数学平均分"), QStringLiteral("数学偏差")}));
    EXPECT_EQ(summary.headers.mid(22), (QStringList{QStringLiteral("总分平均分"), QStringLiteral("总分偏差"),
                                                    QStringLiteral("是否重分")}));
    EXPECT_EQ(statistics.classIds, (QList<int>{1, 2, 3}));
    ASSERT_EQ(summary.rows.size(), 4); // three classes and the whole table

    const struct {
        int row;
        QStringList cells; // 班级 男生数 女生数 总人数 数学平均分 数学偏差 英语平均分 总分平均分 总分偏差
    } rows[] = {
        // Padded u"男"_s is a boy; any other sex counts only in the head-count.
        {0,
         {u"1班"_s, u"2"_s, u"1"_s, u"3"_s, u"  101.20"_s, u"    1.20"_s, u"   50.00"_s, u"  501.20"_s,
          u"   -8.09"_s}},
        // A missing english score leaves the english average to the others, and counts 0 in the total.
        {1,
         {u"2班"_s, u"0"_s, u"1"_s, u"2"_s, u"   99.20"_s, u"   -0.80"_s, u"   50.00"_s, u"  474.20"_s,
          u"  -35.09"_s}},
        {2,
         {u"3班"_s, u"1"_s, u"1"_s, u"2"_s, u"   99.00"_s, u"   -1.00"_s, u"   50.00"_s, u"  556.50"_s,
          u"   47.21"_s}},
        {3,
         {u""_s, u""_s, u""_s, u""_s, u"  100.00"_s, u"    0.00"_s, u"   50.00"_s, u"  509.29"_s,
          u"    0.00"_s}},
    };
    const QStringList headers{
        QStringLiteral("班级"),       QStringLiteral("男生数"),     QStringLiteral("女生数"),
        QStringLiteral("总人数"),     QStringLiteral("数学平均分"), QStringLiteral("数学偏差"),
        QStringLiteral("英语平均分"), QStringLiteral("总分平均分"), QStringLiteral("总分偏差")};
    for (const auto &expected : rows) {
        QStringList actual;
        for (const QString &header : headers)
            actual.append(cell(summary, expected.row, header));
        EXPECT_EQ(actual, expected.cells) << "row " << expected.row;
        EXPECT_EQ(cell(summary, expected.row, QStringLiteral("是否重分")), QString());
    }

    // Red exactly where the shown deviation exceeds 1.00: 1.20 is, -1.00 and the whole-table row are not.
    const int mathDeviation = fenban::reports::summaryAverageColumn(0) + 1;
    const int totalDeviation = fenban::reports::summaryAverageColumn(9) + 1;
    const int tiyuDeviation = fenban::reports::summaryAverageColumn(int(tiyu)) + 1;
    EXPECT_EQ(sorted(summary.highlighted), (QList<std::pair<int, int>>{{0, mathDeviation},
                                                                       {0, tiyuDeviation},
                                                                       {0, totalDeviation},
                                                                       {1, tiyuDeviation},
                                                                       {1, totalDeviation},
                                                                       {2, tiyuDeviation},
                                                                       {2, totalDeviation}}));
}

TEST(ClassStatistics, BandsCountEachClassPerTenPoints) {
    const ClassStatistics statistics = classStatistics(threeClasses());
    ASSERT_EQ(statistics.bands.size(), 9);
    QStringList titles;
    for (const ReportGrid &grid : statistics.bands)
        titles.append(grid.title);
    EXPECT_EQ(titles, (QStringList{u"语文"_s, u"数学"_s, u"英语"_s, u"物理"_s, u"政治"_s, u"历史"_s,
                                   u"体育"_s, u"地理"_s, u"生物"_s}));

    const ReportGrid &mathBands = statistics.bands[mathTab];
    ASSERT_EQ(mathBands.headers.size(), 17);
    EXPECT_EQ(mathBands.headers.first(), QStringLiteral("班级"));
    EXPECT_EQ(mathBands.headers[1], QStringLiteral("0~9分"));
    EXPECT_EQ(mathBands.headers[16], QStringLiteral("150分"));
    const QStringList firstClass{u"1班"_s, u""_s,  u""_s, u""_s, u""_s, u""_s, u""_s, u"1"_s, u""_s,
                                 u""_s,    u"1"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"1"_s};
    EXPECT_EQ(mathBands.rows.value(0), firstClass);
    EXPECT_EQ(cell(mathBands, 1, QStringLiteral("90~99分")), QStringLiteral("1"));
    EXPECT_EQ(cell(mathBands, 1, QStringLiteral("100~109分")), QStringLiteral("1"));
    EXPECT_EQ(cell(mathBands, 2, QStringLiteral("90~99分")), QStringLiteral("1"));
    EXPECT_EQ(mathBands.rows.size(), 3); // no whole-table row
    EXPECT_TRUE(mathBands.highlighted.isEmpty());

    // A missing score is in no band.
    EXPECT_EQ(cell(statistics.bands[englishTab], 1, QStringLiteral("50~59分")), QStringLiteral("1"));
    EXPECT_EQ(cell(statistics.bands[englishTab], 1, QStringLiteral("0~9分")), QString());

    // 165 gets a column of its own past u"150分"_s, in its subject only.
    const ReportGrid &tiyuBands = statistics.bands[tiyuTab];
    ASSERT_EQ(tiyuBands.headers.size(), 18);
    EXPECT_EQ(tiyuBands.headers.last(), QStringLiteral("160~169分"));
    EXPECT_EQ(tiyuBands.rows.value(2).last(), QStringLiteral("1"));
    EXPECT_EQ(tiyuBands.rows.value(0).size(), 18);
}

TEST(ClassStatistics, CategoriesInDatabaseOrderBesideTheirOwnClass) {
    const ReportGrid categories = classStatistics(threeClasses()).categories;
    EXPECT_EQ(categories.title, QStringLiteral("每一类的人数"));
    EXPECT_EQ(categories.headers, (QStringList{u""_s, u"未分类"_s, u"体育"_s, u"艺术"_s}));
    EXPECT_EQ(categories.rows, (QList<QStringList>{{u"1班"_s, u"1"_s, u"1"_s, u"1"_s}, //
                                                   {u"2班"_s, u""_s, u"1"_s, u"1"_s},
                                                   {u"3班"_s, u"2"_s, u""_s, u""_s}}));
}

TEST(ClassStatistics, BeforeDivisionOneClassZeroRow) {
    QList<StudentRecord> students = threeClasses();
    for (StudentRecord &record : students)
        record.classId = 0;
    const ClassStatistics statistics = classStatistics(students);
    EXPECT_EQ(statistics.classIds, QList<int>{0});
    ASSERT_EQ(statistics.summary.rows.size(), 2);
    const QStringList &classRow = statistics.summary.rows[0];
    const QStringList &wholeRow = statistics.summary.rows[1];
    EXPECT_EQ(classRow.mid(0, 4), (QStringList{u"0班"_s, u"3"_s, u"3"_s, u"7"_s}));
    for (int measure = 0; measure < 10; ++measure) {
        const int column = fenban::reports::summaryAverageColumn(measure);
        EXPECT_EQ(classRow[column], wholeRow[column]) << measure;
        EXPECT_EQ(classRow[column + 1], QStringLiteral("    0.00")) << measure;
    }
    EXPECT_TRUE(statistics.summary.highlighted.isEmpty());
    // Class 0 has a row of its own in the category grid, not the header row.
    EXPECT_EQ(statistics.categories.rows, (QList<QStringList>{{u"0班"_s, u"3"_s, u"2"_s, u"2"_s}}));
}

TEST(ClassStatistics, EmptyTableGivesHeadersOnly) {
    const ClassStatistics statistics = classStatistics({});
    EXPECT_TRUE(statistics.classIds.isEmpty());
    EXPECT_EQ(statistics.grids().size(), 11);
    for (const ReportGrid &grid : statistics.grids()) {
        EXPECT_TRUE(grid.rows.isEmpty()) << grid.title.toStdString();
        EXPECT_TRUE(grid.highlighted.isEmpty());
    }
    EXPECT_EQ(statistics.summary.headers.size(), 25);
    EXPECT_EQ(statistics.bands[0].headers.size(), 17);
    EXPECT_EQ(statistics.categories.headers, QStringList{QString()});
}

TEST(ClassStatistics, SubjectWithoutScoresLeavesItsCellsEmpty) {
    QList<StudentRecord> students{student(1, QStringLiteral("男"), 80), student(2, QStringLiteral("女"), 70)};
    for (StudentRecord &record : students)
        record.scores[english] = std::nullopt;
    const ReportGrid summary = classStatistics(students).summary;
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cell(summary, row, QStringLiteral("英语平均分")), QString()) << row;
        EXPECT_EQ(cell(summary, row, QStringLiteral("英语偏差")), QString()) << row;
    }
    EXPECT_EQ(cell(summary, 0, QStringLiteral("总分平均分")), QStringLiteral("  430.00"));
}

TEST(ClassStatistics, AverageTextRoundsHalvesToEven) {
    const struct {
        double value;
        QString text;
    } cases[] = {
        {0.125, u"    0.12"_s},     {0.375, u"    0.38"_s},     {80.125, u"   80.12"_s},
        {-0.125, u"   -0.12"_s},    {1.005, u"    1.00"_s},     {1.015, u"    1.02"_s},
        {2.675, u"    2.68"_s},     {-0.5, u"   -0.50"_s},      {-0.001, u"    0.00"_s},
        {0.0, u"    0.00"_s},       {99.999, u"  100.00"_s},    {12345.678, u"12345.68"_s},
        {123456.7, u"123456.70"_s}, {2.0 / 3.0, u"    0.67"_s},
    };
    for (const auto &c : cases)
        EXPECT_EQ(averageText(c.value), c.text) << c.value;
}

TEST(ClassStatistics, ImpossibleStoredScoresGiveFiguresWithoutOverflow) {
    const double huge = std::numeric_limits<double>::max();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        QString text;
    } figures[] = {
        {1e308, u"  1e+308"_s},     {-1e308, u" -1e+308"_s},           {infinity, u"     inf"_s},
        {-infinity, u"    -inf"_s}, {std::nan(""), u"     nan"_s},     {9.3e16, u" 9.3e+16"_s},
        {-9.2e18, u"-9.2e+18"_s},   {1e16, u"10000000000000000.00"_s},
    };
    for (const auto &f : figures)
        EXPECT_EQ(averageText(f.value), f.text) << f.value;

    QList<StudentRecord> students = threeClasses();
    const double impossible[] = {huge, -huge, infinity, -infinity, -9.3e18, 9.3e18, 1e12};
    for (const double score : impossible) {
        students.append(student(1, QStringLiteral("男"), score));
        students.last().scores[english] = score;
    }
    const ClassStatistics statistics = classStatistics(students);
    // Everything from 1000 up shares the last band.
    const ReportGrid &mathBands = statistics.bands[mathTab];
    ASSERT_EQ(mathBands.headers.size(), 102);
    EXPECT_EQ(mathBands.headers.last(), QStringLiteral("1000分以上"));
    EXPECT_EQ(mathBands.rows.value(0).last(), QStringLiteral("4"));
    // 1e308 and -1e308 and the infinities cancel to nothing a number can say.
    const QString mathAverage = cell(statistics.summary, 0, QStringLiteral("数学平均分"));
    EXPECT_EQ(mathAverage, u"     nan"_s);
    EXPECT_EQ(statistics.summary.rows.size(), 4);
}
