// SPDX-License-Identifier: MIT
// Record operations of one open handle.
#include <atomic>
#include <stdexcept>

#include "platform/record_store.h"
#include "platform/store_cursor.h"
#include "platform/store_group.h"
#include "platform/store_sql.h"

namespace qs::store {

namespace {

// A hold names its handle by this number, so it must differ between any two handles of the
// process, whichever engine (session) they belong to.
uint64_t next_token() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

File::File(Engine& engine, std::string path, const TableDecl& decl, const OpenOptions& opts)
    : engine_(engine),
      path_(std::move(path)),
      decl_(&decl),
      opts_(opts),
      cursor_(std::make_unique<Cursor>(decl.codec)),
      token_(next_token()) {
    engine_.files_.insert(this);
}

File::~File() {
    end_reading();
    release();
    engine_.files_.erase(this);
    stmts_.clear();
}

StmtSet& File::stmts() {
    sqlite3* db = group_ ? group_->db.raw() : home_.raw();
    auto& slot = stmts_[db];
    if (!slot) slot = std::make_unique<StmtSet>(db, schema_, *decl_);
    return *slot;
}

namespace {

Status run(sqlite3_stmt* s, sqlite3* db) {
    if (!s) return Status(Code::Other, sqlite3_errmsg(db));
    ResetGuard reset(s);
    int rc = sqlite3_step(s);
    return status_of(rc, db);
}

void bind_all(sqlite3_stmt* s, const TableDecl& d, const void* rec) { d.codec.bind_all(s, 1, rec); }

}  // namespace

Status File::begin_reading() {
    if (reading_ || group_) return Status::ok();
    Status st = home_.exec("BEGIN");
    reading_ = st.is_ok();
    return st;
}

void File::end_reading() {
    if (!reading_) return;
    reading_ = false;
    drop_prefetch();
    home_.end_read();
}

// A few hundred pages: the upper levels of a key stay in memory, the records do not.
constexpr int kReadOnceCacheKiB = 256;

void File::read_once(bool on) {
    if (on == once_) return;
    once_ = on;
    drop_prefetch();
    int cache = on ? kReadOnceCacheKiB : cache_kib_;
    std::string sql = "PRAGMA main.cache_size = -" + std::to_string(cache);
    // A cache that cannot be resized leaves the reads as they were: slower, never wrong.
    static_cast<void>(home_.exec(sql.c_str()));
}

Status File::add(const void* rec) {
    end_reading();
    drop_prefetch();
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.insert();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    bind_all(s, *decl_, rec);
    Status st = run(s, ss.db);
    if (st) pos_ = sqlite3_last_insert_rowid(ss.db);
    return st;
}

Status File::add_at(int64_t pos, const void* rec) {
    end_reading();
    drop_prefetch();
    if (pos == 0) return Status(Code::Invalid, "no record can lie at position 0");
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.insert_at();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    bind_all(s, *decl_, rec);
    sqlite3_bind_int64(s, static_cast<int>(decl_->fields.size()) + 1, pos);
    Status st = run(s, ss.db);
    if (st) pos_ = pos;
    return st;
}

Status File::add_all(const std::vector<const void*>& recs) {
    end_reading();
    drop_prefetch();
    StmtSet& ss = stmts();
    const size_t per = static_cast<size_t>(ss.insert_rows_count());
    const int fields = static_cast<int>(decl_->fields.size());
    size_t done = 0;
    for (; recs.size() - done >= per; done += per) {
        sqlite3_stmt* s = ss.insert_rows();
        if (!s) return status_of(SQLITE_ERROR, ss.db);
        for (size_t i = 0; i < per; ++i)
            decl_->codec.bind_all(s, 1 + static_cast<int>(i) * fields, recs[done + i]);
        Status st = run(s, ss.db);
        if (!st) return st;
    }
    for (; done < recs.size(); ++done) {
        sqlite3_stmt* s = ss.insert();
        if (!s) return status_of(SQLITE_ERROR, ss.db);
        bind_all(s, *decl_, recs[done]);
        Status st = run(s, ss.db);
        if (!st) return st;
    }
    if (!recs.empty()) pos_ = sqlite3_last_insert_rowid(ss.db);
    return Status::ok();
}

// The keyed fields of `rec` that hold what the stored record holds, read from the store: the
// caller's copy may be older than a change made since. Only for files of two keys or more: the
// record of a file of one key was most often found along that key just before, its entry lies
// on a page at hand, and reading the record first cost more than rewriting the entry (with the
// word index's blocks read first too, the index run of 100,000 messages took 5.6 to 7.2 s
// instead of 5.1 to 5.3).
Status File::unchanged_keyed_fields(StmtSet& ss, const void* rec, uint64_t& unchanged) {
    unchanged = 0;
    const uint64_t keyed = ss.keyed_fields();
    if (keyed == 0 || decl_->keys.size() < 2) return Status::ok();
    if (!stored_) stored_ = {decl_->codec.make(), decl_->codec.destroy};
    sqlite3_stmt* s = ss.by_pos();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    ResetGuard reset(s);
    sqlite3_bind_int64(s, 1, pos_);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return Status(Code::NotFound, "the record is gone");
    if (rc != SQLITE_ROW) return status_of(rc, ss.db);
    decl_->codec.read_all(s, 1, stored_.get());
    for (int f = 0; f < static_cast<int>(decl_->fields.size()); ++f)
        if ((keyed >> f & 1) && decl_->codec.field_same(stored_.get(), rec, f))
            unchanged |= uint64_t{1} << f;
    return Status::ok();
}

// Keys whose fields keep their values keep their entries: rewriting them cost as much again as
// the record itself, for a count or a flag changed on a file of several keys.
Status File::put(const void* rec) {
    end_reading();
    drop_prefetch();
    if (pos_ == 0) return Status(Code::NotFound, "no current record");
    uint64_t unchanged = 0;
    if (Status st = unchanged_keyed_fields(stmts(), rec, unchanged); !st) return st;
    return rewrite(rec, unchanged);
}

Status File::put_fields(const void* rec, uint64_t fields) {
    end_reading();
    drop_prefetch();
    if (pos_ == 0) return Status(Code::NotFound, "no current record");
    return rewrite(rec, ~fields & every_field(*decl_));
}

uint64_t File::field_bit(const char* name) const {
    const int f = decl_->field_index(name);
    if (f < 0 || f >= 64) throw std::logic_error(std::string("no field bit for ") + name);
    return uint64_t{1} << f;
}

Status File::rewrite(const void* rec, uint64_t left_out) {
    StmtSet& ss = stmts();
    const uint64_t all = every_field(*decl_);
    if (all != 0 && left_out == all) {
        if (held_ == pos_) release();  // nothing to write
        return Status::ok();
    }
    sqlite3_stmt* s = ss.update(left_out);
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    bind_all(s, *decl_, rec);
    sqlite3_bind_int64(s, static_cast<int>(decl_->fields.size()) + 1, pos_);
    Status st = run(s, ss.db);
    if (st && sqlite3_changes(ss.db) == 0) st = Status(Code::NotFound, "the record is gone");
    if (st && held_ == pos_) release();
    return st;
}

Status File::remove() {
    end_reading();
    drop_prefetch();
    if (pos_ == 0) return Status(Code::NotFound, "no current record");
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.remove();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    sqlite3_bind_int64(s, 1, pos_);
    Status st = run(s, ss.db);
    if (st && sqlite3_changes(ss.db) == 0) st = Status(Code::NotFound, "the record is gone");
    if (st && held_ == pos_) release();
    return st;
}

Status File::fetch(int64_t pos, void* rec) {
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.by_pos();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    ResetGuard reset(s);
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return Status(Code::NotFound, "no record at that position");
    if (rc != SQLITE_ROW) return status_of(rc, ss.db);
    pos_ = sqlite3_column_int64(s, 0);
    decl_->codec.read_all(s, 1, rec);
    return Status::ok();
}

Status File::fetch_after(int64_t pos, void* rec) {
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.after_pos();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    ResetGuard reset(s);
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return Status(Code::NotFound, "no record after that position");
    if (rc != SQLITE_ROW) return status_of(rc, ss.db);
    pos_ = sqlite3_column_int64(s, 0);
    decl_->codec.read_all(s, 1, rec);
    return Status::ok();
}

Status File::count_after(int64_t pos, uint64_t& n) {
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.count_after();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    sqlite3_bind_int64(s, 1, pos);
    return count_rows(s, ss.db, n);
}

Status File::get(int key, const void* values, void* rec, int parts) {
    const KeyDecl& k = decl_->keys.at(static_cast<size_t>(key));
    int n = parts < 0 ? static_cast<int>(k.parts.size()) : parts;
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.get(key, n);
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    ResetGuard reset(s);
    bind_key_values(s, key, n, values, 0);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) return Status(Code::NotFound, "no record with that key");
    if (rc != SQLITE_ROW) return status_of(rc, ss.db);
    pos_ = sqlite3_column_int64(s, 0);
    decl_->codec.read_all(s, 1, rec);
    return Status::ok();
}

Status File::count(uint64_t& n) {
    StmtSet& ss = stmts();
    sqlite3_stmt* s = ss.count();
    if (!s) return status_of(SQLITE_ERROR, ss.db);
    return count_rows(s, ss.db, n);
}

// Runs a counting statement, whose parameters are bound, without keeping the pages of a large file.
Status File::count_rows(sqlite3_stmt* s, sqlite3* db, uint64_t& n) {
    const bool once = large_pass();
    if (once) read_once(true);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) n = static_cast<uint64_t>(sqlite3_column_int64(s, 0));
    Status st = rc == SQLITE_ROW ? Status::ok() : status_of(rc, db);
    sqlite3_reset(s);
    if (once) read_once(false);
    return st;
}

