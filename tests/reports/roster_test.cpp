#include "reports/roster.h"

#include "exchange/sheets/sheet.h"
#include "exchange/sheets/xlsx_cells.h"
#include "exchange/sheets/zip_package.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using fenban::reports::Roster;
using fenban::reports::RosterOptions;
using fenban::reports::RosterSort;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

StudentRecord student(qint64 number, const QString &name, const QString &pinyin, const QString &sex,
                      int classId, double score = 60.0) {
    StudentRecord record;
    record.studentId = number;
    record.name = name;
    record.pingyin = pinyin;
    record.sex = sex;
    record.classId = classId;
    record.oralSchool = u"一中"_s;
    record.scores.fill(score);
    return record;
}

// Two classes and two students outside them: one in no class, one in a class the project lacks.
QList<StudentRecord> smallIntake() {
    return {
        student(105, u"张三"_s, u"zhangsan"_s, u"男"_s, 1, 70.0),
        student(101, u"李四"_s, u"lisi"_s, u"女"_s, 1, 50.0),
        student(103, u"王五"_s, u"wangwu"_s, u"男"_s, 1, 60.0),
        student(102, u"赵六"_s, u"zhaoliu"_s, u"女"_s, 2),
        student(104, u"孙七"_s, u"sunqi"_s, u"男"_s, 0),
        student(106, u"周八"_s, u"zhouba"_s, u"女"_s, 9),
    };
}

QStringList columnTexts(const fenban::reports::RosterClass &page, int column) {
    QStringList texts;
    for (const QVariantList &row : page.rows)
        texts.append(row[column].toString());
    return texts;
}

