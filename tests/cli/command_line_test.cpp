#include "cli_runner.h"

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

const QString defaultSettings = u"is_avg_person=1\nis_avg_total=1\nis_avg_ch=1\nis_avg_math=1\n"
                                u"is_avg_eng=1\nis_avg_inter=1\ninter=1\nis_man=0\nwtNum=50\n"
                                u"optimise_seconds=10\noptimise_after_division=1\n"
                                "optimise_subjects=数学,英语,语文,物理,政治,历史,体育,地理,生物\n"_s;

class CommandLine : public fenban::testing::Cli {
protected:
    // Runs a blank-separated command line. DB stands for the test's database (also in --db=DB),
    // FIXTURE for the students import fixture, OUT for a file in the test's folder; a line
    // without DB gets "--db DB" in front.
    Outcome runLine(const QString &line) {
        QStringList words;
        bool namesDatabase = false;
        for (QString word : line.split(u' ', Qt::SkipEmptyParts)) {
            if (word.endsWith(u"DB"_s)) {
                word.replace(u"DB"_s, dbLocation());
                namesDatabase = true;
            } else if (word == u"FIXTURE"_s) {
                word = QStringLiteral(FENBAN_TEST_DATA "/import/students.csv");
            } else if (word == u"OUT"_s) {
                word = m_dir.filePath(u"out.csv"_s);
            }
            words.append(word);
        }
        return namesDatabase ? run(words) : runOnDb(words);
    }
};

} // namespace

// The order of options and positionals never changes which value goes where. The lines run in
// turn on two projects of two classes each; what each prints shows which value it took.
TEST_F(CommandLine, OptionsTakeTheirValuesWhereverTheyStand) {
    projectWithStudents(2);
    projectWithStudents(2);
    const struct {
        QString line;
        QString printed;
    } cases[] = {
        {u"settings --inter 2 1"_s, u"inter=2\n"_s},
        {u"settings 1 --wtnum -3"_s, u"wtNum=-3\n"_s},
        {u"settings --db DB 1 --man 1"_s, u"is_man=1\n"_s},
        {u"settings --avg-eng=0 2 --db=DB"_s, u"is_avg_eng=0\n"_s},
        {u"new --classes 3 --memo x"_s, u"3\n"_s},
        {u"new --memo x --classes 4"_s, u"4\n"_s},
        {u"new --memo=--x --classes=5 --db DB"_s, u"5\n"_s},
        {u"new --classes=6 --db DB --memo=x"_s, u"6\n"_s},
        {u"projects --db DB"_s, u"3\tx\t3\t"_s},
        {u"projects"_s, u"5\t--x\t5\t"_s},
        {u"delete --db DB 6"_s, QString()},
        {u"import 1 FIXTURE --db DB"_s, u"学生人数: 3\n"_s},
        {u"export --db DB 1 OUT"_s, u"已导出3名学生"_s},
        {u"divide 2 --db DB"_s, u"更新结束\n"_s},
        {u"redivide 2 1 --db DB 2"_s, u"重新分班结束\n"_s},
        {u"stats 2 --db DB"_s, u"\n2班\t"_s},
        {u"students 2 --db DB --class 2"_s, u"学号\t"_s},
        {u"copy-from --overwrite 2 1"_s, u"导入数据成功\n"_s},
        {u"copy-from 2 1 --overwrite --db DB"_s, u"导入数据成功\n"_s},
        {u"pinyin 张三 --db DB"_s, u"ZHANG SAN\n"_s},
        {u"pinyin -- --db"_s, u"D B\n"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runLine(c.line);
        EXPECT_EQ(outcome.exitCode, 0) << c.line.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.contains(c.printed))
            << c.line.toStdString() << ": " << outcome.out.toStdString();
    }

    Outcome settings = runLine(u"settings 1"_s);
    EXPECT_TRUE(settings.out.contains(u"\ninter=2\nis_man=1\nwtNum=-3\n"_s)) << settings.out.toStdString();
    EXPECT_TRUE(settings.out.contains(u"is_avg_eng=1\n"_s));
    settings = runLine(u"settings 2"_s);
    EXPECT_TRUE(settings.out.contains(u"is_avg_eng=0\n"_s));
    EXPECT_TRUE(settings.out.contains(u"\ninter=1\nis_man=0\nwtNum=50\n"_s)) << settings.out.toStdString();
    const QStringList projects = runLine(u"projects"_s).out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(projects.size(), 5);
    EXPECT_TRUE(projects[3].startsWith(u"4\tx\t4\t"_s)) << projects[3].toStdString();
}