void File::bind_key_values(sqlite3_stmt* s, int key, int parts, const void* values, int64_t pos) {
    const KeyDecl& k = decl_->keys[static_cast<size_t>(key)];
    int n = static_cast<int>(k.parts.size());
    for (int i = 0; i < parts && i < n; ++i)
        decl_->codec.bind_field(s, i + 1, values, k.parts[static_cast<size_t>(i)].field);
    if (parts > n) sqlite3_bind_int64(s, n + 1, pos);
}

Status File::empty() {
    end_reading();
    drop_prefetch();
    release();
    sqlite3* db = group_ ? group_->db.raw() : home_.raw();
    // Positions start again at 1, as in a new file.
    std::string sql = "DELETE FROM " + schema_ + ".rec; DELETE FROM " + schema_ + ".qs_hold; " +
                      "DELETE FROM " + schema_ + ".sqlite_sequence WHERE name = 'rec';";
    if (!group_) sql = "BEGIN IMMEDIATE;" + sql + "COMMIT;";
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    std::string text = err ? err : "";
    sqlite3_free(err);
    if (rc != SQLITE_OK && !group_) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    pos_ = 0;
    return rc == SQLITE_OK ? Status::ok() : status_of(rc, text);
}

Status File::drop_key(int key) {
    end_reading();
    drop_prefetch();
    sqlite3* db = group_ ? group_->db.raw() : home_.raw();
    std::string sql = "DROP INDEX IF EXISTS " + schema_ + ".\"" + index_name(*decl_, key) + "\"";
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? Status::ok() : status_of(rc, db);
}

