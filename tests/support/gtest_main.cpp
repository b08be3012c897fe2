#include "support/test_backend.h"

#include <QCoreApplication>

#include <cstdio>

#include <gtest/gtest.h>

// Qt SQL loads its drivers as plugins, which needs an application object.
int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The PostgreSQL variant fails rather than skips without its server, so that a run that was
    // meant to test the server cannot pass without one.
    if (fenban::testing::onServer() && fenban::testing::serverUrl().isEmpty()) {
        std::fputs("FENBAN_TEST_BACKEND=postgresql needs the test server in FENBAN_TEST_POSTGRESQL="
                   "postgresql://user@host:port/dbname (scripts/pg-cluster start DIR PORT starts one and "
                   "prints it); leave these tests out with: ctest -LE postgresql\n",
                   stderr);
        return 1;
    }
    return RUN_ALL_TESTS();
}
