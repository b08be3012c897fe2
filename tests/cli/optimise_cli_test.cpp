#include "cli_runner.h"

#include <QFile>

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
    Outcome divided = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    EXPECT_FALSE(divided.out.contains(QStringLiteral("开始优化均衡")));
    EXPECT_TRUE(divided.out.contains(QStringLiteral("性别为空")));
    EXPECT_EQ(unplaced(), QStringLiteral("2"));

    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-after"),
                       QStringLiteral("1"), QStringLiteral("--optimise-seconds"), QStringLiteral("1")})
                  .exitCode,
              0);
    divided = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    const QStringList lines = divided.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.mid(lines.size() - 2),
              (QStringList{QStringLiteral("开始优化均衡"), QStringLiteral("优化均衡完成")}));
    EXPECT_FALSE(divided.out.contains(QStringLiteral("性别为空")));
    EXPECT_EQ(unplaced(), QString());

    const Outcome redivided =
        runOnDb({QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2")});
    ASSERT_EQ(redivided.exitCode, 0) << redivided.err.toStdString();
    EXPECT_FALSE(redivided.out.contains(QStringLiteral("开始优化均衡")));
}
