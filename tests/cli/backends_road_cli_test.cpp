#include "cli_runner.h"

#include "exchange/sheets/sheet.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using fenban::testing::Outcome;

namespace {

// The program's forty sample students, as a school would import them first.
const QString sample = QStringLiteral(FENBAN_TEST_DATA "/../../data/导入excel文件样例/分班数据输入样例.xlsx");

struct Step {
    QString line; // blank-separated words; OUT/ stands for the backend's own output folder
    int exitCode;
};

// A teacher's whole road through the command line, from a new project to a copy of its classes.
const Step road[] = {
    {u"new --memo 高一新生 --classes 4"_s, 0},
    {u"new --memo 复制目标 --classes 4"_s, 0},
    {u"import 1 SAMPLE"_s, 0},
    {u"projects"_s, 0},
    {u"divide 1"_s, 0},
    {u"redivide 1 2 3"_s, 0},
    {u"stats 1"_s, 0},
    {u"stats 1 OUT/统计.xlsx"_s, 0},
    {u"balance 1 --classes"_s, 0},
    {u"students 1"_s, 0},
    {u"students 1 --name 伟"_s, 0},
    {u"students 1 --sex 女 --math 80 100"_s, 0},
    {u"students 1 --class 2"_s, 0},
    {u"export 1 OUT/结果.csv"_s, 0},
    {u"export 1 OUT/结果.xlsx"_s, 0},
    {u"copy-from 1 2"_s, 0},
    {u"copy-from 1 2"_s, 1},
    {u"copy-from 1 2 --overwrite"_s, 0},
    {u"students 2"_s, 0},
    {u"stats 2"_s, 0},
    {u"export 2 OUT/复制.csv"_s, 0},
    {u"redivide 2 1 4"_s, 0},
    {u"students 2 --class 4"_s, 0},
    {u"stats 9"_s, 1},
    {u"delete 2"_s, 0},
    {u"projects"_s, 0},
};

// The files the road writes; the workbooks are compared by their cells, which carry no date.
const QString writtenFiles[] = {u"统计.xlsx"_s, u"结果.csv"_s, u"结果.xlsx"_s, u"复制.csv"_s};

// Both backends, driven alike: the outcome of every step with the backend's own folder and address
// taken out, so that only what the program did can differ.
class BackendsRoad : public fenban::testing::Cli {
protected:
    QList<Outcome> walk(const QString &database, const QString &folder) {
        EXPECT_TRUE(QDir().mkpath(folder));
        QList<Outcome> outcomes;
        for (const Step &step : road) {
            QStringList words{u"--db"_s, database};
            for (const QString &word : step.line.split(u' ', Qt::SkipEmptyParts))
                words.append(word == u"SAMPLE"_s ? sample : QString(word).replace(u"OUT/"_s, folder + u'/'));
            Outcome outcome = run(words);
            EXPECT_EQ(outcome.exitCode, step.exitCode)
                << step.line.toStdString() << " on " << database.toStdString() << ": "
                << outcome.err.toStdString();
            for (QString *text : {&outcome.out, &outcome.err}) {
                text->replace(folder, u"OUT"_s);
                text->replace(database, u"DB"_s);
            }
            if (step.line == u"projects"_s)
                outcome.out = withoutCreationTimes(outcome.out);
            outcomes.append(outcome);
        }
        return outcomes;
    }

    // `projects` ends each line with the moment the project was made, which no two runs share.
    static QString withoutCreationTimes(const QString &listing) {
        QStringList lines = listing.split(u'\n');
        for (QString &line : lines) {
            QStringList fields = line.split(u'\t');
            if (fields.size() == 4)
                fields[3] = u"TIME"_s;
            line = fields.join(u'\t');
        }
        return lines.join(u'\n');
    }
};

} // namespace

TEST_F(BackendsRoad, GivesTheSameOutputOnAFileAndOnAServer) {
    if (fenban::testing::serverUrl().isEmpty())
        GTEST_SKIP() << "needs a PostgreSQL server in FENBAN_TEST_POSTGRESQL";
    // The plain run already compares both; its PostgreSQL variant would only do the same again.
    if (fenban::testing::onServer())
        GTEST_SKIP() << "compares both backends itself";
    ASSERT_TRUE(QFile::exists(sample)) << sample.toStdString();

    const QString fileFolder = m_dir.filePath(u"file"_s);
    const QString serverFolder = m_dir.filePath(u"server"_s);
    const fenban::testing::ServerSchema schema;
    const QList<Outcome> onFile = walk(m_dir.filePath(u"road.db"_s), fileFolder);
    const QList<Outcome> onServer = walk(schema.location(), serverFolder);

    ASSERT_EQ(onFile.size(), onServer.size());
    for (qsizetype i = 0; i < onFile.size(); ++i) {
        SCOPED_TRACE(road[i].line.toStdString());
        EXPECT_EQ(onServer[i].exitCode, onFile[i].exitCode);
        EXPECT_EQ(onServer[i].out, onFile[i].out);
        EXPECT_EQ(onServer[i].err, onFile[i].err);
    }
    // The road must have got somewhere: the forty students listed, and a search that finds some.
    const auto printed = [&](const QString &line) {
        for (qsizetype i = 0; i < onFile.size(); ++i) {
            if (road[i].line == line)
                return onFile[i].out;
        }
        return QString();
    };
    EXPECT_EQ(printed(u"students 1"_s).count(u'\n'), 41) << printed(u"students 1"_s).toStdString();
    EXPECT_GT(printed(u"students 1 --name 伟"_s).count(u'\n'), 1);

    for (const QString &name : writtenFiles) {
        SCOPED_TRACE(name.toStdString());
        if (name.endsWith(u".csv"_s)) {
            QFile a(QDir(fileFolder).filePath(name));
            QFile b(QDir(serverFolder).filePath(name));
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            const QByteArray written = a.readAll();
            EXPECT_GT(written.count('\n'), 40);
            EXPECT_EQ(b.readAll(), written);
        } else {
            const auto a = fenban::exchange::readFirstSheet(QDir(fileFolder).filePath(name));
            const auto b = fenban::exchange::readFirstSheet(QDir(serverFolder).filePath(name));
            ASSERT_TRUE(a && b);
            EXPECT_GT(a->rowCount(), 4);
            EXPECT_TRUE(a.value() == b.value());
        }
    }
}
