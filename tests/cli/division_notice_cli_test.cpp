#include "cli_runner.h"

#include <QFile>

using fenban::testing::Cli;
using fenban::testing::Outcome;

// Students without a sex stay out of every class; divide and redivide name them after their lines.
TEST_F(Cli, DivisionNamesStudentsWithoutSex) {
    QFile sheet(m_dir.filePath(QStringLiteral("sexes.csv")));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
                "1,,甲,男,90,90,90,90,90,90,90,90,90\r\n"
                "2,,乙,,80,80,80,80,80,80,80,80,80\r\n"
                "3,,丙,女,70,70,70,70,70,70,70,70,70\r\n"
                "4,,丁,  ,60,60,60,60,60,60,60,60,60\r\n"
                "5,,戊,男,50,50,50,50,50,50,50,50,50\r\n");
    sheet.close();
    const Outcome created = runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                                     QStringLiteral("--classes"), QStringLiteral("2")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    const Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"), sheet.fileName()});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    // The optimiser would place them.
    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-after=0")})
                  .exitCode,
              0);

    const QString notice = QStringLiteral("以下2名学生性别为空，未分班: 2 乙、4 丁");
    for (const QStringList &command : {QStringList{QStringLiteral("divide"), QStringLiteral("1")},
                                       QStringList{QStringLiteral("redivide"), QStringLiteral("1"),
                                                   QStringLiteral("1"), QStringLiteral("2")}}) {
        const Outcome run = runOnDb(command);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2) << run.out.toStdString();
        // After the engine's lines, before the balance.
        const qsizetype at = lines.indexOf(notice);
        ASSERT_GT(at, 0) << command.join(QLatin1Char(' ')).toStdString() << run.out.toStdString();
        EXPECT_TRUE(lines[at - 1].endsWith(QStringLiteral("结束")));
        EXPECT_TRUE(lines.value(at + 1).endsWith(u':')) << run.out.toStdString();
        EXPECT_EQ(lines.count(notice), 1);
    }
}

// A cohort where everybody has a sex gets no such line.
TEST_F(Cli, DivisionWithEverySexNamesNobody) {
    projectWithStudents(2);
    const Outcome run = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("性别为空")));
}
