#include "cli_runner.h"

#include <QDir>
#include <QFile>

using fenban::testing::Cli;
using fenban::testing::Outcome;

namespace {

const QString defaultSettings =
    QStringLiteral("is_avg_person=1\nis_avg_total=1\nis_avg_ch=1\nis_avg_math=1\n"
                   "is_avg_eng=1\nis_avg_inter=1\ninter=1\nis_man=0\nwtNum=50\n"
                   "optimise_seconds=10\noptimise_after_division=1\n"
                   "optimise_subjects=数学,英语,语文,物理,政治,历史,体育,地理,生物\n");

} // namespace

TEST_F(Cli, NewListDeleteRoundTrip) {
    Outcome created = runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("高一新生"),
                               QStringLiteral("--classes"), QStringLiteral("6")});
    ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
    EXPECT_EQ(created.out, QStringLiteral("1\n"));
    created = runOnDb(
        {QStringLiteral("new"), QStringLiteral("--memo=初一 '实验' 班"), QStringLiteral("--classes=2")});
    EXPECT_EQ(created.out, QStringLiteral("2\n"));

    Outcome listed = runOnDb({QStringLiteral("projects")});
    ASSERT_EQ(listed.exitCode, 0);
    const QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    const QStringList first = lines[0].split(QLatin1Char('\t'));
    ASSERT_EQ(first.size(), 4);
    EXPECT_EQ(first.mid(0, 3),
              (QStringList{QStringLiteral("1"), QStringLiteral("高一新生"), QStringLiteral("6")}));
    EXPECT_FALSE(first[3].isEmpty());
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2\t初一 '实验' 班\t2\t")));

    EXPECT_EQ(runOnDb({QStringLiteral("delete"), QStringLiteral("1")}).exitCode, 0);
    listed = runOnDb({QStringLiteral("projects")});
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("2\t")));
    EXPECT_EQ(listed.out.count(QLatin1Char('\n')), 1);
}

TEST_F(Cli, SettingsShowAndChangeAnySubset) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("3")})
                  .exitCode,
              0);
    EXPECT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1")}).out, defaultSettings);

    const Outcome changed =
        runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--inter"),
                 QStringLiteral("3"), QStringLiteral("--wtnum"), QStringLiteral("20"),
                 QStringLiteral("--man"), QStringLiteral("1"), QStringLiteral("--avg-eng=0")});
    ASSERT_EQ(changed.exitCode, 0) << changed.err.toStdString();
    const QString expected =
        QStringLiteral("is_avg_person=1\nis_avg_total=1\nis_avg_ch=1\nis_avg_math=1\n"
                       "is_avg_eng=0\nis_avg_inter=1\ninter=3\nis_man=1\nwtNum=20\n"
                       "optimise_seconds=10\noptimise_after_division=1\n"
                       "optimise_subjects=数学,英语,语文,物理,政治,历史,体育,地理,生物\n");
    EXPECT_EQ(changed.out, expected);
    EXPECT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1")}).out, expected);

    const Outcome optimiser =
        runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-seconds"),
                 QStringLiteral("2.5"), QStringLiteral("--optimise-after=0")});
    ASSERT_EQ(optimiser.exitCode, 0) << optimiser.err.toStdString();
    QString optimised = expected;
    optimised.replace(QStringLiteral("optimise_seconds=10\noptimise_after_division=1"),
                      QStringLiteral("optimise_seconds=2.5\noptimise_after_division=0"));
    EXPECT_EQ(optimiser.out, optimised);
    EXPECT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1")}).out, optimised);

    // The optimiser's subjects are named in any order and printed in subject order; a word that names
    // no subject changes nothing.
    const Outcome chosen =
        runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-subjects"),
                 QStringLiteral("语文, 体育、数学")});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.endsWith(QStringLiteral("optimise_subjects=数学,语文,体育\n")))
        << chosen.out.toStdString();
    const Outcome unknown = runOnDb({QStringLiteral("settings"), QStringLiteral("1"),
                                     QStringLiteral("--optimise-subjects"), QStringLiteral("语文,音乐")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("音乐")));
    EXPECT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1")}).out, chosen.out);
}

