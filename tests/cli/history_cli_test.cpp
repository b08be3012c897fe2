#include "cli_runner.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

// The fixture's three students 20260001 张三, 20260002 李 四 and 20260003 O'Brien 王 in two classes,
// placed by hand: 张三 and O'Brien 王 in class 1, 李 四 in class 2.
class HistoryCli : public fenban::testing::Cli {
protected:
    void SetUp() override {
        projectWithStudents(2);
        for (const auto &[student, classId] :
             {std::pair{u"20260001"_s, u"1"_s}, std::pair{u"20260002"_s, u"2"_s},
              std::pair{u"20260003"_s, u"1"_s}}) {
            const Outcome moved = runOnDb({u"move"_s, u"1"_s, student, classId});
            ASSERT_EQ(moved.exitCode, 0) << moved.err.toStdString();
        }
    }

    QStringList lines(const QStringList &arguments) {
        const Outcome outcome = runOnDb(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        return outcome.out.split(u'\n', Qt::SkipEmptyParts);
    }

    // "学号|班级|安置码" per student, by student number.
    QStringList placings() {
        QStringList found;
        for (const QString &line : lines({u"students"_s, u"1"_s}).mid(1)) {
            const QStringList fields = line.split(u'\t');
            found.append(fields[0] + u'|' + fields[4] + u'|' + fields[14]);
        }
        return found;
    }

    // The history's lines split into their fields, newest first.
    QList<QStringList> history() {
        QList<QStringList> entries;
        for (const QString &line : lines({u"history"_s, u"1"_s}))
            entries.append(line.split(u'\t'));
        return entries;
    }
    QString newestId() { return history().value(0).value(0); }
};

} // namespace

TEST_F(HistoryCli, HistoryListsEveryChangeNewestFirst) {
    ASSERT_EQ(runOnDb({u"divide"_s, u"1"_s}).exitCode, 0);
    const QList<QStringList> entries = history();
    // A new project evens out its classes after dividing, a change of its own in the history.
    ASSERT_EQ(entries.size(), 6);
    QStringList actions;
    const QRegularExpression time(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"_s);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        ASSERT_EQ(entries[i].size(), 4) << entries[i].join(u'|').toStdString();
        if (i > 0) {
            EXPECT_LT(entries[i][0].toInt(), entries[i - 1][0].toInt());
        }
        EXPECT_TRUE(time.match(entries[i][1]).hasMatch()) << entries[i][1].toStdString();
        // The balance report's worst figures, as the history window shows them.
        EXPECT_TRUE(entries[i][3].startsWith(u"人数差"_s)) << entries[i][3].toStdString();
        actions.append(entries[i][2]);
    }
    EXPECT_EQ(actions,
              (QStringList{u"优化均衡"_s, u"分班"_s, u"调整"_s, u"调整"_s, u"调整"_s, u"导入学生"_s}));
}

TEST_F(HistoryCli, MovesSwapsAndRestoresAreRecordedAndUndone) {
    const QString placedByHand = newestId();
    const QStringList before = placings();
    EXPECT_EQ(before, (QStringList{u"20260001|1|2"_s, u"20260002|2|2"_s, u"20260003|1|2"_s}));

    const Outcome moved = runOnDb({u"move"_s, u"1"_s, u"--keep-unfixed"_s, u"20260003"_s, u"2"_s});
    EXPECT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    EXPECT_TRUE(moved.out.isEmpty() && moved.err.isEmpty()) << (moved.out + moved.err).toStdString();
    const Outcome swapped = runOnDb({u"swap"_s, u"1"_s, u"20260001"_s, u"20260002"_s});
    EXPECT_EQ(swapped.exitCode, 0) << swapped.err.toStdString();
    EXPECT_TRUE(swapped.out.isEmpty()) << swapped.out.toStdString();
    EXPECT_EQ(placings(), (QStringList{u"20260001|2|2"_s, u"20260002|1|2"_s, u"20260003|2|1"_s}));
    const QString adjusted = newestId();

    EXPECT_EQ(lines({u"diff"_s, u"1"_s, placedByHand}),
              (QStringList{u"20260001\t张三\t1\t2"_s, u"20260002\t李 四\t2\t1"_s,
                           u"20260003\tO'Brien 王\t1\t2"_s}));
    EXPECT_EQ(lines({u"diff"_s, u"1"_s, adjusted, placedByHand}),
              (QStringList{u"20260001\t张三\t2\t1"_s, u"20260002\t李 四\t1\t2"_s,
                           u"20260003\tO'Brien 王\t2\t1"_s}));

    EXPECT_EQ(lines({u"restore"_s, u"1"_s, placedByHand}),
              QStringList{u"已恢复到第"_s + placedByHand + u"号分班"_s});
    EXPECT_EQ(placings(), before);
    EXPECT_TRUE(lines({u"diff"_s, u"1"_s, placedByHand}).isEmpty());
    EXPECT_EQ(history().value(0).value(2), u"恢复 #"_s + placedByHand);

    // The restore is itself undone like any change.
    lines({u"restore"_s, u"1"_s, adjusted});
    EXPECT_EQ(placings(), (QStringList{u"20260001|2|2"_s, u"20260002|1|2"_s, u"20260003|2|1"_s}));
}

