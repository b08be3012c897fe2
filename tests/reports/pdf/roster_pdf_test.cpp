#include "reports/roster_pdf.h"

#include "support/qt_printers.h"

#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using fenban::reports::Roster;
using fenban::store::StudentRecord;

using namespace Qt::StringLiterals;

namespace {

constexpr int longClass = 50; // more than one A4 page holds

// Three classes, the first long enough for two pages, and one student in no class.
QList<StudentRecord> intake() {
    QList<StudentRecord> students;
    auto add = [&](int classId, int count) {
        for (int i = 0; i < count; ++i) {
            StudentRecord record;
            record.studentId = 20260001 + students.size();
            record.name = u"学生%1"_s.arg(students.size() + 1);
            record.sex = i % 2 ? u"女"_s : u"男"_s;
            record.oralSchool = u"实验中学"_s;
            record.classId = classId;
            students.append(record);
        }
    };
    add(1, longClass);
    add(2, 3);
    add(3, 2);
    add(0, 1);
    return students;
}

// What a reader of the PDF gets back. The CJK font shares glyphs between some radicals and the
// ideographs they look like, so the text may come back as the radicals; compatibility
// normalisation (and the one radical it leaves, 页) undoes that; it also turns full-width
// punctuation into ASCII, so expected texts pass through it too.
QString readableText(const QString &text) {
    QString normal = text.normalized(QString::NormalizationForm_KC);
    normal.replace(QChar(0x2EDA), u'页');
    return normal;
}

QString runTool(const QString &tool, const QStringList &arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return readableText(QString::fromUtf8(process.readAllStandardOutput()));
}

class RosterPdf : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"pdfinfo"_s).isEmpty())
            GTEST_SKIP() << "pdftotext/pdfinfo (poppler-utils) is not installed";
    }
    QTemporaryDir m_dir;
};

TEST_F(RosterPdf, EveryStudentOnceUnderTheirClass) {
    const Roster roster =
        fenban::reports::buildRoster(u"2026级高一新生"_s, 3, intake(), fenban::reports::RosterOptions{});
    const QString file = m_dir.filePath(u"名单.pdf"_s);
    ASSERT_TRUE(fenban::reports::writeRosterPdf(roster, file, QDate(2026, 9, 1)));

    // Class 1 takes two pages, the others one each.
    constexpr int pages = 5;
    EXPECT_EQ(fenban::reports::rosterPageCount(roster), pages);
    const QString info = runTool(u"pdfinfo"_s, {file});
    EXPECT_TRUE(info.contains(QRegularExpression(u"Pages:\\s+%1\\n"_s.arg(pages)))) << info.toStdString();

    const QString text = runTool(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
    const QStringList pageTexts = text.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pageTexts.size(), pages) << text.toStdString();

    const struct {
        QString title;
        QString count;
    } classes[] = {
        {u"2026级高一新生 1班 名单"_s, u"共50人，男25人，女25人"_s},
        {u"2026级高一新生 2班 名单"_s, u"共3人，男2人，女1人"_s},
        {u"2026级高一新生 3班 名单"_s, u"共2人，男1人，女1人"_s},
        {u"2026级高一新生 未分班 名单"_s, u"共1人，男1人，女0人"_s},
    };
    const int classOfPage[] = {0, 0, 1, 2, 3};
    QMap<qint64, QList<int>> seen; // student number → the classes whose pages show it
    const QRegularExpression number(u"\\b2026\\d{4}\\b"_s);
    for (int page = 0; page < pages; ++page) {
        const QString &body = pageTexts[page];
        const auto &expected = classes[classOfPage[page]];
        const bool first = page == 0 || classOfPage[page - 1] != classOfPage[page];
        EXPECT_EQ(body.contains(readableText(expected.title)), first) << page << body.toStdString();
        EXPECT_EQ(body.contains(readableText(expected.count)), first) << page;
        // The header is on every page, the footer too.
        EXPECT_TRUE(body.contains(QRegularExpression(u"序号\\s+学号\\s+姓名\\s+性别\\s+毕业学校"_s))) << page;
        EXPECT_TRUE(body.contains(u"第%1页 共%2页"_s.arg(page + 1).arg(pages))) << body.toStdString();
        EXPECT_TRUE(body.contains(u"2026-09-01"_s)) << page;
        for (auto match = number.globalMatch(body); match.hasNext();)
            seen[match.next().captured().toLongLong()].append(classOfPage[page]);
    }
    const QList<StudentRecord> students = intake();
    ASSERT_EQ(seen.size(), students.size());
    for (const StudentRecord &student : students) {
        const int classIndex = student.classId == 0 ? 3 : student.classId - 1;
        EXPECT_EQ(seen.value(student.studentId), QList<int>{classIndex}) << student.studentId;
    }
}

TEST_F(RosterPdf, RefusesAFolderAsTarget) {
    const Roster roster = fenban::reports::buildRoster(u"x"_s, 1, intake(), fenban::reports::RosterOptions{});
    const auto written = fenban::reports::writeRosterPdf(roster, m_dir.path());
    ASSERT_FALSE(written);
}

} // namespace

// Painting text needs fonts, and fonts need a GUI application.
int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
