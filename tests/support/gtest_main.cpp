#include <QCoreApplication>

#include <gtest/gtest.h>

// Qt SQL loads its drivers as plugins, which needs an application object.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
