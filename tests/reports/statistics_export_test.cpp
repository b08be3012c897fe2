#include "reports/statistics_export.h"

#include "exchange/sheets/sheet.h"
#include "exchange/sheets/xlsx_cells.h"
#include "exchange/sheets/zip_package.h"
#include "support/full_disk.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using fenban::StudentRow;
using fenban::exchange::SheetData;
using fenban::reports::BalanceReport;
using fenban::reports::ClassStatistics;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

// Four classes of two students each, with one category.
ClassStatistics fourClasses() {
    QList<StudentRecord> students;
    for (int classId = 1; classId <= 4; ++classId) {
        for (int i = 0; i < 2; ++i) {
            StudentRecord record;
            record.classId = classId;
            record.sex = i ? QStringLiteral("女") : QStringLiteral("男");
            record.scores.fill(60.0 + classId + i);
            record.pfType = QStringLiteral("艺术");
            students.append(record);
        }
    }
    return fenban::reports::classStatistics(students);
}

QStringList rowTexts(const SheetData &sheet, int row, int columns) {
    QStringList texts;
    for (int column = 1; column <= columns; ++column)
        texts.append(sheet.cell(row, column));
    return texts;
}

// A part of the workbook, read with the program's own package reader.
QByteArray workbookPart(const QString &file, const QString &part) {
    QFile workbook(file);
    if (!workbook.open(QIODevice::ReadOnly))
        return {};
    const auto package = fenban::exchange::ZipPackage::open(workbook.readAll());
    if (!package)
        return {};
    return package->read(part).data;
}

// The value of attribute `name` of every element `element`, in document order.
QStringList attributeValues(const QByteArray &xml, const QString &element, const QString &name) {
    QStringList values;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element)
            values.append(reader.attributes().value(name).toString());
    }
    return values;
}

// The sheet as written against the grids as shown: the figures come back as the numbers they show
// (padding gone, hundredths kept), every other cell as its text.
void expectWrittenAsShown(const SheetData &written, const SheetData &shown) {
    ASSERT_EQ(written.rowCount(), shown.rowCount());
    ASSERT_EQ(written.columnCount(), shown.columnCount());
    for (int row = 1; row <= shown.rowCount(); ++row) {
        for (int column = 1; column <= shown.columnCount(); ++column) {
            const QString text = shown.cell(row, column);
            bool isNumber = false;
            const double value = text.trimmed().toDouble(&isNumber);
            if (isNumber)
                EXPECT_DOUBLE_EQ(written.cell(row, column).toDouble(), value) << row << ',' << column;
            else
                EXPECT_EQ(written.cell(row, column), text) << row << ',' << column;
        }
    }
}

class StatisticsExport : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(StatisticsExport, GridsStandOneBelowTheOtherWithTitles) {
    const ClassStatistics statistics = fourClasses();
    const QString file = path(QStringLiteral("分班明细表.xlsx"));
    ASSERT_TRUE(fenban::reports::writeStatistics(statistics, BalanceReport{}, file));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    const auto read = fenban::exchange::readFirstSheet(file);
    ASSERT_TRUE(read) << read.error().toStdString();
    const SheetData &sheet = read.value();
    expectWrittenAsShown(sheet, fenban::reports::statisticsSheet(statistics));

