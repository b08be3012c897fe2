#include "cli_runner.h"

#include <QFile>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

using fenban::testing::Outcome;

namespace {

struct InterruptCase {
    const char *name;
    QStringList arguments;
    // A line the run prints once it is under way; empty: the run prints nothing until its end, so
    // the signal is sent after a moment instead.
    QString underWay;
    QString message;
};

// Project 1: 1,500 students in 30 classes, divided once quickly; then the fine-tuning passes are set
// to their maximum, so that a division takes far longer than the test waits.
class InterruptCli : public fenban::testing::Cli, public ::testing::WithParamInterface<InterruptCase> {
protected:
    void SetUp() override {
        QFile sheet(m_dir.filePath(QStringLiteral("cohort.csv")));
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
        sheet.write("学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\r\n");
        unsigned state = 1;
        for (int no = 1; no <= 1500; ++no) {
            QByteArray row =
                QByteArray::number(no) + ",,学" + QByteArray::number(no) + (no % 2 ? ",男" : ",女");
            for (int subject = 0; subject < 9; ++subject) {
                state = state * 1103515245u + 12345u;
                row += ',' + QByteArray::number(30 + (state >> 16) % 71);
            }
            sheet.write(row + "\r\n");
        }
        sheet.close();
        ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("a"),
                           QStringLiteral("--classes"), QStringLiteral("30")})
                      .exitCode,
                  0);
        const Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"), sheet.fileName()});
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
        ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"),
                           QStringLiteral("1")})
                      .exitCode,
                  0);
        ASSERT_EQ(runOnDb({QStringLiteral("divide"), QStringLiteral("1")}).exitCode, 0);
        ASSERT_EQ(runOnDb({QStringLiteral("settings"), QStringLiteral("1"), QStringLiteral("--wtnum"),
                           QStringLiteral("1000")})
                      .exitCode,
                  0);
    }
    QString students() {
        const Outcome listed = runOnDb({QStringLiteral("students"), QStringLiteral("1")});
        EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        return listed.out;
    }
};

QStringList allClasses() {
    QStringList words{QStringLiteral("redivide"), QStringLiteral("1")};
    for (int number = 1; number <= 30; ++number)
        words.append(QString::number(number));
    return words;
}

} // namespace

TEST_P(InterruptCli, CtrlCStopsTheRunAndLeavesTheClassesAsTheyWere) {
    const InterruptCase &c = GetParam();
    const QString before = students();
    ASSERT_FALSE(before.isEmpty());

    QProcess process;
#ifdef _WIN32
    // Windows delivers Ctrl+C and Ctrl+Break through a console, to a whole process group: the program
    // shares the test's console in a group of its own, so that only it gets the Ctrl+Break.
    if (!GetConsoleWindow() && !AllocConsole())
        GTEST_SKIP() << "no console to send Ctrl+Break through";
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *arguments) { arguments->flags |= CREATE_NEW_PROCESS_GROUP; });
#endif
    process.start(QStringLiteral(FENBAN_CLI_PATH),
                  QStringList{QStringLiteral("--db"), dbLocation()} + c.arguments);
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    if (c.underWay.isEmpty()) {
        // Long enough for the program to open the database and begin; it has nothing to show for it.
        ASSERT_FALSE(process.waitForFinished(1500)) << process.readAllStandardError().toStdString();
    } else {
        while (!QString::fromUtf8(out).contains(c.underWay)) {
            ASSERT_TRUE(process.waitForReadyRead(60000)) << process.readAllStandardError().toStdString();
            out += process.readAllStandardOutput();
        }
    }
#ifdef _WIN32
    if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, DWORD(process.processId()))) {
        process.kill();
        process.waitForFinished();
        GTEST_SKIP() << "this console does not deliver Ctrl+Break (error " << GetLastError() << ")";
    }
#else
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
#endif
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), c.message + u'\n');
    EXPECT_EQ(students(), before);
}

INSTANTIATE_TEST_SUITE_P(Runs, InterruptCli,
                         ::testing::Values(InterruptCase{"divide",
                                                         {QStringLiteral("divide"), QStringLiteral("1")},
                                                         QStringLiteral("微调替换"),
                                                         QStringLiteral("分班已停止，原有分班没有改变")},
                                           InterruptCase{"redivide", allClasses(), QStringLiteral("微调替换"),
                                                         QStringLiteral("分班已停止，原有分班没有改变")},
                                           InterruptCase{"optimise",
                                                         {QStringLiteral("optimise"), QStringLiteral("1"),
                                                          QStringLiteral("--seconds"), QStringLiteral("600")},
                                                         QString(),
                                                         QStringLiteral("优化均衡已停止，分班没有改变")}),
                         [](const ::testing::TestParamInfo<InterruptCase> &info) {
                             return std::string(info.param.name);
                         });
