#include "app/diagnostics.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// In a child process, as a program's main would: what a library prints on the C standard error
// and what Qt says go to the log; the program's own line alone reaches the standard error.
[[noreturn]] void speakAfterDiverting(const QString &folder) {
    fenban::app::installMessageLog(folder);
    std::FILE *own = fenban::app::divertStandardError();
    std::fputs("[ERROR][./src/packager.c:1541]: Error creating temporary file\n", stderr);
    std::fflush(stderr);
    qWarning("QSqlQuery::exec: database not open");
    std::fputs("无法写入文件 a.xlsx: 磁盘已满\n", own);
    std::fflush(own);
    std::_Exit(0);
}

TEST(Diagnostics, LibrariesAndQtSpeakToTheLogTheProgramToTheTeacher) {
#ifdef _WIN32
    GTEST_SKIP() << "On Windows a death test runs the whole test again in a new process, with a temporary "
                    "folder of its own";
#endif
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("data/fenban"));
    EXPECT_EXIT(speakAfterDiverting(folder), ::testing::ExitedWithCode(0),
                "^无法写入文件 a.xlsx: 磁盘已满\n$");

    QFile log(fenban::app::logFilePath(folder));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("[ERROR][./src/packager.c:1541]: Error creating temporary file"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" warning default: QSqlQuery::exec: database not open")))
        << lines[1].toStdString();
    EXPECT_EQ(QFile::permissions(folder) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
}

} // namespace
