#include "app/import_service.h"

#include "service_fixture.h"
#include "store/database.h"

using fenban::app::ImportOutcome;
using fenban::app::importRows;
using fenban::app::readImportFile;
using fenban::exchange::ImportRow;
using fenban::store::ReplaceOutcome;

namespace {

const QString dataFolder = QStringLiteral(FENBAN_TEST_DATA "/import/");

class ImportService : public fenban::testing::ServiceTest {
protected:
    QStringList students() const {
        return db.query(QStringLiteral("SELECT student_id, student_name FROM qx_1 ORDER BY student_id"));
    }
    // The rows of the sample file, read as the preview reads them.
    QList<ImportRow> sampleRows() {
        const auto sheet = readImportFile(dataFolder + QStringLiteral("students-bom.csv"));
        EXPECT_TRUE(sheet) << sheet.error().toStdString();
        return sheet ? sheet->students : QList<ImportRow>{};
    }
};

TEST_F(ImportService, ReadsTheStudentRowsAndTheRowThatEndsThem) {
    const auto sheet = readImportFile(dataFolder + QStringLiteral("students-bom.csv"));
    ASSERT_TRUE(sheet) << sheet.error().toStdString();
    ASSERT_EQ(sheet->students.size(), 3);
    EXPECT_EQ(sheet->students[0].sheetRow, 2);
    EXPECT_EQ(sheet->students[0].cells[0], QStringLiteral("20260001"));
    EXPECT_EQ(sheet->students[2].cells[2], QStringLiteral("O'Brien 王"));
    EXPECT_EQ(sheet->terminator.sheetRow, 5);
}

TEST_F(ImportService, AFileThatCannotBeReadIsRefusedWithTheReason) {
    const auto sheet = readImportFile(dataFolder + QStringLiteral("no-such-file.xlsx"));
    ASSERT_FALSE(sheet);
    EXPECT_FALSE(sheet.error().isEmpty());
}

TEST_F(ImportService, ReplacesTheStudentsOnAConnectionOfItsOwnAndCountsThemAsWritten) {
    std::vector<qsizetype> progress;
    const ImportOutcome outcome = importRows(db.location(), 1, sampleRows(), [&progress](qsizetype written) {
        progress.push_back(written);
        return true;
    });
    ASSERT_FALSE(outcome.problem);
    ASSERT_EQ(outcome.write.kind, ReplaceOutcome::Written) << outcome.write.error.toStdString();
    EXPECT_EQ(outcome.students, 3);
    EXPECT_EQ(students(), (QStringList{QStringLiteral("20260001|张三"), QStringLiteral("20260002|李 四"),
                                       QStringLiteral("20260003|O'Brien 王")}));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 3);
}

TEST_F(ImportService, ARowTheTableCannotHoldIsNamedAndNothingIsWritten) {
    QList<ImportRow> rows = sampleRows();
    ASSERT_EQ(rows.size(), 3);
    rows[1].cells[0] = QStringLiteral("2026x");
    const QStringList before = students();
    const ImportOutcome outcome = importRows(db.location(), 1, rows);
    ASSERT_TRUE(outcome.problem);
    EXPECT_EQ(outcome.problem->sheetRow, 3);
    EXPECT_EQ(outcome.problem->value, QStringLiteral("2026x"));
    EXPECT_EQ(students(), before);
}

TEST_F(ImportService, ACancelledOrFailedWriteKeepsTheStudentsThereWere) {
    const QStringList before = students();
    const ImportOutcome cancelled =
        importRows(db.location(), 1, sampleRows(), [](qsizetype) { return false; });
    EXPECT_FALSE(cancelled.problem);
    EXPECT_EQ(cancelled.write.kind, ReplaceOutcome::Cancelled);
    EXPECT_EQ(students(), before);

    const QString path = notADatabase();
    const ImportOutcome failed = importRows(path, 1, sampleRows());
    EXPECT_FALSE(failed.problem);
    EXPECT_EQ(failed.write.kind, ReplaceOutcome::Failed);
    EXPECT_EQ(failed.write.error, fenban::store::Database::open(path).error());
    EXPECT_EQ(failed.write.failedIndex, -1);
}

} // namespace
