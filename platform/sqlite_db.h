// SPDX-License-Identifier: MIT
// A thin owner of one SQLite connection: opening through the "qs" VFS with the store's durability
// settings, the key collation, and error mapping. Nothing above the platform layer sees SQLite.
#pragma once

#include <sqlite3.h>

#include <string>

#include "platform/status.h"
#include "platform/vfs.h"

namespace qs::store {

// Collation of case-insensitive keys: Unicode case folding, trailing blanks ignored
// (compare_nocase). Its name differs from the Windows-1252 collation of earlier builds, so that a
// key declared with the one never passes for a key of the other.
inline constexpr const char* kNoCase = "QSFOLD";

Status status_of(int rc, sqlite3* db);
Status status_of(int rc, const std::string& text);

// Whether commits wait for the disk (on by default). Test programs turn the waits off for the
// whole process before they open any file: their homes are thrown away, and a killed process
// still leaves every transaction whole or absent; only a power cut could lose the last ones. The
// program itself never turns them off.
void set_disk_syncs(bool on);
bool disk_syncs();

class Db {
public:
    Db() = default;
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Opens (or with `create`, creates) the file read-write with rollback journal, full sync and
    // the given lock wait.
    Status open(const std::string& path, const vfs::Key* key, bool create, int wait_ms = 5000);
    // Opens an existing file for reading only: nothing is ever written into it.
    Status open_read_only(const std::string& path, const vfs::Key* key);
    void close();
    bool is_open() const { return db_ != nullptr; }
    sqlite3* raw() const { return db_; }

    Status exec(const char* sql);
    // Ends the running transaction without its changes. Nothing is left for a caller to do when
    // this fails: the journal stays beside the file, and the next connection to read the file
    // plays it back, so no half-written transaction is ever seen.
    void rollback();
    // Ends a transaction that only read (a read snapshot, the checks on open): nothing was
    // written, so a failure to end it loses nothing and only keeps the read lock until close.
    void end_read();
    Status prepare(const std::string& sql, sqlite3_stmt** out);
    void set_wait(int ms);
    int64_t last_rowid() const { return sqlite3_last_insert_rowid(db_); }
    int changes() const { return sqlite3_changes(db_); }

private:
    // Opens with the given flags, with extended result codes and the key collation.
    Status open_with(const std::string& path, const vfs::Key* key, int flags);

    sqlite3* db_ = nullptr;
};

// Finalizes on destruction.
class Stmt {
public:
    Stmt() = default;
    explicit Stmt(sqlite3_stmt* s) : s_(s) {}
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    Stmt& operator=(Stmt&& o) noexcept {
        std::swap(s_, o.s_);
        return *this;
    }
    sqlite3_stmt* get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }

private:
    sqlite3_stmt* s_ = nullptr;
};

// Resets a statement and clears its bindings when it goes out of scope, so that no statement keeps
// a read lock between calls (other users could not commit while one did).
class ResetGuard {
public:
    explicit ResetGuard(sqlite3_stmt* s) : s_(s) {}
    ~ResetGuard() {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    ResetGuard(const ResetGuard&) = delete;
    ResetGuard& operator=(const ResetGuard&) = delete;

private:
    sqlite3_stmt* s_;
};

}  // namespace qs::store
