#include "server_cli.h"

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

class ConnectionLostCli : public fenban::testing::ServerCli {};

} // namespace

// The server ends the program's connection while it optimises (a restart, an administrator): the
// program says so in words a teacher understands and the project stays as it was; the next command
// connects afresh.
TEST_F(ConnectionLostCli, AConnectionLostMidRunWritesNothing) {
    const int id = projectWithIntake(6, 300);
    const QString project = QString::number(id);
    ASSERT_EQ(cli({u"divide"_s, project}).exitCode, 0);
    const QStringList before = dump();

    QProcess optimising;
    start(optimising, {u"optimise"_s, project, u"--seconds"_s, u"1"_s});
    const std::optional<int> holder = lockHolder(id);
    ASSERT_TRUE(holder) << "the optimisation never took the project's lock";
    ASSERT_EQ(exec(u"SELECT pg_terminate_backend(?)"_s, {*holder}), QStringList{u"true"_s});

    ASSERT_TRUE(optimising.waitForFinished(120000));
    const QString err = QString::fromUtf8(optimising.readAllStandardError());
    EXPECT_EQ(optimising.exitCode(), 1) << err.toStdString();
    // The cause in one line, not libpq's several lines of explanation, and no warning of Qt's about
    // the dead connection. (libpq itself prints what the server said as it hung up when that came
    // between statements.)
    const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith(u"与数据库服务器的连接已断开"_s)) << err.toStdString();
    EXPECT_FALSE(err.contains(u"QSql"_s)) << err.toStdString();
    EXPECT_FALSE(err.contains(u"\tThis probably means"_s)) << err.toStdString();
    EXPECT_TRUE(optimising.readAllStandardOutput().isEmpty());
    EXPECT_EQ(dump(), before);

    EXPECT_EQ(newestAction(id), u"分班"_s);
}
