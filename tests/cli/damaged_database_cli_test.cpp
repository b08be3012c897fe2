#include "cli_runner.h"
#include "support/damaged_database.h"

#include <QFile>

namespace {

class DamagedDatabaseCli : public fenban::testing::Cli {};

} // namespace

// On a file with a damaged page in the student table, every command that reads the students fails
// with the database's message, rather than working on the part of the table it could read.
TEST_F(DamagedDatabaseCli, CommandsReadingTheStudentsFail) {
    FENBAN_FILE_ONLY();
    const QString sheet = m_dir.filePath(QStringLiteral("students.csv"));
    QFile file(sheet);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物,毕业学校,地址,备注,分类\n");
    for (int id = 1; id <= 200; ++id)
        file.write(
            QStringLiteral("%1,%1,学生%1,%2,%3,70,80,60,65,75,85,55,90,第一中学,某市某区某街道%1号,,\n")
                .arg(id)
                .arg(id % 2 ? QStringLiteral("男") : QStringLiteral("女"))
                .arg(50 + id % 50)
                .toUtf8());
    file.close();
    ASSERT_EQ(runOnDb({QStringLiteral("new"), QStringLiteral("--memo"), QStringLiteral("高一"),
                       QStringLiteral("--classes"), QStringLiteral("4")})
                  .exitCode,
              0);
    const fenban::testing::Outcome imported = runOnDb({QStringLiteral("import"), QStringLiteral("1"), sheet});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    fenban::testing::damageTablePage(dbPath(), QStringLiteral("qx_1"));

    const QStringList commands[] = {
        {QStringLiteral("students"), QStringLiteral("1")},
        {QStringLiteral("divide"), QStringLiteral("1")},
        {QStringLiteral("redivide"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2")},
        {QStringLiteral("stats"), QStringLiteral("1")},
        {QStringLiteral("export"), QStringLiteral("1"), m_dir.filePath(QStringLiteral("out.csv"))},
    };
    for (const QStringList &command : commands) {
        const fenban::testing::Outcome outcome = runOnDb(command);
        EXPECT_EQ(outcome.exitCode, 1) << command.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(outcome.err.contains(QStringLiteral("malformed"))) << outcome.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("out.csv"))));
}
