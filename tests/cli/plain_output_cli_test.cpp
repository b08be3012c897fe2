#include "cli_runner.h"

#include "store/database.h"
#include "store/schema.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

class PlainOutputCli : public fenban::testing::Cli {
protected:
    // Writes a value as an older version or a hand edit would have left it.
    void store(const QString &sql, const QVariantList &values) {
        const auto database = fenban::store::Database::open(dbLocation());
        ASSERT_TRUE(database) << database.error().toStdString();
        QSqlQuery query(database.value()->connection());
        ASSERT_TRUE(query.prepare(sql));
        for (const QVariant &value : values)
            query.addBindValue(value);
        ASSERT_TRUE(query.exec()) << sql.toStdString() << ": " << query.lastError().text().toStdString();
        ASSERT_EQ(query.numRowsAffected(), 1);
    }
};

} // namespace

TEST_F(PlainOutputCli, ControlCharactersInStoredTextsAreEscapedOneRecordALine) {
    projectWithStudents(2);
    // A server's text cannot hold the character 0 at all, so only a file can have one to escape.
    const bool withZero = !fenban::testing::onServer();
    QString memo = u"高一\n2\t班 C:\\x "_s + QChar(0x1b);
    if (withZero)
        memo += QChar(0);
    memo += QString(QChar(0x85)) + QChar(0x2028);
    ASSERT_NO_FATAL_FAILURE(store(u"UPDATE qx_info SET memo=? WHERE id=1"_s, {memo}));
    ASSERT_NO_FATAL_FAILURE(store(u"UPDATE "_s + fenban::store::studentTableName(1) +
                                      u" SET student_name=?, addr=? WHERE student_id=20260001"_s,
                                  {u"张\t三"_s, u"城关\r\n镇"_s}));

    const Outcome projects = runOnDb({u"projects"_s});
    ASSERT_EQ(projects.exitCode, 0) << projects.err.toStdString();
    ASSERT_EQ(projects.out.count(u'\n'), 1) << projects.out.toStdString();
    const QStringList fields = projects.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 4) << projects.out.toStdString();
    EXPECT_EQ(fields[1], withZero ? u"高一\\n2\\t班 C:\\\\x \\u001b\\u0000\\u0085\\u2028"_s
                                  : u"高一\\n2\\t班 C:\\\\x \\u001b\\u0085\\u2028"_s);
    EXPECT_EQ(fields[2], u"2"_s);

    const Outcome students = runOnDb({u"students"_s, u"1"_s, u"--no"_s, u"20260001"_s});
    ASSERT_EQ(students.exitCode, 0) << students.err.toStdString();
    const QStringList lines = students.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << students.out.toStdString();
    const QStringList cells = lines[1].split(u'\t');
    ASSERT_EQ(cells.size(), 17) << lines[1].toStdString();
    EXPECT_EQ(cells[2], u"张\\t三"_s);
    EXPECT_EQ(cells[16], u"城关\\r\\n镇"_s);
}

TEST_F(PlainOutputCli, NewProjectRefusesControlCharactersInItsDescription) {
    const struct {
        QString memo;
        QString said;
    } cases[] = {
        {u"高一\n二班"_s, u"分班描述中不能有换行、制表符等控制字符: 第3个字符"_s},
        {u"a\tb"_s, u"分班描述中不能有换行、制表符等控制字符: 第2个字符"_s},
        {u"ab"_s + QChar(0x7f), u"第3个字符"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb({u"new"_s, u"--memo"_s, c.memo, u"--classes"_s, u"2"_s});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_TRUE(outcome.err.contains(c.said)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
    }
    EXPECT_TRUE(runOnDb({u"projects"_s}).out.isEmpty());
    // A backslash is an ordinary character of a description.
    ASSERT_EQ(runOnDb({u"new"_s, u"--memo"_s, u"C:\\班"_s, u"--classes"_s, u"2"_s}).exitCode, 0);
    EXPECT_TRUE(runOnDb({u"projects"_s}).out.startsWith(u"1\tC:\\\\班\t2\t"_s));
}
