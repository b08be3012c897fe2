#include "cli_runner.h"

#include <QFile>

namespace {

class CopyFromCli : public fenban::testing::Cli {};

} // namespace

TEST_F(CopyFromCli, CopiesStudentsFixedToTheirClasses) {
    projectWithStudents(2);
    ASSERT_EQ(runOnDb({QStringLiteral("divide"), QStringLiteral("1")}).exitCode, 0);
    projectWithStudents(2);

    const fenban::testing::Outcome clash =
        runOnDb({QStringLiteral("copy-from"), QStringLiteral("1"), QStringLiteral("2")});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_TRUE(clash.err.contains(QStringLiteral("导入数据出错!数据可能已经存在，请采用覆盖方式导入")));

    const fenban::testing::Outcome copied = runOnDb({QStringLiteral("copy-from"), QStringLiteral("1"),
                                                     QStringLiteral("2"), QStringLiteral("--overwrite")});
    ASSERT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(copied.out, QStringLiteral("导入数据成功\n"));

    // The copies keep the classes the source gave them.
    const QString first = m_dir.filePath(QStringLiteral("1.csv"));
    const QString second = m_dir.filePath(QStringLiteral("2.csv"));
    ASSERT_EQ(runOnDb({QStringLiteral("export"), QStringLiteral("1"), first}).exitCode, 0);
    ASSERT_EQ(runOnDb({QStringLiteral("export"), QStringLiteral("2"), second}).exitCode, 0);
    QFile a(first);
    QFile b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{QStringLiteral("copy-from"), QStringLiteral("2"), QStringLiteral("2")},
         1,
         QStringLiteral("不能导入当前分班项目本身")},
        {{QStringLiteral("copy-from"), QStringLiteral("5"), QStringLiteral("2")},
         1,
         QStringLiteral("不存在编号为5的分班项目")},
        {{QStringLiteral("copy-from"), QStringLiteral("1")}, 2, QStringLiteral("缺少分班项目编号")},
    };
    for (const auto &c : cases) {
        const fenban::testing::Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
    }
}

// A project never divided has nothing to bring: its students would arrive in no class.
TEST_F(CopyFromCli, AProjectNeverDividedIsRefused) {
    projectWithStudents(2);
    projectWithStudents(2);
    const fenban::testing::Outcome refused = runOnDb({QStringLiteral("copy-from"), QStringLiteral("1"),
                                                      QStringLiteral("2"), QStringLiteral("--overwrite")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, QStringLiteral("该分班项目还没有分班\n"));
    EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
    const QString history = runOnDb({QStringLiteral("history"), QStringLiteral("2")}).out;
    EXPECT_FALSE(history.contains(QStringLiteral("导入分班数据"))) << history.toStdString();
}
