#include "cli_runner.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

class Version : public fenban::testing::Cli {};

} // namespace

// The version needs no database: a package can be checked before anyone has used it.
TEST_F(Version, PrintsTheVersionWhereACommandWouldStand) {
    const QString printed = u"fenban "_s + QStringLiteral(FENBAN_VERSION) + u'\n';
    const QStringList lines[] = {
        {u"--version"_s},
        {u"--db"_s, dbLocation(), u"--version"_s},
        {u"--db="_s + dbLocation(), u"--version"_s},
        {u"--version"_s, u"--db"_s, dbLocation()},
    };
    for (const QStringList &words : lines) {
        const Outcome outcome = run(words);
        EXPECT_EQ(outcome.exitCode, 0) << words.join(u' ').toStdString() << ": " << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, printed) << words.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.isEmpty()) << outcome.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dbPath()));
}

// Only where the command stands, and alone, is --version the version; elsewhere it stays an
// option nobody knows.
TEST_F(Version, IsRefusedWithOtherWordsOrAfterACommand) {
    const struct {
        QStringList words;
        QString said;
    } cases[] = {
        {{u"--version"_s, u"projects"_s}, u"无法识别的参数: projects"_s},
        {{u"--version"_s, u"--memo"_s, u"x"_s}, u"无法识别的参数: --memo x"_s},
        {{u"--version"_s, u"--db"_s}, u"选项 --db 缺少取值"_s},
        {{u"projects"_s, u"--version"_s}, u"无法识别的参数: --version"_s},
        {{u"--version=1"_s}, u"未知命令: --version=1"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = run(c.words);
        EXPECT_EQ(outcome.exitCode, 2) << c.words.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.said))
            << c.words.join(u' ').toStdString() << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
}
