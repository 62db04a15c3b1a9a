// SPDX-License-Identifier: MIT
// The archive home of the tests: a fresh directory with CFG, TEMP and F1, in memory where there
// is such a file system (every commit is synced, which costs milliseconds on a disk, and a killed
// process loses nothing the page cache holds anyway), removed afterwards. Sessions over it record
// their dialogs and run on a fixed clock.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "storage/file_access.h"
#include "storage/session.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_dialog.h"

namespace qs::testing {

// The directory alone.
struct HomeDir {
    std::string dir;
    HomeDir() {
        char shm[] = "/dev/shm/qs-test-XXXXXX";
        char tmp[] = "/tmp/qs-test-XXXXXX";
        const char* made = fs::is_dir("/dev/shm") ? mkdtemp(shm) : nullptr;
        dir = made ? made : mkdtemp(tmp);
        for (const char* sub : {"/CFG", "/TEMP", "/F1"}) fs::make_dirs(dir + sub);
    }
    ~HomeDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    HomeDir(const HomeDir&) = delete;
    HomeDir& operator=(const HomeDir&) = delete;
};

// A session over a home: another window or another run of the program. `dirnamn` is the current
// database's directory ("F1"), or "CFG" while no database is current.
struct TestSession {
    explicit TestSession(const std::string& home, const std::string& dirnamn = "F1") {
        s.mem.Net = s.mem.FileDir = s.MasIdxPath = home;
        s.mem.TempDir = home + "/TEMP";
        s.mem.Dirnamn = dirnamn;
    }
    ~TestSession() {
        s.engine.rollback();
        for (auto& slot : s.slots) slot.file.reset();
    }
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session s{dialog, clock};
};

// The number of records of an open file; a count the store fails fails the test.
inline uint64_t record_count(Session& s, int file) {
    uint64_t n = 0;
    EXPECT_TRUE(RecordCount(s, file, n)) << "file " << file;
    return n;
}

// A home with one session over it, no database current.
struct TempHome : HomeDir, TestSession {
    explicit TempHome(const std::string& dirnamn = "CFG") : TestSession(dir, dirnamn) {}
};

}  // namespace qs::testing
