#include "cli_runner.h"

#include <QFile>
#include <QRegularExpression>

using fenban::testing::Outcome;

namespace {

// Project 1, two classes, five students; 乙 has no sex, so the exact division leaves it out.
class OptimiseCli : public fenban::testing::Cli {
protected:
    void SetUp() override {
        QFile sheet(m_dir.filePath(QStringLiteral("cohort.csv")));
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
        sheet.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
                    "1,,甲,男,90,90,90,90,90,90,90,90,90\r\n"
                    "2,,乙,,80,80,80,80,80,80,80,80,80\r\n"
                    "3,,丙,女,70,70,70,70,70,70,70,70,70\r\n"
                    "4,,丁,女,60,60,60,60,60,60,60,60,60\r\n"
                    "5,,戊,男,50,50,50,50,50,50,50,50,50\r\n");
        sheet.close();
        ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                           QStringLiteral("--classes"), QStringLiteral("2")})
                      .exitCode,
                  0);
        const Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"), sheet.fileName()});
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    }
    // Student numbers in class 0.
    QString unplaced() {
        const Outcome listed = runOnDb({QStringLiteral("students"), QStringLiteral("1"),
                                        QStringLiteral("--class"), QStringLiteral("0")});
        EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        QStringList numbers;
        // The first line holds the headers.
        for (const QString &line : listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            numbers.append(line.section(QLatin1Char('\t'), 0, 0));
        return numbers.join(QLatin1Char(' '));
    }
};

} // namespace

TEST_F(OptimiseCli, DivideIsFollowedByOptimisationOnlyWhenTheSettingsAskForIt) {
    // A new project optimises after dividing, then states the balance.
    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-seconds"),
                       QStringLiteral("1")})
                  .exitCode,
              0);
    Outcome divided = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    const QStringList lines = divided.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype optimised = lines.indexOf(QStringLiteral("优化均衡完成"));
    ASSERT_GT(optimised, 0) << divided.out.toStdString();
    EXPECT_EQ(lines[optimised - 1], QStringLiteral("开始优化均衡"));
    EXPECT_EQ(lines.value(optimised + 1), QStringLiteral("均衡情况:"));
    EXPECT_TRUE(lines.contains(QStringLiteral("  未分班人数: 0")));
    EXPECT_FALSE(divided.out.contains(QStringLiteral("性别为空")));
    EXPECT_EQ(unplaced(), QString());

    Outcome redivided =
        runOnDb({QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2")});
    ASSERT_EQ(redivided.exitCode, 0) << redivided.err.toStdString();
    EXPECT_TRUE(redivided.out.contains(QStringLiteral("开始优化均衡")));

    // Switched off, the exact division stands, and leaves 乙 out.
    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-after"),
                       QStringLiteral("0")})
                  .exitCode,
              0);
    divided = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    EXPECT_FALSE(divided.out.contains(QStringLiteral("开始优化均衡")));
    EXPECT_TRUE(divided.out.contains(QStringLiteral("性别为空")));
    EXPECT_TRUE(divided.out.contains(QStringLiteral("  未分班人数: 1 (未达标)")))
        << divided.out.toStdString();
    EXPECT_EQ(unplaced(), QStringLiteral("2"));
    redivided =
        runOnDb({QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2")});
    ASSERT_EQ(redivided.exitCode, 0) << redivided.err.toStdString();
    EXPECT_FALSE(redivided.out.contains(QStringLiteral("开始优化均衡")));
}

TEST_F(OptimiseCli, PrintsEachFigureBeforeAndAfterAndPlacesTheStudentWithoutSex) {
    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-after=0")})
                  .exitCode,
              0);
    ASSERT_EQ(runOnDb({QStringLiteral("divide"), QStringLiteral("1")}).exitCode, 0);
    const Outcome optimised =
        runOnDb({QStringLiteral("optimise"), QStringLiteral("1"), QStringLiteral("--seconds"),
                 QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("42")});
    ASSERT_EQ(optimised.exitCode, 0) << optimised.err.toStdString();
    EXPECT_TRUE(optimised.err.isEmpty()) << optimised.err.toStdString();
    const QStringList lines = optimised.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList names;
    const QRegularExpression figure(QStringLiteral("^[a-z_]+ -?\\d+\\.\\d\\d -?\\d+\\.\\d\\d$"));
    const QRegularExpression count(QStringLiteral("^[a-z_]+ \\d+ \\d+$"));
    for (const QString &line : lines) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        names.append(name);
        const bool isCount = name.startsWith(QStringLiteral("same_")) || name == QStringLiteral("unplaced") ||
                             name == QStringLiteral("rule_violations");
        EXPECT_TRUE((isCount ? count : figure).match(line).hasMatch()) << line.toStdString();
    }
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("size_dev"), QStringLiteral("worst_sex_dev"),
                           QStringLiteral("worst_category_dev"), QStringLiteral("worst_subject_mean_dev"),
                           QStringLiteral("worst_total_mean_dev"), QStringLiteral("worst_subject_sd_dev"),
                           QStringLiteral("worst_band_dev"), QStringLiteral("same_pinyin_pairs"),
                           QStringLiteral("same_name_pairs"), QStringLiteral("unplaced"),
                           QStringLiteral("rule_violations")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("unplaced 1 0"))) << optimised.out.toStdString();
    EXPECT_EQ(unplaced(), QString());
}

TEST_F(OptimiseCli, BadOptionsAndMissingProjectsChangeNothing) {
    const struct {
        QString line;
        int exitCode;
        QString said;
    } cases[] = {
        {QStringLiteral("optimise"), 2, QStringLiteral("缺少分班项目编号")},
        {QStringLiteral("optimise 1 --seconds 0"), 2, QStringLiteral("优化时间必须在1到600秒之间: 0")},
        {QStringLiteral("optimise 1 --seconds 600.5"), 2,
         QStringLiteral("优化时间必须在1到600秒之间: 600.5")},
        {QStringLiteral("optimise 1 --seconds soon"), 2, QStringLiteral("--seconds 的取值必须是数字: soon")},
        {QStringLiteral("optimise 1 --seed -1"), 2, QStringLiteral("--seed 的取值必须是非负整数: -1")},
        {QStringLiteral("optimise 1 --seed 1.5"), 2, QStringLiteral("--seed 的取值必须是非负整数: 1.5")},
        {QStringLiteral("optimise 1 --seed +5"), 2, QStringLiteral("--seed 的取值必须是非负整数: +5")},
        {QStringLiteral("optimise 1 --seed 18446744073709551616"), 2,
         QStringLiteral("--seed 的取值必须是非负整数: 18446744073709551616")},
        {QStringLiteral("optimise 1 --speed 3"), 2, QStringLiteral("无法识别的参数: --speed 3")},
        {QStringLiteral("optimise 1 2"), 2, QStringLiteral("无法识别的参数: 2")},
        {QStringLiteral("optimise 9 --seconds 1"), 1, QStringLiteral("不存在编号为9的分班项目")},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.line.split(QLatin1Char(' ')));
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.line.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.said))
            << c.line.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
    EXPECT_EQ(unplaced(), QStringLiteral("1 2 3 4 5"));
}
