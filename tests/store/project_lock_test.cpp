#include "store/database.h"
#include "store/project_lock.h"

#include "support/temp_database.h"
#include "support/test_backend.h"

#include <gtest/gtest.h>

namespace fenban::store {
namespace {

// On a server a project is locked for every other connection to the same schema, and only there: a
// second school's schema in the same server database has projects numbered 1, 2, ... too.
TEST(ProjectLock, HeldPerProjectAndSchema) {
    testing::TempDatabase school;
    const auto secondUser = Database::open(school.location());
    ASSERT_TRUE(secondUser) << secondUser.error().toStdString();

    auto held = lockProject(school.connection(), 1);
    ASSERT_TRUE(held) << held.error().toStdString();
    const auto refused = lockProject(secondUser.value()->connection(), 1);
    if (!testing::onServer()) {
        // A file relies on its own write lock; the project lock holds nothing back.
        EXPECT_TRUE(refused);
        return;
    }
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), projectBusyMessage());
    EXPECT_TRUE(lockProject(secondUser.value()->connection(), 2)) << "another project";

    testing::TempDatabase otherSchool;
    EXPECT_TRUE(lockProject(otherSchool.connection(), 1)) << "the same number in another schema";

    held.value().reset();
    EXPECT_TRUE(lockProject(secondUser.value()->connection(), 1)) << "released";
}

} // namespace
} // namespace fenban::store
