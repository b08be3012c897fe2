#include "app/export_service.h"

#include "exchange/sheets/sheet.h"
#include "service_fixture.h"

#include <QFileInfo>

using fenban::app::exportResult;

namespace {

using ExportService = fenban::testing::ServiceTest;

TEST_F(ExportService, WritesEveryStudentOfTheProjectByClassAndCountsThem) {
    db.query(QStringLiteral("UPDATE qx_1 SET class_id = 3 - student_id % 3"));
    for (const QString &name : {QStringLiteral("结果.csv"), QStringLiteral("结果.xlsx")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = db.dir().filePath(name);
        const auto exported = exportResult(db.connection(), 1, path);
        ASSERT_TRUE(exported) << exported.error().toStdString();
        EXPECT_EQ(exported.value(), 12);
        const auto sheet = fenban::exchange::readFirstSheet(path);
        ASSERT_TRUE(sheet) << sheet.error().toStdString();
        ASSERT_EQ(sheet->rowCount(), 13); // the titles and twelve students
        // By class first: student 2 is the first of class 1.
        EXPECT_EQ(sheet->cell(2, 1), QStringLiteral("2"));
    }
}

TEST_F(ExportService, AFileThatCannotBeWrittenIsRefusedWithTheReason) {
    const QString path = db.dir().filePath(QStringLiteral("no-such-folder/结果.xlsx"));
    const auto exported = exportResult(db.connection(), 1, path);
    ASSERT_FALSE(exported);
    EXPECT_FALSE(exported.error().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
