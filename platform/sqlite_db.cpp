// SPDX-License-Identifier: MIT
#include "platform/sqlite_db.h"

#include <atomic>

#include "platform/text.h"

namespace qs::store {

namespace {

std::atomic<bool> syncs{true};

int collate_nocase(void*, int na, const void* a, int nb, const void* b) {
    return compare_nocase({static_cast<const char*>(a), static_cast<size_t>(na)},
                          {static_cast<const char*>(b), static_cast<size_t>(nb)});
}

Code code_of(int rc) {
    switch (rc & 0xff) {
        case SQLITE_OK: return Code::Ok;
        case SQLITE_NOTFOUND: return Code::NotFound;
        case SQLITE_CONSTRAINT: return Code::Duplicate;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return Code::Busy;
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH: return Code::AccessDenied;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return Code::Corrupt;
        case SQLITE_FULL: return Code::Full;
        case SQLITE_IOERR: return Code::IoError;
        case SQLITE_CANTOPEN: return Code::FileMissing;
        case SQLITE_MISUSE:
        case SQLITE_RANGE: return Code::Invalid;
        default: return Code::Other;
    }
}

// Settings SQLite takes only before it first starts, once per process.
void configure_library() {
    // No page cache memory set aside per connection in advance: by default each cache takes
    // twenty pages at once and writes into each of them, which for a command that opens a dozen
    // files and reads a few pages of most was most of its fresh memory, and fresh memory costs a
    // page fault a page. Pages are allocated as they are read instead.
    static const int configured = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    static_cast<void>(configured);
}

}  // namespace

Status status_of(int rc, const std::string& text) {
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW) return Status::ok();
    // Only a unique index refuses a record here; other constraints do not exist in our schemas.
    return Status(code_of(rc), text, rc);
}

Status status_of(int rc, sqlite3* db) {
    return status_of(rc, db ? std::string(sqlite3_errmsg(db)) : std::string(sqlite3_errstr(rc)));
}

void set_disk_syncs(bool on) { syncs.store(on, std::memory_order_relaxed); }

bool disk_syncs() { return syncs.load(std::memory_order_relaxed); }

Db::~Db() { close(); }

void Db::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

Status Db::open_with(const std::string& path, const vfs::Key* key, int flags) {
    close();
    configure_library();
    if (!vfs::register_vfs()) return Status(Code::Other, "the store's file layer is unavailable");
    int rc = sqlite3_open_v2(vfs::make_uri(path, key).c_str(), &db_,
                             flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Status st = status_of(rc, db_);
        close();
        return st;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_create_collation(db_, kNoCase, SQLITE_UTF8, nullptr, collate_nocase);
    return Status::ok();
}

Status Db::open(const std::string& path, const vfs::Key* key, bool create, int wait_ms) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (Status st = open_with(path, key, flags); !st) return st;
    set_wait(wait_ms);
    // A rollback journal with full sync: commits are atomic across attached files, which a
    // write-ahead log does not give, and it works on network drives.
    // The journal mode is kept in the file: it is set where files are made, and the store's open
    // checks it (setting it costs a read of the file on every connection).
    std::string sql = create ? "PRAGMA journal_mode=DELETE; " : "";
    sql += disk_syncs() ? "PRAGMA synchronous=FULL;" : "PRAGMA synchronous=OFF;";
    return exec(sql.c_str());
}

Status Db::open_read_only(const std::string& path, const vfs::Key* key) {
    return open_with(path, key, SQLITE_OPEN_READONLY);
}

void Db::set_wait(int ms) { sqlite3_busy_timeout(db_, ms); }

Status Db::exec(const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    std::string text = err ? err : "";
    sqlite3_free(err);
    if (rc == SQLITE_OK) return Status::ok();
    return status_of(rc, text.empty() ? std::string(sqlite3_errstr(rc)) : text);
}

void Db::rollback() {
    if (sqlite3_get_autocommit(db_)) return;  // SQLite already rolled back (a full disk, say)
    static_cast<void>(exec("ROLLBACK"));
}

void Db::end_read() {
    if (!sqlite3_get_autocommit(db_)) static_cast<void>(exec("COMMIT"));
}

Status Db::prepare(const std::string& sql, sqlite3_stmt** out) {
    int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, out, nullptr);
    return status_of(rc, db_);
}

}  // namespace qs::store
