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
    // The cause in the program's one line and nothing else: neither libpq's lines about the server
    // hanging up nor Qt's warnings about the dead connection, whichever of them speaks first.
    EXPECT_TRUE(err.startsWith(u"与数据库服务器的连接已断开"_s)) << err.toStdString();
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.endsWith(u'\n')) << err.toStdString();
    EXPECT_TRUE(optimising.readAllStandardOutput().isEmpty());
    EXPECT_EQ(dump(), before);

    EXPECT_EQ(newestAction(id), u"分班"_s);
}
