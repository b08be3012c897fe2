#include "reports/statistics_export.h"

#include "exchange/sheets/sheet.h"
#include "support/full_disk.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using fenban::exchange::SheetData;
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

class StatisticsExport : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(StatisticsExport, GridsStandOneBelowTheOtherWithTitles) {
    const ClassStatistics statistics = fourClasses();
    const QString file = path(QStringLiteral("分班明细表.xlsx"));
    ASSERT_TRUE(fenban::reports::writeStatistics(statistics, file));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
    const auto read = fenban::exchange::readFirstSheet(file);
    ASSERT_TRUE(read) << read.error().toStdString();
    const SheetData &sheet = read.value();
    EXPECT_EQ(sheet, fenban::reports::statisticsSheet(statistics));

    // The summary without a title from row 1, then each grid's title three rows after the previous
    // grid's last row and the grid right below it.
    EXPECT_EQ(rowTexts(sheet, 1, 4), (QStringList{u"班级"_s, u"男生数"_s, u"女生数"_s, u"总人数"_s}));
    EXPECT_EQ(rowTexts(sheet, 2, 6),
              (QStringList{u"1班"_s, u"1"_s, u"1"_s, u"2"_s, u"   61.50"_s, u"   -1.50"_s}));
    EXPECT_EQ(rowTexts(sheet, 6, 6), (QStringList{u""_s, u""_s, u""_s, u""_s, u"   63.00"_s, u"    0.00"_s}));
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
    const auto written =
        fenban::reports::writeStatistics(fourClasses(), existing, fenban::testing::writeToFullDisk);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().contains(QDir::toNativeSeparators(existing)))
        << written.error().toStdString();
    EXPECT_TRUE(written.error().contains(QStringLiteral("磁盘空间不足"))) << written.error().toStdString();
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("keep.xlsx.part"))).isDir());
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));

    const QString missingFolder = path(QStringLiteral("no/such/folder/x.xlsx"));
    EXPECT_FALSE(fenban::reports::writeStatistics(fourClasses(), missingFolder));
    EXPECT_FALSE(QFile::exists(missingFolder));
}