TEST(Roster, OnePagePerClassThenTheUnplaced) {
    const Roster roster =
        fenban::reports::buildRoster(u"2026级高一新生"_s, 3, smallIntake(), RosterOptions{});
    ASSERT_EQ(roster.classes.size(), 4);
    EXPECT_EQ(roster.columns, (QStringList{u"序号"_s, u"学号"_s, u"姓名"_s, u"性别"_s, u"毕业学校"_s}));
    EXPECT_EQ(roster.classes[0].title, u"2026级高一新生 1班 名单"_s);
    EXPECT_EQ(roster.classes[0].countLine, u"共3人，男2人，女1人"_s);
    EXPECT_EQ(roster.classes[0].averageTotal, 540.0);
    EXPECT_EQ(columnTexts(roster.classes[0], 1), (QStringList{u"101"_s, u"103"_s, u"105"_s}));
    EXPECT_EQ(columnTexts(roster.classes[0], 0), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    // An empty class still has its page, so the head teacher sees it is empty.
    EXPECT_EQ(roster.classes[2].title, u"2026级高一新生 3班 名单"_s);
    EXPECT_EQ(roster.classes[2].countLine, u"共0人，男0人，女0人"_s);
    EXPECT_EQ(roster.classes[3].title, u"2026级高一新生 未分班 名单"_s);
    EXPECT_EQ(columnTexts(roster.classes[3], 2), (QStringList{u"孙七"_s, u"周八"_s}));
}

TEST(Roster, NoUnplacedPageWhenEveryoneIsPlaced) {
    QList<StudentRecord> placed = smallIntake().mid(0, 4);
    const Roster roster = fenban::reports::buildRoster(u"x"_s, 2, placed, RosterOptions{});
    EXPECT_EQ(roster.classes.size(), 2);
}

TEST(Roster, SortsByPinyinThenNameThenNumber) {
    QList<StudentRecord> students{
        student(5, u"张三"_s, u"zhangsan"_s, u"男"_s, 1), student(4, u"章三"_s, u"zhangsan"_s, u"男"_s, 1),
        student(3, u"张三"_s, u"zhangsan"_s, u"男"_s, 1), student(9, u"安"_s, u"an"_s, u"女"_s, 1)};
    RosterOptions options;
    options.sort = RosterSort::Name;
    options.columns = {u"姓名"_s, u"学号"_s};
    const Roster roster = fenban::reports::buildRoster(u"x"_s, 1, students, options);
    EXPECT_EQ(columnTexts(roster.classes[0], 1), (QStringList{u"9"_s, u"3"_s, u"5"_s, u"4"_s}));
}

TEST(Roster, ChosenColumnsInTheGivenOrder) {
    StudentRecord record = student(7, u"甲"_s, u"jia"_s, u"男"_s, 1);
    record.scores[2] = 88.5;
    record.scores[3].reset();
    record.pfType = u"艺术"_s;
    RosterOptions options;
    options.columns = {u"分类"_s, u"语文"_s, u"物理"_s, u"总分"_s, u"序号"_s};
    const Roster roster = fenban::reports::buildRoster(u"x"_s, 1, {record}, options);
    const QVariantList row = roster.classes[0].rows[0];
    EXPECT_EQ(row[0].toString(), u"艺术"_s);
    EXPECT_EQ(row[1].toDouble(), 88.5);
    EXPECT_TRUE(row[2].isNull());
    EXPECT_EQ(row[3].toDouble(), 60.0 * 7 + 88.5);
    EXPECT_EQ(row[4].toDouble(), 1.0);
}

// Numbers a spreadsheet can hold exactly are number cells; a longer student number stays exact as text.
TEST(Roster, StudentNumbersStayExact) {
    const QList<StudentRecord> students{student(999'999'999'999'999, u"甲"_s, u"jia"_s, u"男"_s, 1),
                                        student(123'456'789'012'345'678, u"乙"_s, u"yi"_s, u"女"_s, 1)};
    RosterOptions options;
    options.columns = {u"学号"_s};
    const Roster roster = fenban::reports::buildRoster(u"x"_s, 1, students, options);
    EXPECT_EQ(roster.classes[0].rows[0][0], QVariant(999'999'999'999'999.0));
    EXPECT_EQ(roster.classes[0].rows[1][0], QVariant(u"123456789012345678"_s));
}

TEST(Roster, RefusesUnknownOrNoColumns) {
    const auto unknown = fenban::reports::checkRosterColumns({u"姓名"_s, u"身高"_s});
    ASSERT_FALSE(unknown);
    EXPECT_TRUE(unknown.error().startsWith(u"未知的列: 身高"_s)) << unknown.error().toStdString();
    EXPECT_TRUE(unknown.error().contains(u"毕业学校"_s));
    EXPECT_FALSE(fenban::reports::checkRosterColumns({}));
    EXPECT_TRUE(fenban::reports::checkRosterColumns(fenban::reports::rosterColumns()));
}

QByteArray workbookPart(const QString &file, const QString &part) {
    QFile workbook(file);
    if (!workbook.open(QIODevice::ReadOnly))
        return {};
    const auto package = fenban::exchange::ZipPackage::open(workbook.readAll());
    if (!package)
        return {};
    return package->read(part).data;
}

QStringList attributeValues(const QByteArray &xml, const QString &element, const QString &name) {
    QStringList values;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element)
            values.append(reader.attributes().value(name).toString());
    }
    return values;
}

QStringList rowTexts(const fenban::exchange::SheetData &sheet, int row) {
    QStringList texts;
    for (int column = 1; column <= sheet.columnCount(); ++column)
        texts.append(sheet.cell(row, column));
    return texts;
}

TEST(RosterWorkbook, SummaryThenOneSheetPerClass) {
    const QTemporaryDir folder;
    const QString file = folder.filePath(u"名单.xlsx"_s);
    RosterOptions options;
    options.columns = {u"学号"_s, u"姓名"_s, u"总分"_s};
    const Roster roster = fenban::reports::buildRoster(u"2026级"_s, 2, smallIntake(), options);
    ASSERT_TRUE(fenban::reports::writeRosterWorkbook(roster, file));

    EXPECT_EQ(attributeValues(workbookPart(file, u"xl/workbook.xml"_s), u"sheet"_s, u"name"_s),
              (QStringList{u"汇总"_s, u"1班"_s, u"2班"_s, u"未分班"_s}));
    const auto strings =
        fenban::exchange::xlsx::parseSharedStrings(workbookPart(file, u"xl/sharedStrings.xml"_s));
    ASSERT_TRUE(strings);
    auto sheet = [&](int number) {
        const auto parsed = fenban::exchange::xlsx::parseWorksheet(
            workbookPart(file, u"xl/worksheets/sheet%1.xml"_s.arg(number)), *strings);
        EXPECT_TRUE(parsed);
        return parsed ? *parsed : fenban::exchange::SheetData();
    };
    const auto summary = sheet(1);
    EXPECT_EQ(rowTexts(summary, 1),
              (QStringList{u"班级"_s, u"人数"_s, u"男生"_s, u"女生"_s, u"总分平均分"_s}));
    EXPECT_EQ(rowTexts(summary, 2), (QStringList{u"1班"_s, u"3"_s, u"2"_s, u"1"_s, u"540"_s}));
    EXPECT_EQ(rowTexts(summary, 3), (QStringList{u"2班"_s, u"1"_s, u"0"_s, u"1"_s, u"540"_s}));
    EXPECT_EQ(rowTexts(summary, 4), (QStringList{u"未分班"_s, u"2"_s, u"1"_s, u"1"_s, u"540"_s}));
    EXPECT_EQ(summary.rowCount(), 4);

    const struct {
        int sheet;
        QList<QStringList> rows;
    } classes[] = {
        {2,
         {{u"101"_s, u"李四"_s, u"450"_s}, {u"103"_s, u"王五"_s, u"540"_s}, {u"105"_s, u"张三"_s, u"630"_s}}},
        {3, {{u"102"_s, u"赵六"_s, u"540"_s}}},
        {4, {{u"104"_s, u"孙七"_s, u"540"_s}, {u"106"_s, u"周八"_s, u"540"_s}}},
    };
    for (const auto &expected : classes) {
        const auto table = sheet(expected.sheet);
        ASSERT_EQ(table.rowCount(), expected.rows.size() + 1) << expected.sheet;
        EXPECT_EQ(rowTexts(table, 1), (QStringList{u"学号"_s, u"姓名"_s, u"总分"_s}));
        for (qsizetype row = 0; row < expected.rows.size(); ++row)
            EXPECT_EQ(rowTexts(table, int(row) + 2), expected.rows[row]) << expected.sheet;
    }

    // Numbers are number cells, the header is frozen and the columns have widths.
    const QByteArray classXml = workbookPart(file, u"xl/worksheets/sheet2.xml"_s);
    EXPECT_TRUE(classXml.contains(R"(<c r="A2"><v>101</v>)")) << classXml.toStdString();
    EXPECT_TRUE(classXml.contains(R"(state="frozen")"));
    EXPECT_EQ(attributeValues(classXml, u"col"_s, u"min"_s).size(), 3);
}

} // namespace