TEST_F(HistoryCli, DiffShowsClassZeroForNoClassAndAnEmptyClassForNoStudent) {
    const QString imported = history().last().value(0);
    EXPECT_EQ(lines({u"diff"_s, u"1"_s, imported}),
              (QStringList{u"20260001\t张三\t0\t1"_s, u"20260002\t李 四\t0\t2"_s,
                           u"20260003\tO'Brien 王\t0\t1"_s}));

    // A student copied in from another project was in no snapshot before.
    const QString placedByHand = newestId();
    QFile newcomers(m_dir.filePath(u"newcomers.csv"_s));
    ASSERT_TRUE(newcomers.open(QIODevice::WriteOnly));
    newcomers.write(u"学号,登分号,姓名,性别,数学,英语,语文,物理,政治,历史,体育,地理,生物\n"
                    u"20260010,0110,赵六,男,80,80,80,80,80,80,80,80,80\n"_s.toUtf8());
    newcomers.close();
    ASSERT_EQ(runOnDb({u"new"_s, u"--memo"_s, u"插班"_s, u"--classes"_s, u"2"_s}).exitCode, 0);
    ASSERT_EQ(runOnDb({u"import"_s, u"2"_s, newcomers.fileName()}).exitCode, 0);
    ASSERT_EQ(runOnDb({u"move"_s, u"2"_s, u"20260010"_s, u"2"_s}).exitCode, 0);
    ASSERT_EQ(runOnDb({u"copy-from"_s, u"2"_s, u"1"_s}).exitCode, 0);
    EXPECT_EQ(history().value(0).value(2), u"导入分班数据"_s);
    EXPECT_EQ(lines({u"diff"_s, u"1"_s, placedByHand}), QStringList{u"20260010\t赵六\t\t2"_s});
    EXPECT_EQ(lines({u"diff"_s, u"1"_s, newestId(), placedByHand}), QStringList{u"20260010\t赵六\t2\t"_s});

    // A new import starts a new history: the old snapshots are gone.
    const Outcome reimported =
        runOnDb({u"import"_s, u"1"_s, QStringLiteral(FENBAN_TEST_DATA "/import/students.csv")});
    ASSERT_EQ(reimported.exitCode, 0) << reimported.err.toStdString();
    EXPECT_EQ(history().size(), 1);
    const Outcome old = runOnDb({u"diff"_s, u"1"_s, imported});
    EXPECT_EQ(old.exitCode, 1);
    EXPECT_TRUE(old.err.contains(u"分班历史中没有第"_s + imported + u"号记录"_s)) << old.err.toStdString();
}

TEST_F(HistoryCli, AMoveThatBreaksARuleWarnsAndIsMade) {
    EXPECT_EQ(lines({u"apart"_s, u"1"_s, u"20260001"_s, u"20260002"_s}), QStringList{u"1"_s});
    const Outcome moved = runOnDb({u"move"_s, u"1"_s, u"20260002"_s, u"1"_s});
    EXPECT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    EXPECT_EQ(moved.err.split(u'\n', Qt::SkipEmptyParts),
              QStringList{u"警告: 分开规则1: 20260001 张三、20260002 李 四 将同在1班"_s});
    EXPECT_EQ(placings().value(1), u"20260002|1|2"_s);

    // A refused swap warns of nothing; one made warns of what it brings about.
    const Outcome swapped = runOnDb({u"swap"_s, u"1"_s, u"20260002"_s, u"20260001"_s});
    EXPECT_EQ(swapped.exitCode, 1);
    EXPECT_EQ(swapped.err.trimmed(), u"两名学生在同一个班: 20260002 李 四、20260001 张三"_s);
    ASSERT_EQ(runOnDb({u"move"_s, u"1"_s, u"20260003"_s, u"2"_s}).exitCode, 0);
    EXPECT_EQ(lines({u"together"_s, u"1"_s, u"20260001"_s, u"20260002"_s}), QStringList{u"2"_s});
    const Outcome apart = runOnDb({u"swap"_s, u"1"_s, u"20260001"_s, u"20260003"_s});
    EXPECT_EQ(apart.exitCode, 0) << apart.err.toStdString();
    EXPECT_TRUE(apart.err.startsWith(u"警告: 同班规则2: 20260001 张三、20260002 李 四 将分在"_s))
        << apart.err.toStdString();
}

