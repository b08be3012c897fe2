#include "server_cli.h"

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

const QString busy = u"该分班项目正在被其他用户修改，请稍后再试"_s;

class ProjectLockCli : public fenban::testing::ServerCli {};

} // namespace

// Another user is dividing: every change of the project is refused at once and writes nothing, while
// everything that only reads goes on; once the other user is done, the project can be divided again.
TEST_F(ProjectLockCli, ABusyProjectRefusesEveryChangeButNotReading) {
    const int id = projectWithIntake(4, 120);
    const int source = projectWithIntake(4, 80, 2);
    ASSERT_EQ(cli({u"divide"_s, QString::number(id)}).exitCode, 0);
    const QString project = QString::number(id);
    const QStringList before = dump();

    ASSERT_TRUE(otherUserLocks(id, true));
    const QStringList changes[] = {
        {u"divide"_s, project},
        {u"redivide"_s, project, u"1"_s, u"2"_s},
        {u"optimise"_s, project, u"--seconds"_s, u"1"_s},
        {u"import"_s, project, intake(50, 3)},
        {u"copy-from"_s, QString::number(source), project, u"--overwrite"_s},
    };
    for (const QStringList &arguments : changes) {
        const Outcome refused = cli(arguments);
        EXPECT_EQ(refused.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(refused.err.contains(busy)) << refused.err.toStdString();
    }
    const QStringList readings[] = {
        {u"stats"_s, project},
        {u"students"_s, project},
        {u"projects"_s},
        {u"history"_s, project},
    };
    for (const QStringList &arguments : readings) {
        const Outcome read = cli(arguments);
        EXPECT_EQ(read.exitCode, 0) << arguments.join(u' ').toStdString() << ": " << read.err.toStdString();
        EXPECT_FALSE(read.out.isEmpty()) << arguments.join(u' ').toStdString();
    }
    EXPECT_EQ(dump(), before);
    // Only that project is busy.
    const Outcome other = cli({u"divide"_s, QString::number(source)});
    EXPECT_EQ(other.exitCode, 0) << other.err.toStdString();

    ASSERT_TRUE(otherUserLocks(id, false));
    const Outcome divided = cli({u"divide"_s, project});
    EXPECT_EQ(divided.exitCode, 0) << divided.err.toStdString();
    EXPECT_EQ(newestAction(id), u"分班"_s);
}

// Two programs at once on one project: the one that started first works on undisturbed and its
// result is what is kept; the second is told at once and changes nothing.
TEST_F(ProjectLockCli, WhileOneProgramOptimisesAnotherIsRefused) {
    const int id = projectWithIntake(6, 300);
    const QString project = QString::number(id);
    ASSERT_EQ(cli({u"divide"_s, project}).exitCode, 0);
    const QString students = cli({u"students"_s, project}).out;

    QProcess optimising;
    start(optimising, {u"optimise"_s, project, u"--seconds"_s, u"3"_s});
    ASSERT_TRUE(lockHolder(id)) << "the optimisation never took the project's lock";
    const QStringList changes[] = {
        {u"divide"_s, project},
        {u"import"_s, project, intake(50, 3)},
    };
    for (const QStringList &arguments : changes) {
        const Outcome refused = cli(arguments);
        EXPECT_EQ(refused.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(refused.err.contains(busy)) << refused.err.toStdString();
    }
    // Had the optimisation ended before the refusals, they would have been let through above.
    ASSERT_TRUE(optimising.waitForFinished(120000));
    EXPECT_EQ(optimising.exitCode(), 0) << optimising.readAllStandardError().toStdString();

    EXPECT_EQ(newestAction(id), u"优化均衡"_s);
    const QString after = cli({u"students"_s, project}).out;
    // The same students, in the optimised classes: nothing of the refused import got in.
    EXPECT_EQ(after.count(u'\n'), students.count(u'\n'));
    EXPECT_FALSE(after.contains(u"学300001"_s));
}

// The lock is the project's, not the database's: two projects are divided at the same time.
TEST_F(ProjectLockCli, DifferentProjectsAreDividedAtOnce) {
    const int first = projectWithIntake(6, 300);
    const int second = projectWithIntake(6, 300, 2);
    QProcess dividing[2];
    start(dividing[0], {u"divide"_s, QString::number(first)});
    start(dividing[1], {u"divide"_s, QString::number(second)});
    for (QProcess &process : dividing) {
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    EXPECT_EQ(newestAction(first), u"分班"_s);
    EXPECT_EQ(newestAction(second), u"分班"_s);
}
