#include "cli_runner.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

class BalanceCli : public fenban::testing::Cli {};

} // namespace

TEST_F(BalanceCli, PrintsTheSummaryAndOnRequestEveryClass) {
    // The fixture: 张三 男 体育特长, 李 四 女, " 女 " 艺术, none of them placed in the two classes yet.
    projectWithStudents(2);
    const fenban::testing::Outcome before = runOnDb({u"balance"_s, u"1"_s});
    ASSERT_EQ(before.exitCode, 0) << before.err.toStdString();
    // Sexes: 1 boy and 2 girls against 0 in each class, |0 − 2/2|. Categories: one student each,
    // |0 − 1/2|. 历史 80 69 62 puts two in band 6, |0 − 2/2|. No class has a mean to compare.
    EXPECT_EQ(before.out.split(u'\n', Qt::SkipEmptyParts),
              (QStringList{u"size_dev 0.00"_s, u"worst_sex_dev 1.00"_s, u"worst_category_dev 0.50"_s,
                           u"worst_subject_mean_dev 0.00"_s, u"worst_total_mean_dev 0.00"_s,
                           u"worst_subject_sd_dev 0.00"_s, u"worst_band_dev 1.00"_s, u"same_pinyin_pairs 0"_s,
                           u"same_name_pairs 0"_s, u"unplaced 3"_s, u"rule_violations 0"_s}));

    ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    const fenban::testing::Outcome after = runOnDb({u"balance"_s, u"1"_s, u"--classes"_s});
    ASSERT_EQ(after.exitCode, 0) << after.err.toStdString();
    const QStringList lines = after.out.split(u'\n');
    ASSERT_EQ(lines.size(), 16) << after.out.toStdString(); // 11 figures, blank, header, 2 classes, end
    // Three students over two classes: |2 − 3/2|.
    EXPECT_EQ(lines[0], u"size_dev 0.50"_s);
    EXPECT_EQ(lines[9], u"unplaced 0"_s);
    EXPECT_EQ(lines[10], u"rule_violations 0"_s);
    EXPECT_EQ(lines[11], QString());
    const QStringList header = lines[12].split(u'\t');
    ASSERT_EQ(header.size(), 29);
    EXPECT_EQ(header.mid(0, 8), (QStringList{u"class"_s, u"size"_s, u"boys"_s, u"girls"_s, u"体育特长"_s,
                                             u"艺术"_s, u"math_mean"_s, u"math_sd"_s}));
    EXPECT_EQ(header.mid(24), (QStringList{u"total_mean"_s, u"total_sd"_s, u"band_dev"_s,
                                           u"same_pinyin_pairs"_s, u"same_name_pairs"_s}));
    int students = 0;
    for (int c = 0; c < 2; ++c) {
        const QStringList fields = lines[13 + c].split(u'\t');
        ASSERT_EQ(fields.size(), 29) << lines[13 + c].toStdString();
        EXPECT_EQ(fields[0], QString::number(c + 1));
        students += fields[1].toInt();
        // Two decimals for every mean and SD.
        for (int column = 6; column < 26; ++column)
            EXPECT_TRUE(fields[column].contains(QRegularExpression(u"^\\d+\\.\\d\\d$"_s))) << column;
    }
    EXPECT_EQ(students, 3);
}

TEST_F(BalanceCli, RefusesWithUsageOrFailureCodes) {
    projectWithStudents(2);
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"balance"_s}, 2, u"缺少分班项目编号"_s},
        {{u"balance"_s, u"x"_s}, 2, u"分班项目编号必须是整数"_s},
        {{u"balance"_s, u"1"_s, u"2"_s}, 2, u"2"_s},
        {{u"balance"_s, u"1"_s, u"--class"_s}, 2, u"--class"_s},
        {{u"balance"_s, u"7"_s}, 1, u"不存在编号为7的分班项目"_s},
    };
    for (const auto &c : cases) {
        const fenban::testing::Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
}
