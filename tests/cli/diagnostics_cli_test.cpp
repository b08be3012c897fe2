#include "cli_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

class DiagnosticsCli : public fenban::testing::Cli {
protected:
    QString readAll(const QString &path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

// Qt warns about a runtime folder others may read while the roster paints; the teacher hears
// only what the program says, and the warning lands in the log under the data folder, which is
// started afresh once it has grown past its bound.
TEST_F(DiagnosticsCli, QtsOwnLinesGoToTheLogAndNeverToTheTeacher) {
#ifdef _WIN32
    GTEST_SKIP() << "the runtime folder Qt warns about is XDG's";
#endif
    projectWithStudents(2);
    ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    const QString runtime = m_dir.filePath(u"runtime"_s);
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther));
    const QString data = m_dir.filePath(u"data"_s);
    const QString log = data + u"/fenban/fenban.log"_s;
    QProcessEnvironment environment;
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    environment.insert(u"XDG_DATA_HOME"_s, data);

    const QString file = m_dir.filePath(u"名单.pdf"_s);
    const Outcome painted = run({u"--db"_s, dbLocation(), u"roster"_s, u"1"_s, file}, environment);
    EXPECT_EQ(painted.exitCode, 0);
    EXPECT_EQ(painted.err, QString());
    EXPECT_EQ(painted.out, u"已导出分班名单: %1\n"_s.arg(file));
    const QString logged = readAll(log);
    EXPECT_TRUE(logged.contains(u" warning "_s) && logged.contains(runtime)) << logged.toStdString();
    EXPECT_EQ(QFileInfo(data + u"/fenban"_s).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());

    // The program's own refusal still reaches the teacher, in one line.
    const Outcome refused = run({u"--db"_s, dbLocation(), u"roster"_s, u"1"_s, u"名单.txt"_s}, environment);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, u"名单文件必须是 .pdf 或 .xlsx: 名单.txt\n"_s);

    // Past its bound the log is moved aside, whole, and a new one begun.
    QFile full(log);
    ASSERT_TRUE(full.open(QIODevice::WriteOnly | QIODevice::Append));
    ASSERT_EQ(full.write(QByteArray(1024 * 1024, 'x')), 1024 * 1024);
    full.close();
    const qint64 grown = QFileInfo(log).size();
    ASSERT_EQ(run({u"--db"_s, dbLocation(), u"roster"_s, u"1"_s, file}, environment).exitCode, 0);
    EXPECT_EQ(QFileInfo(log + u".1"_s).size(), grown);
    EXPECT_LT(QFileInfo(log).size(), 64 * 1024);
    EXPECT_TRUE(readAll(log).contains(runtime));
}

} // namespace
