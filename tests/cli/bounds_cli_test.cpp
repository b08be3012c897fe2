#include "cli_runner.h"

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

class BoundsCli : public fenban::testing::Cli {
protected:
    Outcome runWords(const QString &line) { return runOnDb(line.split(u' ', Qt::SkipEmptyParts)); }
};

} // namespace

TEST_F(BoundsCli, RedivisionOnlyIntoClassesTheProjectHas) {
    projectWithStudents(4);
    ASSERT_EQ(runWords(u"divide 1"_s).exitCode, 0);
    const QString before = runWords(u"students 1"_s).out;
    const struct {
        QString line;
        int exitCode;
        QString said;
    } cases[] = {
        {u"redivide 1 3 9"_s, 1, u"班级号必须在1到4之间: 9"_s},
        {u"redivide 1 2 -1"_s, 1, u"班级号必须在1到4之间: -1"_s},
        {u"redivide 1 0 1"_s, 1, u"班级号必须在1到4之间: 0"_s},
        {u"redivide 1 5"_s, 1, u"班级号必须在1到4之间: 5"_s},
        {u"redivide 1 x"_s, 2, u"班级编号必须是整数: x"_s},
        {u"redivide 1 2 2.5"_s, 2, u"班级编号必须是整数: 2.5"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runWords(c.line);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.line.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.said))
            << c.line.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << c.line.toStdString() << ": " << outcome.out.toStdString();
        EXPECT_EQ(runWords(u"students 1"_s).out, before) << c.line.toStdString();
    }
    const Outcome edges = runWords(u"redivide 1 1 4"_s);
    EXPECT_EQ(edges.exitCode, 0) << edges.err.toStdString();
}

// The lines run in turn on one database; the last column is what stdout or stderr must hold.
TEST_F(BoundsCli, ClassCountAndTuningPassesAreBoundedWhereTheyEnter) {
    const struct {
        QString line;
        int exitCode;
        QString said;
    } cases[] = {
        {u"new --memo a --classes 1000"_s, 0, u"1\n"_s},
        {u"new --memo b --classes 1001"_s, 1, u"班级数必须在1到1000之间: 1001"_s},
        {u"new --memo b --classes 100000000"_s, 1, u"班级数必须在1到1000之间: 100000000"_s},
        {u"settings 1 --wtnum 1000"_s, 0, u"wtNum=1000\n"_s},
        {u"settings 1 --wtnum 1001"_s, 1, u"--wtnum 的取值不能大于1000: 1001"_s},
        {u"settings 1 --inter 7 --wtnum 100000000"_s, 1, u"--wtnum 的取值不能大于1000: 100000000"_s},
        // Below 0 means no fine-tuning at all; any tolerance from 0 up is meaningful.
        {u"settings 1 --wtnum -1"_s, 0, u"wtNum=-1\n"_s},
        {u"settings 1 --inter 100000000"_s, 0, u"inter=100000000\n"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runWords(c.line);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.line.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE((c.exitCode == 0 ? outcome.out : outcome.err).contains(c.said))
            << c.line.toStdString() << ": " << outcome.out.toStdString() << outcome.err.toStdString();
    }
    const QStringList projects = runWords(u"projects"_s).out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(projects.size(), 1);
    EXPECT_TRUE(projects[0].startsWith(u"1\ta\t1000\t"_s));
    EXPECT_TRUE(
        runWords(u"settings 1"_s)
            .out.endsWith(
                u"inter=100000000\nis_man=0\nwtNum=-1\noptimise_seconds=10\n"
                u"optimise_after_division=1\noptimise_subjects=数学,英语,语文,物理,政治,历史,体育,地理,生物\n"_s));
}

// A refused value names the option and the value, and changes nothing: not even the values given with it.
TEST_F(BoundsCli, SettingsRefuseWhatTheSettingsWindowRefuses) {
    projectWithStudents(2);
    const QString before = runWords(u"settings 1"_s).out;
    const struct {
        QStringList options;
        QString said;
    } cases[] = {
        {{u"--inter"_s, u"-1"_s}, u"--inter 的取值不能小于0: -1"_s},
        {{u"--inter"_s, u"-2147483648"_s}, u"--inter 的取值不能小于0: -2147483648"_s},
        {{u"--wtnum"_s, u"3"_s, u"--inter=-5"_s}, u"--inter 的取值不能小于0: -5"_s},
        {{u"--optimise-subjects="_s}, u"--optimise-subjects 的取值必须是用逗号分隔的科目名"_s},
        {{u"--optimise-subjects"_s, u"语文,,数学"_s}, u": 语文,,数学"_s},
        {{u"--inter"_s, u"2"_s, u"--optimise-subjects"_s, u"语文,"_s}, u": 语文,"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(QStringList{u"settings"_s, u"1"_s} + c.options);
        const std::string line = c.options.join(u' ').toStdString();
        EXPECT_EQ(outcome.exitCode, 1) << line;
        EXPECT_TRUE(outcome.err.contains(c.said)) << line << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << line << ": " << outcome.out.toStdString();
        EXPECT_EQ(runWords(u"settings 1"_s).out, before) << line;
    }
    const Outcome edge = runWords(u"settings 1 --inter 0 --optimise-subjects 语文、数学"_s);
    EXPECT_EQ(edge.exitCode, 0) << edge.err.toStdString();
    EXPECT_TRUE(edge.out.contains(u"\ninter=0\n"_s)) << edge.out.toStdString();
    EXPECT_TRUE(edge.out.endsWith(u"optimise_subjects=数学,语文\n"_s)) << edge.out.toStdString();
}