Status File::build_key(int key) {
    end_reading();
    drop_prefetch();
    sqlite3* db = group_ ? group_->db.raw() : home_.raw();
    // "CREATE [UNIQUE] INDEX name ON rec(...)" with the schema and IF NOT EXISTS put in.
    std::string sql = create_index_sql(*decl_, key);
    size_t at = sql.find("INDEX ") + 6;
    sql.insert(at, "IF NOT EXISTS " + schema_ + ".");
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? Status::ok() : status_of(rc, db);
}

Status File::compact() {
    if (group_) return Status(Code::Invalid, "cannot compact inside a transaction");
    end_reading();
    drop_prefetch();
    // The records and keys are copied in order, each page once, and the copy takes the cache
    // size of the file: with the file's own cache both fill with pages nobody reads again. The
    // pages written back stay in memory up to the spill size of a transaction (8 MB); the copy
    // writes them out from 4 MB on, at the price of a sync of the journal for each 4 MB.
    auto spill = [this](int pages) {
        // The number form also reads its low byte as the connection's switch: on again after.
        const std::string sql =
            "PRAGMA main.cache_spill = " + std::to_string(pages) + "; PRAGMA cache_spill = ON";
        return home_.exec(sql.c_str());
    };
    constexpr int kCompactSpillPages = 1024;
    const bool once = once_;
    read_once(true);
    Status st = spill(kCompactSpillPages);
    if (st) st = home_.exec("VACUUM");
    read_once(once);
    if (spill_pages_ > 0) static_cast<void>(spill(spill_pages_));
    return st;
}

std::string File::plan(int key, bool backward) {
    const KeyDecl& k = decl_->keys.at(static_cast<size_t>(key));
    StmtSet probe(home_.raw(), "main", *decl_);
    sqlite3_stmt* s = probe.cursor(key, backward, static_cast<int>(k.parts.size()), false);
    std::string out;
    if (!s) return "cannot prepare";
    sqlite3_stmt* ex = nullptr;
    std::string text = std::string("EXPLAIN QUERY PLAN ") + sqlite3_sql(s);
    if (sqlite3_prepare_v2(home_.raw(), text.c_str(), -1, &ex, nullptr) != SQLITE_OK) return "?";
    Stmt guard(ex);
    while (sqlite3_step(ex) == SQLITE_ROW)
        out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(ex, 3))) + "\n";
    return out;
}

}  // namespace qs::store
