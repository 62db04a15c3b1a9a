// SPDX-License-Identifier: MIT
// An archive in a fresh temporary directory and a session over it, for the storage tests: the
// top directory holds CFG and TEMP, and the current database is F1.
#pragma once

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/fs.h"
#include "storage/file_access.h"

namespace qs::storetest {

struct TempHome {
    std::string dir;
    // In memory where there is such a file system: every commit is synced, which costs
    // milliseconds on a disk, and a killed process loses nothing the page cache holds anyway.
    TempHome() {
        char shm[] = "/dev/shm/qs-store-XXXXXX";
        char tmp[] = "/tmp/qs-store-XXXXXX";
        const char* made = fs::is_dir("/dev/shm") ? mkdtemp(shm) : nullptr;
        dir = made ? made : mkdtemp(tmp);
        for (const char* sub : {"/CFG", "/TEMP", "/F1"}) fs::make_dirs(dir + sub);
    }
    ~TempHome() { std::filesystem::remove_all(dir); }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
};

// A session whose dialogs are recorded; members are declared in the order the session needs.
struct TestSession {
    explicit TestSession(const std::string& home) {
        s.mem.Net = s.mem.FileDir = s.MasIdxPath = home;
        s.mem.TempDir = home + "/TEMP";
        s.mem.Dirnamn = "F1";
    }
    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session s{dialog, clock};
};

// The first column of the first row of `sql` run on a record file through the store's own
// connection (so encrypted files and the key collation work); "" when there is none.
inline std::string query_file(const std::string& path, int file, const std::string& sql) {
    store::Db db;
    if (!db.open(path, file_key(file), false)) return "cannot open";
    sqlite3_stmt* raw = nullptr;
    if (!db.prepare(sql, &raw)) return "cannot prepare";
    store::Stmt s(raw);
    if (sqlite3_step(s.get()) != SQLITE_ROW) return "";
    const unsigned char* t = sqlite3_column_text(s.get(), 0);
    return t ? reinterpret_cast<const char*>(t) : "";
}

inline std::string integrity(const std::string& path, int file) {
    return query_file(path, file, "PRAGMA integrity_check");
}

}  // namespace qs::storetest