    // The summary without a title from row 1, then each grid's title three rows after the previous
    // grid's last row and the grid right below it.
    EXPECT_EQ(rowTexts(sheet, 1, 4), (QStringList{u"班级"_s, u"男生数"_s, u"女生数"_s, u"总人数"_s}));
    // Figures are number cells, not the padded texts of the screen.
    EXPECT_EQ(rowTexts(sheet, 2, 6), (QStringList{u"1班"_s, u"1"_s, u"1"_s, u"2"_s, u"61.5"_s, u"-1.5"_s}));
    EXPECT_EQ(rowTexts(sheet, 6, 6), (QStringList{u""_s, u""_s, u""_s, u""_s, u"63"_s, u"0"_s}));
    const QByteArray cells = workbookPart(file, u"xl/worksheets/sheet1.xml"_s);
    const QStringList references = attributeValues(cells, u"c"_s, u"r"_s);
    const QStringList types = attributeValues(cells, u"c"_s, u"t"_s);
    ASSERT_EQ(references.size(), types.size());
    for (const QString &figure : {u"B2"_s, u"E2"_s, u"F2"_s, u"E6"_s})
        EXPECT_EQ(types.value(references.indexOf(figure)), QString()) << figure.toStdString();
    EXPECT_NE(types.value(references.indexOf(u"A2"_s)), QString());
    // Averages show two decimals as on the screen; counts stay whole numbers.
    const QStringList styles = attributeValues(cells, u"c"_s, u"s"_s);
    EXPECT_NE(styles.value(references.indexOf(u"E2"_s)), QString());
    EXPECT_EQ(styles.value(references.indexOf(u"B2"_s)), QString());
    EXPECT_TRUE(attributeValues(workbookPart(file, u"xl/styles.xml"_s), u"numFmt"_s, u"formatCode"_s)
                    .contains(u"0.00"_s));
    const struct {
        int titleRow;
        QString title;
        QString header; // the grid's second column
    } grids[] = {
        {10, u"语文"_s, u"0~9分"_s},        {19, u"数学"_s, u"0~9分"_s}, {28, u"英语"_s, u"0~9分"_s},
        {37, u"物理"_s, u"0~9分"_s},        {46, u"政治"_s, u"0~9分"_s}, {55, u"历史"_s, u"0~9分"_s},
        {64, u"体育"_s, u"0~9分"_s},        {73, u"地理"_s, u"0~9分"_s}, {82, u"生物"_s, u"0~9分"_s},
        {91, u"每一类的人数"_s, u"艺术"_s},
    };
    for (const auto &grid : grids) {
        EXPECT_EQ(rowTexts(sheet, grid.titleRow, 2), (QStringList{grid.title, u""_s})) << grid.titleRow;
        EXPECT_EQ(sheet.cell(grid.titleRow + 1, 2), grid.header) << grid.titleRow;
        EXPECT_EQ(sheet.cell(grid.titleRow + 2, 1), QStringLiteral("1班")) << grid.titleRow;
        EXPECT_EQ(sheet.cell(grid.titleRow + 5, 1), QStringLiteral("4班")) << grid.titleRow;
        for (int blank = grid.titleRow - 3; blank < grid.titleRow; ++blank)
            EXPECT_EQ(rowTexts(sheet, blank, 26), QStringList(26)) << blank;
    }
    EXPECT_EQ(sheet.cell(12, 8), QStringLiteral("2")); // 语文, 1班, 60~69分
    EXPECT_EQ(sheet.rowCount(), 96);
    EXPECT_EQ(sheet.columnCount(), 25);
}

TEST_F(StatisticsExport, FailureNamesTheFileAndKeepsWhatWasThere) {
    const QString existing = path(QStringLiteral("keep.xlsx"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    ASSERT_TRUE(QDir(path(QStringLiteral("keep.xlsx.part"))).mkpath(QStringLiteral(".")));
    // A folder where the workbook used to be put together is no obstacle now; a full disk is.
    const auto written = fenban::reports::writeStatistics(fourClasses(), BalanceReport{}, existing,
                                                          fenban::testing::writeToFullDisk);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().contains(QDir::toNativeSeparators(existing)))
        << written.error().toStdString();
    EXPECT_TRUE(written.error().contains(QStringLiteral("磁盘空间不足"))) << written.error().toStdString();
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("keep.xlsx.part"))).isDir());
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));

    const QString missingFolder = path(QStringLiteral("no/such/folder/x.xlsx"));
    EXPECT_FALSE(fenban::reports::writeStatistics(fourClasses(), BalanceReport{}, missingFolder));
    EXPECT_FALSE(QFile::exists(missingFolder));
}

