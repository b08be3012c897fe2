#include "cli_runner.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

class StatsCli : public fenban::testing::Cli {};

} // namespace

TEST_F(StatsCli, PrintsTheClassSummaryAsTabSeparatedText) {
    projectWithStudents(2);
    const fenban::testing::Outcome before = runOnDb({u"stats"_s, u"1"_s});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    const QStringList lines = before.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3); // header, 0班, the whole table
    const QStringList header = lines[0].split(u'\t');
    EXPECT_EQ(header.size(), 25);
    EXPECT_EQ(header.mid(0, 6), (QStringList{u"班级"_s, u"男生数"_s, u"女生数"_s, u"总人数"_s,
                                             u"数学平均分"_s, u"数学偏差"_s}));
    // The fixture: 张三 男 85, 李四 女 92, a padded " 女 " with 60.
    EXPECT_EQ(lines[1].split(u'\t').mid(0, 6),
              (QStringList{u"0班"_s, u"1"_s, u"2"_s, u"3"_s, u"79.00"_s, u"0.00"_s}));
    EXPECT_EQ(lines[2].split(u'\t').mid(0, 6), (QStringList{{}, {}, {}, {}, u"79.00"_s, u"0.00"_s}));

    ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    const fenban::testing::Outcome after = runOnDb({u"stats"_s, u"1"_s});
    const QStringList divided = after.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(divided.size(), 4);
    EXPECT_TRUE(divided[1].startsWith(u"1班\t"_s)) << divided[1].toStdString();
    EXPECT_TRUE(divided[2].startsWith(u"2班\t"_s)) << divided[2].toStdString();
}

TEST_F(StatsCli, WritesAWholeWorkbook) {
    projectWithStudents(2);
    const QString file = m_dir.filePath(u"统计.xlsx"_s);
    const fenban::testing::Outcome written = runOnDb({u"stats"_s, u"1"_s, file});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.contains(file));
    // The layout of the sheet is the export's own; here it matters that a whole workbook arrived.
    QFile workbook(file);
    ASSERT_TRUE(workbook.open(QIODevice::ReadOnly));
    EXPECT_EQ(workbook.read(2), QByteArray("PK"));
    EXPECT_FALSE(QFile::exists(file + u".part"_s));
}

TEST_F(StatsCli, RefusesWithUsageOrFailureCodes) {
    projectWithStudents(2);
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"stats"_s}, 2, u"缺少分班项目编号"_s},
        {{u"stats"_s, u"x"_s}, 2, u"分班项目编号必须是整数"_s},
        {{u"stats"_s, u"1"_s, u"a.xlsx"_s, u"b.xlsx"_s}, 2, u"b.xlsx"_s},
        {{u"stats"_s, u"7"_s}, 1, u"不存在编号为7的分班项目"_s},
        {{u"stats"_s, u"1"_s, u"/no/such/folder/x.xlsx"_s},
         1,
         QDir::toNativeSeparators(u"/no/such/folder/x.xlsx"_s)},
    };
    for (const auto &c : cases) {
        const fenban::testing::Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
}
