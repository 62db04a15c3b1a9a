// SPDX-License-Identifier: MIT
// The test program's main: every home a test makes is thrown away afterwards, so the store does
// not wait for the disk on commit (a killed process still leaves each transaction whole or
// absent, which is what the tests of crashes check).
#include <gtest/gtest.h>

#include "platform/sqlite_db.h"

int main(int argc, char** argv) {
    qs::store::set_disk_syncs(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
