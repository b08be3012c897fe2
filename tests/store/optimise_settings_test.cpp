#include "store/optimise_settings.h"

#include "store/database.h"
#include "store/projects.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <limits>

using fenban::store::OptimiseSettings;
using fenban::store::OptimiseSettingsStore;
using fenban::store::ProjectSettings;
using fenban::store::ProjectStore;
using fenban::testing::TempDatabase;

namespace {

class OptimiseSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高一"), 4})); }
    OptimiseSettings read() const {
        const auto settings = OptimiseSettingsStore(db.connection()).read(1);
        EXPECT_TRUE(settings) << settings.error().toStdString();
        return settings ? settings.value() : OptimiseSettings{};
    }

    TempDatabase db;
};

} // namespace

TEST_F(OptimiseSettingsTest, ANewProjectOptimisesAfterDivisionAndAnOlderOneWithoutARowDoesNot) {
    EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM optimise_config")),
              QStringList{QStringLiteral("1|10|1|511")});
    EXPECT_EQ(read(), (OptimiseSettings{10.0, true}));
    // A project made before new projects got the row keeps the exact division it had.
    db.query(QStringLiteral("DELETE FROM optimise_config"));
    EXPECT_EQ(read(), (OptimiseSettings{10.0, false}));
}

TEST_F(OptimiseSettingsTest, WrittenSettingsReadBackAndAreReplacedByTheNextWrite) {
    OptimiseSettingsStore store(db.connection());
    ASSERT_TRUE(store.write(1, {2.5, true}));
    EXPECT_EQ(read(), (OptimiseSettings{2.5, true}));
    OptimiseSettings chosen{600, false};
    chosen.subjects.fill(false);
    chosen.subjects[0] = true; // 数学
    chosen.subjects[8] = true; // 生物
    ASSERT_TRUE(store.write(1, chosen));
    EXPECT_EQ(read(), chosen);
    EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM optimise_config")),
              QStringList{QStringLiteral("1|600|0|257")});
}

TEST_F(OptimiseSettingsTest, OnlyTheStoredValueOneSwitchesOptimisationAfterDivisionOn) {
    db.query(QStringLiteral("UPDATE optimise_config SET after_division=2 WHERE id=1"));
    EXPECT_FALSE(read().afterDivision);
}

TEST_F(OptimiseSettingsTest, SecondsOutsideOneToSixHundredAreRefusedAndChangeNothing) {
    OptimiseSettingsStore store(db.connection());
    ASSERT_TRUE(store.write(1, {30, true}));
    for (const double seconds : {0.0, 0.99, 600.01, -5.0, std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity()}) {
        const auto written = store.write(1, {seconds, false});
        ASSERT_FALSE(written) << seconds;
        EXPECT_EQ(written.error(), QStringLiteral("优化时间必须在1到600秒之间"));
    }
    EXPECT_EQ(read(), (OptimiseSettings{30, true}));
    EXPECT_TRUE(store.write(1, {1, false}));
}

TEST_F(OptimiseSettingsTest, AProjectThatDoesNotExistGetsNoRow) {
    const auto written = OptimiseSettingsStore(db.connection()).write(7, {20, true});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error(), QStringLiteral("不存在编号为7的分班项目"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT id FROM optimise_config")), QStringList{QStringLiteral("1")});
}

TEST_F(OptimiseSettingsTest, TheRowIsDeletedWithItsProject) {
    ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高二"), 4}));
    OptimiseSettingsStore store(db.connection());
    ASSERT_TRUE(store.write(1, {20, true}));
    ASSERT_TRUE(store.write(2, {40, true}));
    ASSERT_TRUE(ProjectStore(db.connection()).remove(1));
    EXPECT_EQ(db.query(QStringLiteral("SELECT id FROM optimise_config")), QStringList{QStringLiteral("2")});
}

TEST_F(OptimiseSettingsTest, BothSettingsAreWrittenTogetherOrNotAtAll) {
    ProjectSettings division;
    division.isAvgCh = 0;
    const OptimiseSettings before = read();
    const auto refused = fenban::store::writeProjectSettings(db.connection(), 1, division, {0, true});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), QStringLiteral("优化时间必须在1到600秒之间"));
    EXPECT_EQ(fenban::store::SettingsStore(db.connection()).read(1).value(), ProjectSettings{});
    EXPECT_EQ(read(), before);

    ASSERT_TRUE(fenban::store::writeProjectSettings(db.connection(), 1, division, {45, true}));
    EXPECT_EQ(fenban::store::SettingsStore(db.connection()).read(1).value(), division);
    EXPECT_EQ(read(), (OptimiseSettings{45, true}));
}

// Files of earlier versions have no optimise_config; opening one adds it, and every project reads
// as the defaults.
TEST(OptimiseSettingsOfOlderFiles, OpeningAFileWithoutTheTableCreatesIt) {
    TempDatabase db;
    ASSERT_TRUE(ProjectStore(db.connection()).create({QStringLiteral("高一"), 4}));
    db.query(QStringLiteral("DROP TABLE optimise_config"));
    for (const bool marked : {true, false}) {
        // A file without the program's mark; a server has no such mark.
        if (!marked && db.isServer())
            break;
        if (!marked)
            db.query(QStringLiteral("PRAGMA application_id=0"));
        auto reopened = fenban::store::Database::open(db.location());
        ASSERT_TRUE(reopened) << reopened.error().toStdString();
        const auto settings = OptimiseSettingsStore(reopened.value()->connection()).read(1);
        ASSERT_TRUE(settings) << settings.error().toStdString();
        EXPECT_EQ(settings.value(), OptimiseSettings{});
        db.query(QStringLiteral("DROP TABLE optimise_config"));
    }
}