TEST_F(Cli, BadArgumentsAreRefusedAndChangeNothing) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("3")})
                  .exitCode,
              0);
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{}, 2, QStringLiteral("用法")},
        {{QStringLiteral("divide-all")}, 2, QStringLiteral("未知命令: divide-all")},
        {{QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("b")},
         2,
         QStringLiteral("--classes")},
        {{QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("b"), QStringLiteral("--classes")},
         2,
         QStringLiteral("缺少取值")},
        {{QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral(""), QStringLiteral("--classes"),
          QStringLiteral("3")},
         1,
         QStringLiteral("请输入分班描述")},
        {{QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("b"), QStringLiteral("--classes"),
          QStringLiteral("0")},
         1,
         QStringLiteral("班级数必须是大于0的整数")},
        {{QStringLiteral("projects"), QStringLiteral("extra")}, 2, QStringLiteral("无法识别的参数: extra")},
        {{QStringLiteral("delete")}, 2, QStringLiteral("缺少分班项目编号")},
        {{QStringLiteral("delete"), QStringLiteral("one")}, 2, QStringLiteral("必须是整数: one")},
        {{QStringLiteral("delete"), QStringLiteral("9")}, 1, QStringLiteral("不存在编号为9的分班项目")},
        {{QStringLiteral("settings"), QStringLiteral("9")}, 1, QStringLiteral("不存在该班别的参数设置")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--inter"), QStringLiteral("2.5"),
          QStringLiteral("--wtnum"), QStringLiteral("7")},
         1,
         QStringLiteral("--inter 的取值必须是整数: 2.5")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"), QStringLiteral("many")},
         1,
         QStringLiteral("--wtnum 的取值必须是整数: many")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--man"), QStringLiteral("2")},
         1,
         QStringLiteral("--man 的取值必须是 0 或 1: 2")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--speed"), QStringLiteral("2")},
         2,
         QStringLiteral("无法识别的参数: --speed 2")},
        // A refused optimiser value keeps the division settings given with it from being written.
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--inter"), QStringLiteral("4"),
          QStringLiteral("--optimise-seconds"), QStringLiteral("601")},
         1,
         QStringLiteral("优化时间必须在1到600秒之间: 601")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-seconds"),
          QStringLiteral("0.5")},
         1,
         QStringLiteral("优化时间必须在1到600秒之间: 0.5")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-seconds"),
          QStringLiteral("nan")},
         1,
         QStringLiteral("优化时间必须在1到600秒之间: nan")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-seconds"),
          QStringLiteral("long")},
         1,
         QStringLiteral("--optimise-seconds 的取值必须是数字: long")},
        {{QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--optimise-after"),
          QStringLiteral("2")},
         1,
         QStringLiteral("--optimise-after 的取值必须是 0 或 1: 2")},
        {{QStringLiteral("settings"), QStringLiteral("9"), QStringLiteral("--optimise-after"),
          QStringLiteral("1")},
         1,
         QStringLiteral("不存在该班别的参数设置")},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
    EXPECT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1")}).out, defaultSettings);
    EXPECT_EQ(runOnDb({QStringLiteral("projects")}).out.count(QLatin1Char('\n')), 1);
}

TEST_F(Cli, DatabaseComesFromEnvironmentWhenNotGiven) {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("FENBAN_DB"), dbLocation());
    ASSERT_EQ(run({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("env"),
                   QStringLiteral("--classes"), QStringLiteral("2")},
                  environment)
                  .exitCode,
              0);
    EXPECT_TRUE(runOnDb({QStringLiteral("projects")}).out.startsWith(QStringLiteral("1\tenv\t2\t")));
}

TEST_F(Cli, UnusableDatabaseFileIsReportedByName) {
    FENBAN_FILE_ONLY();
    // A folder where the file should be cannot be opened as a database.
    const QString folder = m_dir.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const Outcome outcome = run({QStringLiteral("--db"), folder, QStringLiteral("projects")});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.err.contains(QDir::toNativeSeparators(folder))) << outcome.err.toStdString();
}

TEST_F(Cli, ImportExportAndPinyin) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("3")})
                  .exitCode,
              0);
    const Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"),
                                      QStringLiteral(FENBAN_TEST_DATA "/import/students.xls")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, QStringLiteral("导入成功\n学生人数: 3\n"));

    const QString csv = m_dir.filePath(QStringLiteral("结果.csv"));
    const Outcome exported = runOnDb({QStringLiteral("export"), QStringLiteral("1"), csv});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("毕业学校,地址,班名,备注,分类"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("20260001,0101,张三,男,85,90.5,")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",696.5,第一中学,城关镇1号,0班,,体育特长")))
        << lines[1].toStdString();

    const Outcome pinyin = run({QStringLiteral("pinyin"), QStringLiteral("张三 Tom")});
    EXPECT_EQ(pinyin.exitCode, 0);
    EXPECT_EQ(pinyin.out, QStringLiteral("ZHANG SAN  T O M\n"));
}

