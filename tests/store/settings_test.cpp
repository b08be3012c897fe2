#include "store/settings.h"

#include "store/projects.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

using fenban::store::ProjectSettings;
using fenban::store::SettingsStore;
using fenban::testing::TempDatabase;

TEST(Settings, NewProjectReadsAsTheWindowDefaults) {
    TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
    const auto read = SettingsStore(db.connection()).read(1);
    ASSERT_TRUE(read && read.value());
    EXPECT_EQ(*read.value(), ProjectSettings{});
}

TEST(Settings, WrittenValuesReadBackIncludingEmptyNumbers) {
    TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
    SettingsStore store(db.connection());
    ProjectSettings changed;
    changed.isAvgCh = 0;
    changed.isMan = 2;
    changed.inter = 3;
    changed.wtNum = std::nullopt;
    ASSERT_TRUE(store.write(1, changed));
    EXPECT_EQ(db.query(QStringLiteral("SELECT * FROM config")),
              QStringList{QStringLiteral("1|1|1|0|1|1|1|3|2|")});
    const auto read = store.read(1);
    ASSERT_TRUE(read && read.value());
    EXPECT_EQ(*read.value(), changed);
}

TEST(Settings, MissingRowReadsAsNothingAndRefusesWrites) {
    TempDatabase db;
    SettingsStore store(db.connection());
    const auto read = store.read(5);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read.value().has_value());
    const auto written = store.write(5, ProjectSettings{});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error(), QStringLiteral("不存在该班别的参数设置"));
    EXPECT_EQ(db.query(QStringLiteral("SELECT count(*) FROM config")), QStringList{QStringLiteral("0")});
}

TEST(Settings, TuningPassesAreBoundedAboveOnly) {
    TempDatabase db;
    ASSERT_TRUE(fenban::store::ProjectStore(db.connection()).create({QStringLiteral("a"), 2}));
    SettingsStore store(db.connection());
    ProjectSettings settings;
    for (const int passes : {1001, 100000000}) {
        settings.wtNum = passes;
        const auto written = store.write(1, settings);
        ASSERT_FALSE(written) << passes;
        EXPECT_EQ(written.error(), QStringLiteral("微调次数不能超过1000"));
    }
    EXPECT_EQ(store.read(1).value()->wtNum, 50);
    // Below 0 keeps its meaning: no fine-tuning pass.
    for (const int passes : {1000, 0, -7}) {
        settings.wtNum = passes;
        ASSERT_TRUE(store.write(1, settings)) << passes;
        EXPECT_EQ(store.read(1).value()->wtNum, passes);
    }
}

TEST(Settings, AStatementTheDatabaseRefusesGivesItsReason) {
    TempDatabase db;
    db.query(QStringLiteral("DROP TABLE config"));
    SettingsStore store(db.connection());
    const QString reason = db.isServer() ? QStringLiteral("relation \"config\" does not exist")
                                         : QStringLiteral("no such table: config");
    const auto read = store.read(1);
    ASSERT_FALSE(read);
    EXPECT_TRUE(read.error().contains(reason)) << read.error().toStdString();
    const auto written = store.write(1, ProjectSettings{});
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().contains(reason)) << written.error().toStdString();
}