TEST_F(StatisticsExport, BalanceSheetFollowsWithSummaryAndClassesAsNumbers) {
    // Two classes: 男 80 艺术 and 女 91 in class 1, 男 70 艺术 in class 2.
    const auto row = [](std::int64_t id, const char *sex, int classId, double score, const char *category) {
        StudentRow student;
        student.studentId = id;
        student.sex = sex;
        student.classId = classId;
        student.scores.fill(score);
        student.pfType = category;
        return student;
    };
    const BalanceReport balance = fenban::reports::balanceReport(
        {row(1, "男", 1, 80, "艺术"), row(2, "女", 1, 91, ""), row(3, "男", 2, 70, "艺术")}, 2);
    const QString file = path(QStringLiteral("统计.xlsx"));
    ASSERT_TRUE(fenban::reports::writeStatistics(fourClasses(), balance, file));

    const QByteArray workbook = workbookPart(file, u"xl/workbook.xml"_s);
    EXPECT_EQ(attributeValues(workbook, u"sheet"_s, u"name"_s), (QStringList{u"分班明细表"_s, u"均衡度"_s}));
    // The first sheet is still the whole statistics sheet.
    const auto first = fenban::exchange::readFirstSheet(file);
    ASSERT_TRUE(first) << first.error().toStdString();
    expectWrittenAsShown(first.value(), fenban::reports::statisticsSheet(fourClasses()));

    const auto strings =
        fenban::exchange::xlsx::parseSharedStrings(workbookPart(file, u"xl/sharedStrings.xml"_s));
    ASSERT_TRUE(strings);
    const QByteArray sheetXml = workbookPart(file, u"xl/worksheets/sheet2.xml"_s);
    const auto sheet = fenban::exchange::xlsx::parseWorksheet(sheetXml, *strings);
    ASSERT_TRUE(sheet);

    // Mean 241/3: class 1 is 85.5, 5.17 above; class 2 is 70, 10.33 below; the totals nine times
    // that, 93. Girls: 1 of 1 in class 1, |1 − 1/2| either way. Bands 8 9 7, one each: 0.5.
    const struct {
        int row;
        QStringList cells;
    } expected[] = {
        {1, {u"班级人数最大偏差"_s, u"0.5"_s}},
        {2, {u"男女人数最大偏差"_s, u"0.5"_s}},
        {3, {u"分类人数最大偏差"_s, u"0"_s}},
        {4, {u"单科平均分最大偏差"_s, u"10.33"_s}},
        {5, {u"总分平均分最大偏差"_s, u"93"_s}},
        {7, {u"分数段人数最大偏差"_s, u"0.5"_s}},
        {10, {u"未分班人数"_s, u"0"_s}},
        {11, {u"违反分开/同班规则数"_s, u"0"_s}},
        {12, {u""_s, u""_s}},
        {13, {u"班级"_s, u"人数"_s, u"男生数"_s, u"女生数"_s, u"艺术"_s, u"数学平均分"_s, u"数学标准差"_s}},
        {14, {u"1班"_s, u"2"_s, u"1"_s, u"1"_s, u"1"_s, u"85.5"_s, u"5.5"_s}},
        {15, {u"2班"_s, u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"70"_s, u"0"_s}},
    };
    for (const auto &line : expected)
        EXPECT_EQ(rowTexts(*sheet, line.row, int(line.cells.size())), line.cells) << line.row;
    // 4 + 1 category + 20 means and SDs + band_dev and the two pair counts.
    EXPECT_EQ(sheet->cell(13, 24), u"总分平均分"_s);
    EXPECT_EQ(sheet->cell(13, 28), u"同名对数"_s);
    EXPECT_EQ(sheet->cell(14, 24), u"769.5"_s); // (80 + 91) / 2 × 9
    EXPECT_EQ(sheet->rowCount(), 15);
    EXPECT_EQ(sheet->columnCount(), 28);

    // Texts go through the shared strings (t="s"); numbers carry no type.
    const QStringList references = attributeValues(sheetXml, u"c"_s, u"r"_s);
    const QStringList types = attributeValues(sheetXml, u"c"_s, u"t"_s);
    ASSERT_EQ(references.size(), types.size());
    QSet<QString> texts;
    for (qsizetype i = 0; i < references.size(); ++i) {
        if (!types[i].isEmpty())
            texts.insert(references[i]);
    }
    for (const char *number : {"B1", "B4", "B10", "B11", "B14", "E14", "F14", "AB15"})
        EXPECT_FALSE(texts.contains(QString::fromLatin1(number))) << number;
    for (const char *text : {"A1", "A10", "A11", "A13", "E13", "A14"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
    EXPECT_EQ(references.size(), 11 * 2 + 3 * 28);
}
