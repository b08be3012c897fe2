#include "cli_runner.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

class RosterCli : public fenban::testing::Cli {
protected:
    void SetUp() override {
        projectWithStudents(2);
        ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    }
};

QByteArray start(const QString &file, qint64 bytes) {
    QFile opened(file);
    return opened.open(QIODevice::ReadOnly) ? opened.read(bytes) : QByteArray();
}

TEST_F(RosterCli, WritesAWorkbookOrAPdfByTheExtension) {
    const struct {
        QString name;
        QStringList options;
        QByteArray magic;
    } cases[] = {
        {u"名单.xlsx"_s, {}, "PK"},
        {u"名单.XLSX"_s, {u"--sort"_s, u"name"_s, u"--columns"_s, u"姓名,学号,总分"_s}, "PK"},
        {u"名单.pdf"_s, {u"--sort"_s, u"number"_s}, "%PDF"},
    };
    for (const auto &c : cases) {
        const QString file = m_dir.filePath(c.name);
        const fenban::testing::Outcome written = runOnDb(QStringList{u"roster"_s, u"1"_s, file} + c.options);
        ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
        EXPECT_EQ(written.out.trimmed(), u"已导出分班名单: %1"_s.arg(file));
        EXPECT_EQ(start(file, c.magic.size()), c.magic) << c.name.toStdString();
    }
}

// Without a screen the program still paints: it falls back to the offscreen platform itself.
TEST_F(RosterCli, PaintsAPdfWithoutAnyDisplay) {
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QString file = m_dir.filePath(u"名单.pdf"_s);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
        env.remove(name);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(FENBAN_CLI_PATH), {u"--db"_s, dbLocation(), u"roster"_s, u"1"_s, file});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QProcess text;
    text.start(pdftotext, {u"-layout"_s, file, u"-"_s});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString content = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(content.contains(u"20260001"_s)) << content.toStdString();
    EXPECT_TRUE(content.contains(u"20260002"_s));
    EXPECT_TRUE(content.contains(u"20260003"_s));
}

TEST_F(RosterCli, RefusesBadInputs) {
    const QString file = m_dir.filePath(u"名单.xlsx"_s);
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"roster"_s, u"1"_s}, 2, u"缺少名单文件"_s},
        {{u"roster"_s, u"1"_s, m_dir.filePath(u"名单.csv"_s)}, 2, u"名单文件必须是 .pdf 或 .xlsx"_s},
        {{u"roster"_s, u"1"_s, file, u"--sort"_s, u"age"_s}, 2, u"未知的排序方式: age"_s},
        {{u"roster"_s, u"1"_s, file, u"--columns"_s, u"姓名,身高"_s}, 2, u"未知的列: 身高"_s},
        {{u"roster"_s, u"1"_s, file, u"--columns"_s, u"学号,姓名,学号"_s}, 2, u"名单的列重复: 学号"_s},
        {{u"roster"_s, u"7"_s, file}, 1, u"不存在编号为7的分班项目"_s},
        {{u"roster"_s, u"x"_s, file}, 2, u"分班项目编号必须是整数"_s},
    };
    for (const auto &c : cases) {
        const fenban::testing::Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
