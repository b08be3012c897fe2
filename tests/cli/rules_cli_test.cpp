#include "cli_runner.h"

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

// The fixture's three students 20260001 张三, 20260002 李 四, 20260003 O'Brien 王 in two classes: one
// class holds at most two of them.
class RulesCli : public fenban::testing::Cli {
protected:
    void SetUp() override { projectWithStudents(2); }

    QStringList lines(const QStringList &arguments) {
        const Outcome outcome = runOnDb(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        return outcome.out.split(u'\n', Qt::SkipEmptyParts);
    }

    // The class of each student after a division, by student number.
    QMap<QString, QString> classes() {
        QMap<QString, QString> found;
        for (const QString &line : lines({u"students"_s, u"1"_s}).mid(1)) {
            const QStringList fields = line.split(u'\t');
            found.insert(fields[0], fields[4]);
        }
        return found;
    }
};

} // namespace

TEST_F(RulesCli, RulesAreNumberedListedAndRemoved) {
    EXPECT_EQ(lines({u"apart"_s, u"1"_s, u"20260001"_s, u"20260002"_s}), QStringList{u"1"_s});
    EXPECT_EQ(lines({u"together"_s, u"1"_s, u"20260003"_s, u"20260002"_s}), QStringList{u"2"_s});
    // Nobody is in a class yet, so no rule is broken.
    EXPECT_EQ(lines({u"rules"_s, u"1"_s}), (QStringList{u"1\t分开\t20260001 张三、20260002 李 四"_s,
                                                        u"2\t同班\t20260002 李 四、20260003 O'Brien 王"_s}));
    const Outcome removed = runOnDb({u"rules"_s, u"1"_s, u"--remove"_s, u"1"_s});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_TRUE(removed.out.isEmpty());
    EXPECT_EQ(lines({u"rules"_s, u"1"_s}), QStringList{u"2\t同班\t20260002 李 四、20260003 O'Brien 王"_s});
}

TEST_F(RulesCli, ARuleTheDivisionBreaksNamesTheClasses) {
    ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    const QMap<QString, QString> classOf = classes();
    // Three students in two classes: some class holds two of them, which breaks keeping all three apart.
    lines({u"apart"_s, u"1"_s, u"20260001"_s, u"20260002"_s, u"20260003"_s});
    QString shared;
    for (const QString &classId : classOf) {
        if (classOf.values().count(classId) == 2)
            shared = classId;
    }
    ASSERT_FALSE(shared.isEmpty());
    // Two students of different classes kept together is broken in both.
    const QString first = classOf.key(shared);
    const QString second = classOf.key(shared == u"1"_s ? u"2"_s : u"1"_s);
    lines({u"together"_s, u"1"_s, first, second});
    const QStringList listed = lines({u"rules"_s, u"1"_s});
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed[0].endsWith(u"\t违反: "_s + shared + u"班"_s)) << listed[0].toStdString();
    EXPECT_TRUE(listed[1].endsWith(u"\t违反: 1班、2班"_s)) << listed[1].toStdString();

    // The balance report counts them last and then lists them.
    const QStringList balance = lines({u"balance"_s, u"1"_s});
    ASSERT_EQ(balance.size(), 13);
    EXPECT_EQ(balance[10], u"rule_violations 2"_s);
    EXPECT_EQ(balance.mid(11),
              (QStringList{u"rule_violation "_s + listed[0], u"rule_violation "_s + listed[1]}));
}

TEST_F(RulesCli, BadInputIsRefusedWithTheMessageAndStoresNothing) {
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"apart"_s, u"1"_s, u"20260001"_s}, 1, u"至少需要两名学生"_s},
        {{u"together"_s, u"1"_s}, 1, u"至少需要两名学生"_s},
        {{u"apart"_s, u"1"_s, u"20260001"_s, u"123"_s}, 1, u"学号不存在: 123"_s},
        {{u"apart"_s, u"1"_s, u"20260001"_s, u"20260002"_s, u"20260001"_s}, 1, u"学生重复: 20260001 张三"_s},
        {{u"together"_s, u"1"_s, u"20260002"_s, u"20260002"_s}, 1, u"学生重复: 20260002 李 四"_s},
        {{u"together"_s, u"1"_s, u"20260001"_s, u"20260002"_s, u"20260003"_s},
         1,
         u"同班组有3名学生，超过一个班的人数2"_s},
        {{u"apart"_s, u"7"_s, u"20260001"_s, u"20260002"_s}, 1, u"不存在编号为7的分班项目"_s},
        {{u"apart"_s, u"1"_s, u"20260001"_s, u"张三"_s}, 2, u"学号必须是整数: 张三"_s},
        {{u"apart"_s}, 2, u"缺少分班项目编号"_s},
        {{u"rules"_s, u"1"_s, u"--remove"_s, u"9"_s}, 1, u"没有编号为9的规则"_s},
        {{u"rules"_s, u"1"_s, u"--remove"_s, u"x"_s}, 2, u"规则编号必须是整数: x"_s},
        {{u"rules"_s, u"1"_s, u"2"_s}, 2, u"2"_s},
        {{u"rules"_s, u"7"_s}, 1, u"不存在编号为7的分班项目"_s},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
    EXPECT_TRUE(lines({u"rules"_s, u"1"_s}).isEmpty());
}