// Anything that could be read two ways is refused before the command does anything.
TEST_F(CommandLine, AmbiguousCommandLinesAreRefusedAndChangeNothing) {
    projectWithStudents(2);
    projectWithStudents(2);
    const struct {
        QString line;
        QString said;
    } cases[] = {
        {u"settings 1 --wtnum 2 --wtnum 3"_s, u"选项 --wtnum 重复给出"_s},
        {u"settings 1 --wtnum=2 --wtnum 3"_s, u"选项 --wtnum 重复给出"_s},
        {u"--db DB settings 1 --db DB --wtnum 3"_s, u"选项 --db 重复给出"_s},
        {u"settings 1 --wtnum"_s, u"选项 --wtnum 缺少取值"_s},
        {u"settings 1 --wtnum --man 1"_s, u"选项 --wtnum 缺少取值"_s},
        {u"new --memo --classes 3"_s, u"选项 --memo 缺少取值"_s},
        {u"new --classes 3 --memo"_s, u"选项 --memo 缺少取值"_s},
        {u"new --classes 3 --memo --"_s, u"选项 --memo 缺少取值"_s},
        {u"settings 1 2 --wtnum 3"_s, u"无法识别的参数: 2"_s},
        {u"settings --speed 3 1 --wtnum 4"_s, u"无法识别的参数: --speed 3 1"_s},
        {u"settings 1 --wtnum 4 --classes 3"_s, u"无法识别的参数: --classes 3"_s},
        {u"settings 1 --optimise-seconds --optimise-after 1"_s, u"选项 --optimise-seconds 缺少取值"_s},
        {u"delete 1 2"_s, u"无法识别的参数: 2"_s},
        {u"delete --overwrite 1"_s, u"无法识别的参数: --overwrite 1"_s},
        {u"import 1 FIXTURE extra"_s, u"无法识别的参数: extra"_s},
        {u"divide 1 --wtnum 3"_s, u"无法识别的参数: --wtnum 3"_s},
        {u"redivide 1 1 2 --overwrite"_s, u"无法识别的参数: --overwrite"_s},
        {u"copy-from 2 1 --overwrite=yes"_s, u"选项 --overwrite 不带取值: --overwrite=yes"_s},
        {u"copy-from 2 1 --overwrite --overwrite"_s, u"选项 --overwrite 重复给出"_s},
        {u"students 1 --math=60 90"_s, u"选项 --math 需要两个取值"_s},
        {u"students 1 --math 60"_s, u"选项 --math 需要两个取值"_s},
        {u"--wtnum 3 settings 1"_s, u"未知命令: --wtnum"_s},
        {u"projects --db"_s, u"选项 --db 重复给出"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runLine(c.line);
        EXPECT_EQ(outcome.exitCode, 2) << c.line.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.said))
            << c.line.toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << c.line.toStdString() << ": " << outcome.out.toStdString();
    }
    for (const QStringList &words : {QStringList{u"--db"_s}, QStringList{u"projects"_s, u"--db"_s}}) {
        const Outcome outcome = run(words);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.err.startsWith(u"选项 --db 缺少取值\n"_s)) << outcome.err.toStdString();
    }
    EXPECT_EQ(runLine(u"settings 1"_s).out, defaultSettings);
    EXPECT_EQ(runLine(u"settings 2"_s).out, defaultSettings);
    EXPECT_EQ(runLine(u"projects"_s).out.count(u'\n'), 2);
    EXPECT_EQ(runLine(u"students 1"_s).out.count(u'\n'), 4);
}
