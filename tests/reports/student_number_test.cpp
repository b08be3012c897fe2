#include "exchange/import_rows.h"
#include "exchange/result_export.h"
#include "exchange/sheets/sheet.h"
#include "exchange/student_import.h"
#include "reports/student_search.h"
#include "store/projects.h"
#include "store/students.h"
#include "support/temp_database.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using fenban::exchange::SheetData;
using fenban::store::StudentRecord;
using fenban::testing::TempDatabase;

namespace {

// Two neighbours above 2^53: a double holds neither, and takes both for the same number.
const qint64 numbers[] = {18211510101, 123456789012345678, 123456789012345679, 20260001};

SheetData sheetOfNumbers() {
    SheetData sheet;
    const QStringList headers = fenban::exchange::importHeaders();
    for (int column = 1; column <= headers.size(); ++column)
        sheet.setCell(1, column, headers[column - 1]);
    int row = 2;
    for (const qint64 number : numbers) {
        sheet.setCell(row, 1, QString::number(number));
        sheet.setCell(row, 3, QStringLiteral("学生%1").arg(row));
        sheet.setCell(row, 4, row % 2 ? QStringLiteral("男") : QStringLiteral("女"));
        for (int score = 5; score <= 13; ++score)
            sheet.setCell(row, score, QString::number(50 + row));
        ++row;
    }
    return sheet;
}

QList<StudentRecord> studentsOf(const SheetData &sheet) {
    const auto check =
        fenban::exchange::studentsFromRows(fenban::exchange::importRowsFrom(sheet).value().students);
    EXPECT_FALSE(check.problem) << check.problem->message().toStdString();
    return check.records;
}

QList<qint64> numbersOf(const QList<StudentRecord> &students) {
    QList<qint64> result;
    for (const StudentRecord &student : students)
        result.append(student.studentId);
    std::sort(result.begin(), result.end());
    return result;
}

class LongStudentNumbers : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        fenban::store::ProjectStore projects(db.connection());
        ASSERT_TRUE(projects.create({QStringLiteral("导入"), 2}));
        ASSERT_TRUE(projects.create({QStringLiteral("再导入"), 2}));
    }
    TempDatabase db;
    QTemporaryDir dir;
};

} // namespace

TEST_P(LongStudentNumbers, SurviveImportStoreExportImportAndSearch) {
    QList<qint64> expected(std::begin(numbers), std::end(numbers));
    std::sort(expected.begin(), expected.end());
    fenban::store::StudentStore store(db.connection());

    ASSERT_EQ(store.replaceAll(1, studentsOf(sheetOfNumbers())).kind, fenban::store::ReplaceOutcome::Written);
    const auto stored = store.byClass(1);
    ASSERT_TRUE(stored);
    EXPECT_EQ(numbersOf(stored.value()), expected);

    const QString path = dir.filePath(QStringLiteral("结果.") + QString::fromLatin1(GetParam()));
    const auto written = fenban::exchange::writeResult(stored.value(), path);
    ASSERT_TRUE(written) << written.error().toStdString();
    const auto sheet = fenban::exchange::readFirstSheet(path);
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    const QList<StudentRecord> reimported = studentsOf(sheet.value());
    EXPECT_EQ(numbersOf(reimported), expected);
    ASSERT_EQ(store.replaceAll(2, reimported).kind, fenban::store::ReplaceOutcome::Written);

    for (const qint64 number : numbers) {
        fenban::reports::StudentSearchTexts texts;
        texts.number = QString::number(number);
        const auto filter = fenban::reports::studentFilter(texts);
        ASSERT_TRUE(filter) << filter.error().toStdString();
        const auto found = fenban::reports::searchStudents(db.connection(), 2, filter.value());
        ASSERT_TRUE(found) << found.error().toStdString();
        EXPECT_EQ(numbersOf(found.value()), QList<qint64>{number});
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, LongStudentNumbers, ::testing::Values("xlsx", "csv"));

TEST(StudentNumberSearch, ANumberThatIsNoStudentNumberIsRefusedWithTheReason) {
    const struct {
        QString text;
        QString message;
    } cases[] = {
        {QStringLiteral("101.5"), QStringLiteral("考号“101.5”: 学号必须是整数")},
        {QStringLiteral("1234567890123456789"),
         QStringLiteral("考号“1234567890123456789”: 学号太长，最多18位")},
        {QStringLiteral("1O1"), QStringLiteral("请输入数字: 考号“1O1”")},
    };
    for (const auto &c : cases) {
        fenban::reports::StudentSearchTexts texts;
        texts.number = c.text;
        const auto filter = fenban::reports::studentFilter(texts);
        ASSERT_FALSE(filter) << c.text.toStdString();
        EXPECT_EQ(filter.error(), c.message);
    }
}