TEST_F(Cli, ImportThatFailsLeavesTheProjectUnchanged) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("3")})
                  .exitCode,
              0);
    ASSERT_EQ(runOnDb({QStringLiteral("import"), QStringLiteral("1"),
                       QStringLiteral(FENBAN_TEST_DATA "/import/students.csv")})
                  .exitCode,
              0);
    const QString bad = m_dir.filePath(QStringLiteral("bad.csv"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
               "1,01,甲,男,1,1,1,1,1,1,1,1,1\r\n"
               "1,02,乙,女,1,1,1,1,1,1,1,1,1\r\n");
    file.close();
    // The first row has no student number, so the file brings no students at all.
    const QString withoutStudents = m_dir.filePath(QStringLiteral("without-students.csv"));
    QFile empty(withoutStudents);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n"
                ",01,甲,男,1,1,1,1,1,1,1,1,1\r\n"
                "2,02,乙,女,1,1,1,1,1,1,1,1,1\r\n");
    empty.close();
    const QString repeatedTitle = m_dir.filePath(QStringLiteral("repeated-title.csv"));
    QFile repeated(repeatedTitle);
    ASSERT_TRUE(repeated.open(QIODevice::WriteOnly));
    repeated.write("学号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物,姓名\r\n"
                   "1,甲,男,1,1,1,1,1,1,1,1,1,乙\r\n");
    repeated.close();

    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{QStringLiteral("import"), QStringLiteral("1"), bad},
         1,
         QStringLiteral(
             "插入数据库过程第3行出错,学生不考的科目请设置为0分\n“学号”列的值“1”: 学号与第2行重复")},
        {{QStringLiteral("import"), QStringLiteral("1"), withoutStudents},
         1,
         QStringLiteral("文件中没有学生数据")},
        {{QStringLiteral("import"), QStringLiteral("1"), repeatedTitle},
         1,
         QStringLiteral("表头中的列重复: 姓名")},
        {{QStringLiteral("import"), QStringLiteral("1"), m_dir.filePath(QStringLiteral("none.xlsx"))},
         1,
         QStringLiteral("none.xlsx")},
        {{QStringLiteral("import"), QStringLiteral("7"),
          QStringLiteral(FENBAN_TEST_DATA "/import/students.csv")},
         1,
         QStringLiteral("不存在编号为7的分班项目")},
        {{QStringLiteral("import"), QStringLiteral("1")}, 2, QStringLiteral("缺少文件名")},
        {{QStringLiteral("export"), QStringLiteral("1"), m_dir.filePath(QStringLiteral("no/such/out.xlsx"))},
         1,
         QStringLiteral("无法写入文件")},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
    }
    const QString out = m_dir.filePath(QStringLiteral("after.csv"));
    ASSERT_EQ(runOnDb({QStringLiteral("export"), QStringLiteral("1"), out}).exitCode, 0);
    QFile after(out);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll().count("\r\n"), 4);
}

TEST_F(Cli, DivideAndRedividePrintTheConsoleLines) {
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                       QStringLiteral("--classes"), QStringLiteral("2")})
                  .exitCode,
              0);
    ASSERT_EQ(runOnDb({QStringLiteral("import"), QStringLiteral("1"),
                       QStringLiteral(FENBAN_TEST_DATA "/import/students.csv")})
                  .exitCode,
              0);
    ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"),
                       QStringLiteral("0"), QStringLiteral("--optimise-after"), QStringLiteral("0")})
                  .exitCode,
              0);
    const Outcome divided = runOnDb({QStringLiteral("divide"), QStringLiteral("1")});
    ASSERT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    const QStringList lines = divided.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("对女的进行分"));
    EXPECT_TRUE(lines.contains(QStringLiteral("微调结束")));
    // The engine's lines end the division; the balance it left follows, a figure a line.
    const qsizetype balance = lines.indexOf(QStringLiteral("均衡情况:"));
    ASSERT_GT(balance, 0) << divided.out.toStdString();
    EXPECT_EQ(lines[balance - 1], QStringLiteral("更新结束"));
    EXPECT_EQ(lines.size() - balance - 1, 11);
    EXPECT_TRUE(lines.contains(QStringLiteral("  同音姓名同班对数: 0")));
    EXPECT_FALSE(lines.contains(QStringLiteral("开始优化均衡")));

    const Outcome redivided =
        runOnDb({QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2")});
    ASSERT_EQ(redivided.exitCode, 0) << redivided.err.toStdString();
    const QStringList again = redivided.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype compared = again.indexOf(QStringLiteral("所选班级重新分班前后:"));
    ASSERT_GT(compared, 0) << redivided.out.toStdString();
    EXPECT_EQ(again[compared - 1], QStringLiteral("重新分班结束"));
    EXPECT_TRUE(again.last().contains(QStringLiteral(" → "))) << redivided.out.toStdString();

    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{QStringLiteral("divide")}, 2, QStringLiteral("缺少分班项目编号")},
        {{QStringLiteral("divide"), QStringLiteral("9")}, 1, QStringLiteral("不存在编号为9的分班项目")},
        {{QStringLiteral("redivide"), QStringLiteral("1")}, 1, QStringLiteral("请选择要重新分班的班级")},
        {{QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("二")},
         2,
         QStringLiteral("班级编号必须是整数")},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
    }
}
