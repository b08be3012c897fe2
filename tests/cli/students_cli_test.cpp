#include "cli_runner.h"

#include <QFile>

using fenban::testing::Cli;
using fenban::testing::Outcome;

namespace {

class StudentsCli : public fenban::testing::Cli {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(projectWithStudents(2)); }

    // The student numbers of the lines after the header.
    static QStringList numbers(const Outcome &outcome) {
        QStringList lines = outcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList result;
        for (qsizetype i = 1; i < lines.size(); ++i)
            result.append(lines[i].section(QLatin1Char('\t'), 0, 0));
        return result;
    }

    Outcome students(const QStringList &options) {
        return runOnDb(QStringList{QStringLiteral("students")} + options);
    }
};

QStringList words(const QString &line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TEST_F(StudentsCli, PrintsTheSeventeenListColumnsHeaderFirst) {
    const Outcome outcome = students({QStringLiteral("1")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QStringList lines = outcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0],
              QStringLiteral(
                  "学号\t登分号\t学生姓名\t性别\t班级\t数学\t英语\t语文\t物理\t政治\t历史\t体育\t地理\t生物\t"
                  "类型\t毕业学校\t地址"));
    EXPECT_EQ(lines[1], QStringLiteral(
                            "20260001\t0101\t张三\t男\t0\t85\t90.5\t78\t66\t70\t80\t95\t60\t72\t0\t第一中学\t"
                            "城关镇1号"));
}

TEST_F(StudentsCli, SearchConditionsAndCombinations) {
    const struct {
        QString options;
        QString expected; // student numbers, blank-separated
    } cases[] = {
        {QStringLiteral("1"), QStringLiteral("20260001 20260002 20260003")},
        {QStringLiteral("1 --no 20260002"), QStringLiteral("20260002")},
        {QStringLiteral("1 --name O'B"), QStringLiteral("20260003")},
        {QStringLiteral("1 --sex 女"), QStringLiteral("20260002 20260003")},
        {QStringLiteral("1 --class 0"), QStringLiteral("20260001 20260002 20260003")},
        {QStringLiteral("1 --class 1"), QString()},
        {QStringLiteral("1 --math 80 100"), QStringLiteral("20260001 20260002")},
        {QStringLiteral("--math 80 100 1 --sex 女"), QStringLiteral("20260002")},
        {QStringLiteral("1 --math 60 90"), QStringLiteral("20260001 20260003")},
        {QStringLiteral("--math 60 90 1"), QStringLiteral("20260001 20260003")},
        {QStringLiteral("--math -5 60 1"), QStringLiteral("20260003")},
        {QStringLiteral("--sex 女 1 --class 0"), QStringLiteral("20260002 20260003")},
        {QStringLiteral("1 --chinese 70 80"), QStringLiteral("20260001")},
        {QStringLiteral("1 --english 0 1"), QStringLiteral("20260003")},
        {QStringLiteral("1 --english 80 100 --chinese 0 80 --no 20260001"), QStringLiteral("20260001")},
    };
    for (const auto &c : cases) {
        const QStringList expected = words(c.expected);
        const Outcome outcome = students(words(c.options));
        EXPECT_EQ(outcome.exitCode, 0) << c.options.toStdString() << outcome.err.toStdString();
        EXPECT_EQ(numbers(outcome), expected) << c.options.toStdString();
    }
}

TEST_F(StudentsCli, BadArgumentsAreUsageErrorsAndAMissingProjectAFailure) {
    const struct {
        QString options;
        int exitCode;
        QString said;
    } cases[] = {
        {QString(), 2, QStringLiteral("缺少分班项目编号")},
        {QStringLiteral("x"), 2, QStringLiteral("分班项目编号必须是整数")},
        {QStringLiteral("1 --math 80"), 2, QStringLiteral("--math 需要两个取值")},
        {QStringLiteral("1 --math 80 --sex 女"), 2, QStringLiteral("--math 需要两个取值")},
        {QStringLiteral("1 --math 8O 100"), 2, QStringLiteral("请输入数字")},
        {QStringLiteral("1 --no 2026x"), 2, QStringLiteral("请输入数字")},
        {QStringLiteral("1 --sex M"), 2, QStringLiteral("--sex")},
        {QStringLiteral("1 --class one"), 2, QStringLiteral("班级必须是整数")},
        {QStringLiteral("1 2"), 2, QStringLiteral("无法识别的参数")},
        {QStringLiteral("1 --grade 3"), 2, QStringLiteral("无法识别的参数")},
        {QStringLiteral("9"), 1, QStringLiteral("不存在编号为9的分班项目")},
    };
    for (const auto &c : cases) {
        const Outcome outcome = students(words(c.options));
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.options.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.said))
            << c.options.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << c.options.toStdString();
    }
}

// School numbers of 11 to 18 digits go through import, list, search and export digit for digit.
TEST_F(Cli, LongStudentNumbersAreKeptExactly) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("2")})
                  .exitCode,
              0);
    const QString file = m_dir.filePath(QStringLiteral("long.csv"));
    const auto writeList = [&file](const char *thirdNumber) {
        QFile csv(file);
        ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
        csv.write(QByteArray("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
                             "123456789012345678,01,甲,男,1,1,1,1,1,1,1,1,1\r\n"
                             "123456789012345679,02,乙,女,1,1,1,1,1,1,1,1,1\r\n") +
                  thirdNumber + ",03,丙,女,1,1,1,1,1,1,1,1,1\r\n");
    };
    // A spreadsheet's exponent form may have lost digits, so it is refused rather than read.
    writeList("1.8211510101E10");
    const Outcome refused = runOnDb({QStringLiteral("import"), QStringLiteral("1"), file});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral(
        "插入数据库过程第4行出错,学生不考的科目请设置为0分\n“学号”列的值“1.8211510101E10”: "
        "学号写成了科学计数法，表格程序可能已改动其中的数字，请把“学号”列设置为文本格式后重新输入")))
        << refused.err.toStdString();
    writeList("18211510101");
    const Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"), file});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();

    const Outcome found = runOnDb({QStringLiteral("students"), QStringLiteral("1"), QStringLiteral("--no"),
                                   QStringLiteral("123456789012345678")});
    ASSERT_EQ(found.exitCode, 0) << found.err.toStdString();
    const QStringList lines = found.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("123456789012345678\t01\t甲"))) << lines[1].toStdString();

    const QString out = m_dir.filePath(QStringLiteral("out.csv"));
    ASSERT_EQ(runOnDb({QStringLiteral("export"), QStringLiteral("1"), out}).exitCode, 0);
    QFile exported(out);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(exported.readAll());
    for (const char *number :
         {"\r\n18211510101,03,", "\r\n123456789012345678,01,", "\r\n123456789012345679,02,"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(number))) << text.toStdString();

    const Outcome tooLong = runOnDb({QStringLiteral("students"), QStringLiteral("1"), QStringLiteral("--no"),
                                     QStringLiteral("1234567890123456789")});
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_TRUE(tooLong.err.contains(QStringLiteral("学号太长，最多18位"))) << tooLong.err.toStdString();
}
