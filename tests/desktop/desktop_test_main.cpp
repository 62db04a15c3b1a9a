// SPDX-License-Identifier: MIT
// The desktop tests' main: one application object on the offscreen platform for every test, and
// no disk syncs (every home a test makes is thrown away).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

#include "platform/sqlite_db.h"

int main(int argc, char** argv) {
    qs::store::set_disk_syncs(false);
    // Listing the tests needs no display.
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing |= std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    if (listing) return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