TEST_F(HistoryCli, BadInputIsRefusedWithTheMessageAndChangesNothing) {
    const QString newest = newestId();
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"move"_s, u"1"_s, u"123"_s, u"2"_s}, 1, u"学号不存在: 123"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"3"_s}, 1, u"班级号必须在1到2之间: 3"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"0"_s}, 1, u"班级号必须在1到2之间: 0"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"1"_s}, 1, u"学生已在1班: 20260001 张三"_s},
        {{u"move"_s, u"7"_s, u"20260001"_s, u"2"_s}, 1, u"不存在编号为7的分班项目"_s},
        {{u"move"_s, u"1"_s, u"张三"_s, u"2"_s}, 2, u"学号必须是整数: 张三"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"二"_s}, 2, u"班级号必须是整数: 二"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s}, 2, u"缺少班级号"_s},
        {{u"move"_s, u"1"_s}, 2, u"缺少学号"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"2"_s, u"3"_s}, 2, u"3"_s},
        {{u"move"_s, u"1"_s, u"20260001"_s, u"2"_s, u"--fixed"_s}, 2, u"--fixed"_s},
        {{u"swap"_s, u"1"_s, u"20260001"_s, u"123"_s}, 1, u"学号不存在: 123"_s},
        {{u"swap"_s, u"1"_s, u"20260001"_s, u"20260003"_s},
         1,
         u"两名学生在同一个班: 20260001 张三、20260003 O'Brien 王"_s},
        {{u"swap"_s, u"1"_s, u"20260001"_s}, 2, u"缺少学号"_s},
        {{u"swap"_s, u"1"_s, u"20260003"_s, u"20260003"_s}, 1, u"学生重复: 20260003 O'Brien 王"_s},
        {{u"swap"_s, u"1"_s, u"20260001"_s, u"x"_s}, 2, u"学号必须是整数: x"_s},
        {{u"restore"_s, u"1"_s, u"999"_s}, 1, u"分班历史中没有第999号记录"_s},
        {{u"restore"_s, u"1"_s}, 2, u"缺少分班历史记录编号"_s},
        {{u"restore"_s, u"1"_s, u"x"_s}, 2, u"分班历史记录编号必须是整数: x"_s},
        {{u"restore"_s, u"7"_s, newest}, 1, u"不存在编号为7的分班项目"_s},
        {{u"diff"_s, u"1"_s, u"999"_s}, 1, u"分班历史中没有第999号记录"_s},
        {{u"diff"_s, u"1"_s, newest, u"999"_s}, 1, u"分班历史中没有第999号记录"_s},
        {{u"diff"_s, u"1"_s, newest, u"0"_s}, 1, u"分班历史中没有第0号记录"_s},
        {{u"diff"_s, u"1"_s, newest, newest, newest}, 2, newest},
        {{u"diff"_s, u"1"_s}, 2, u"缺少分班历史记录编号"_s},
        {{u"history"_s, u"7"_s}, 1, u"不存在编号为7的分班项目"_s},
        {{u"history"_s}, 2, u"缺少分班项目编号"_s},
        {{u"history"_s, u"1"_s, u"2"_s}, 2, u"2"_s},
    };
    const QStringList before = placings();
    const QList<QStringList> entries = history();
    for (const auto &c : cases) {
        const Outcome outcome = runOnDb(c.arguments);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(c.message)) << outcome.err.toStdString();
        EXPECT_FALSE(outcome.err.contains(u"警告"_s)) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
    }
    EXPECT_EQ(placings(), before);
    EXPECT_EQ(history(), entries);
}
