// SPDX-License-Identifier: MIT
#include "platform/record_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "platform/fs.h"
#include "platform/store_group.h"
#include "platform/store_sql.h"

namespace qs::store {

int TableDecl::field_index(const std::string& name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    return -1;
}

std::string TableDecl::signature() const {
    std::string s(kLayoutGeneration);
    for (const auto& f : fields)
        s += f.name + ":" + std::to_string(static_cast<int>(f.type)) + ":" +
             std::to_string(f.width) + ";";
    for (const auto& k : keys) {
        s += "|" + k.name + (k.unique ? ":u" : ":d") + (k.nocase ? "i" : "c");
        for (const auto& p : k.parts)
            s += "," + std::to_string(p.field) + (p.descending ? "-" : "+");
    }
    return s;
}

namespace {

Status query_text(Db& db, const std::string& sql, std::string& out, bool& found) {
    sqlite3_stmt* raw = nullptr;
    Status st = db.prepare(sql, &raw);
    Stmt s(raw);
    if (!st) return st;
    int rc = sqlite3_step(s.get());
    found = rc == SQLITE_ROW;
    if (found) {
        const unsigned char* t = sqlite3_column_text(s.get(), 0);
        out = t ? reinterpret_cast<const char*>(t) : "";
    }
    return found || rc == SQLITE_DONE ? Status::ok() : status_of(rc, db.raw());
}

Status write_schema(Db& db, const TableDecl& decl) {
    Status st = db.exec("BEGIN IMMEDIATE");
    if (!st) return st;
    std::string sql = create_table_sql(decl) + ";";
    for (size_t k = 0; k < decl.keys.size(); ++k)
        sql += create_index_sql(decl, static_cast<int>(k)) + ";";
    sql +=
        "CREATE TABLE qs_meta(name TEXT PRIMARY KEY, value TEXT);"
        "CREATE TABLE qs_hold(pos INTEGER PRIMARY KEY, pid INTEGER, started INTEGER, "
        "token INTEGER);";
    st = db.exec(sql.c_str());
    if (st) {
        sqlite3_stmt* raw = nullptr;
        st = db.prepare("INSERT INTO qs_meta VALUES('layout', ?)", &raw);
        Stmt ins(raw);
        if (st) {
            std::string sig = decl.signature();
            sqlite3_bind_text(ins.get(), 1, sig.c_str(), -1, SQLITE_TRANSIENT);
            st = status_of(sqlite3_step(ins.get()), db.raw());
        }
    }
    if (!st) {
        db.rollback();
        return st;
    }
    return db.exec("COMMIT");
}

bool keys_as_declared(Db& db, const TableDecl& decl) {
    sqlite3_stmt* raw = nullptr;
    if (!db.prepare("SELECT name, sql FROM sqlite_master WHERE type = 'index'", &raw)) return false;
    Stmt s(raw);
    std::map<std::string, std::string> present;
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        auto text = [&](int col) {
            const unsigned char* t = sqlite3_column_text(s.get(), col);
            return std::string(t ? reinterpret_cast<const char*>(t) : "");
        };
        present[text(0)] = text(1);
    }
    for (size_t k = 0; k < decl.keys.size(); ++k) {
        auto it = present.find(index_name(decl, static_cast<int>(k)));
        if (it == present.end() || it->second != create_index_sql(decl, static_cast<int>(k)))
            return false;
    }
    return true;
}

// The page cache of each file on a connection grows with its number of keys, since reading along
// a key and changing a key both go back to the pages of the keys: on a file's own connection, which
// steps along keys, 1 MB plus 8 MB a key, at most 64 MB; on the connection of a transaction 1 MB
// plus 2 MB a key, at most 16 MB. Every open file has a connection of its own and transactions
// have more, so the sum has to stay bounded whatever the size of the files: pages read again come
// from the system's file cache, not from the disk. While a transaction runs, only its connection
// keeps the pages of its files; the others, and the files' own connections, let them go
// (Engine::begin).
constexpr int kCacheBaseKiB = 1024;
constexpr int kReadingPerKeyKiB = 8 * 1024;
constexpr int kReadingMaxKiB = 64 * 1024;
constexpr int kChangingPerKeyKiB = 2 * 1024;
constexpr int kChangingMaxKiB = 16 * 1024;
// Pages changed by a transaction stay in memory until its commit up to this many bytes per file;
// only beyond it are they written out early, which costs extra syncs of the journal. A frame of a
// few hundred records changes a few megabytes of keys. A flush of the word index changes tens of
// megabytes of pages, each once: written out early they cost no more time, and held they were
// the largest part of the index run's memory (a million messages: 130 MB at 32 MB, 98 at 8).
constexpr int kSpillKiB = 8 * 1024;
// Files are read, not memory-mapped. A mapped page costs a page fault the first time a process
// reads it, several times a read of the same page on the machines measured (a search reads a few
// hundred to a few thousand pages once each: rare word 0.89, prefix 0.92 of the wall time with
// the words' list read instead of mapped); a mapped file that fails to read stops the process
// instead of returning an error; and the encrypting layer could not map its files anyway.

enum class Use { Reading, Transactions };

struct Tuning {
    int cache_kib = 0;
    int spill_pages = 0;
};

Status tune(Db& db, const std::string& schema, Use use, size_t keys, bool synced,
            Tuning* chosen = nullptr) {
    bool reading = use == Use::Reading;
    int per_key = reading ? kReadingPerKeyKiB : kChangingPerKeyKiB;
    int cache_kib = std::min(reading ? kReadingMaxKiB : kChangingMaxKiB,
                             kCacheBaseKiB + per_key * static_cast<int>(keys));
    std::string pragma = "PRAGMA " + schema + ".";
    int page_bytes = 4096;
    if (sqlite3_stmt* raw = nullptr; db.prepare(pragma + "page_size", &raw)) {
        Stmt s(raw);
        if (sqlite3_step(s.get()) == SQLITE_ROW) page_bytes = sqlite3_column_int(s.get(), 0);
    }
    int spill_pages = kSpillKiB / std::max(1, page_bytes / 1024);
    if (chosen) *chosen = {cache_kib, spill_pages};
    // The number form of cache_spill also reads its number as the switch of the whole
    // connection, by its low byte: 512 or 8192 pages would turn spilling off, and a transaction
    // would then hold every page it changes in memory. The switch is turned on after it.
    std::string sql = pragma + "cache_size = -" + std::to_string(cache_kib) + "; " + pragma +
                      "cache_spill = " + std::to_string(spill_pages) + "; PRAGMA cache_spill = ON";
    // A scratch file's records are copies, so nothing is gained by zeroing those deleted, and
    // the library as the distribution builds it does: emptying a result set of twenty thousand
    // hits wrote each of its 127 pages to the journal and back.
    if (!synced) sql += "; " + pragma + "synchronous = OFF; " + pragma + "secure_delete = OFF";
    return db.exec(sql.c_str());
}

// A full structural check reads the whole file; it runs on open only where that stays cheap,
// which is the settings and list files. Every command opens the files it reads, and checking a
// word list or mail file of a few megabytes on each open tripled the time of a search. Damage in
// larger files shows up as a corruption error of the operation that meets it.
constexpr uint64_t kCheckOnOpenBytes = 1u << 20;

bool structure_sound(Db& db) {
    std::string result;
    bool found = false;
    Status st = query_text(db, "PRAGMA quick_check(1)", result, found);
    return st && found && result == "ok";
}

// The engine's answer for a file whose first page is no database header (garbage, zeros, or
// encrypted under another key).
bool not_a_store_file(const Status& st) { return (st.error() & 0xff) == SQLITE_NOTADB; }

// The layout a file being opened has. A file without any table was not made by the store, which
// makes its files whole before they take their names (Engine::create): it is damaged.
OpenResult check_layout(Db& db, const TableDecl& decl, Status& status) {
    std::string sig;
    bool found = false;
    status = query_text(db, "SELECT value FROM qs_meta WHERE name = 'layout'", sig, found);
    if (status) {
        if (found && sig == decl.signature()) return OpenResult::Ok;
        return found && !current_generation(sig) ? OpenResult::EarlierLayout
                                                 : OpenResult::LayoutMismatch;
    }
    if (not_a_store_file(status)) return OpenResult::Damaged;
    std::string n;
    bool any = false;
    Status tables = query_text(db, "SELECT count(*) FROM sqlite_master", n, any);
    if (!tables) {
        status = tables;
        return not_a_store_file(tables) ? OpenResult::Damaged : OpenResult::Failed;
    }
    return n == "0" ? OpenResult::Damaged : OpenResult::LayoutMismatch;
}

// The checks of a file being opened, read under one lock instead of one each: its layout, its
// keys, the structure of a small file, and the journal mode, which must be a rollback journal for
// transactions to be atomic across files. Scratch files skip the structure check: their owners
// make them anew when they turn out damaged, and a result set's file, grown once by a large
// search, would otherwise be read whole on every open.
OpenResult check_on_open(Db& db, const std::string& path, const TableDecl& decl,
                         const OpenOptions& opts, Status& status) {
    status = db.exec("BEGIN");
    if (!status) return OpenResult::Failed;
    OpenResult r = check_layout(db, decl, status);
    if (r == OpenResult::Ok && !keys_as_declared(db, decl)) r = OpenResult::BadKeys;
    if (r == OpenResult::Ok && opts.synced) {
        auto size = fs::file_size(path);
        if (size && *size <= kCheckOnOpenBytes && !structure_sound(db)) r = OpenResult::BadKeys;
    }
    std::string mode;
    bool found = false;
    if (r == OpenResult::Ok) status = query_text(db, "PRAGMA journal_mode", mode, found);
    db.end_read();
    if (r != OpenResult::Ok) return r;
    if (!status) return OpenResult::Failed;
    if (mode != "delete") status = db.exec("PRAGMA journal_mode=DELETE");
    return status ? OpenResult::Ok : OpenResult::Failed;
}

}  // namespace

Status read_signature(const std::string& path, const vfs::Key* key, std::string& signature) {
    signature.clear();
    Db db;
    Status st = db.open_read_only(path, key);
    if (!st) return st;
    bool found = false;
    st = query_text(db, "SELECT value FROM qs_meta WHERE name = 'layout'", signature, found);
    // A file without the table of the layout was not made by the store at all.
    if (!st && (st.error() & 0xff) == SQLITE_ERROR) return Status::ok();
    return st;
}

std::string file_state(const std::string& path) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) return errno == ENOENT ? "-" : "";
    if (fs::exists(path + "-journal")) return "";
    constexpr size_t kHeaderBytes = 100;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    unsigned char head[kHeaderBytes];
    ssize_t n = ::pread(fd, head, sizeof head, 0);
    struct stat open_one {};
    const bool same = ::fstat(fd, &open_one) == 0 && open_one.st_ino == before.st_ino &&
                      open_one.st_dev == before.st_dev;
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof head) || !same) return "";
    std::string state = std::to_string(before.st_dev) + " " + std::to_string(before.st_ino) + " " +
                        std::to_string(before.st_size) + " ";
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char b : head) {
        state += kHex[b >> 4];
        state += kHex[b & 15];
    }
    return state;
}

namespace {

void remove_with_journal(const std::string& path) {
    fs::remove_file(path + "-journal");
    fs::remove_file(path);
}

Status errno_status(const std::string& what) {
    int e = errno;
    return Status(e == EACCES || e == EPERM ? Code::AccessDenied : Code::IoError,
                  what + ": " + std::strerror(e), e);
}

// Gives the file made under `fresh` the name `path` unless a file of that name exists by now
// (another user made it first, and may be writing to it: theirs stays). With `synced`, the new
// name is on the disk before this returns.
Status take_name(const std::string& fresh, const std::string& path, bool synced) {
    int rc = renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    // File systems without an exclusive rename (some network drives): a new hard link is
    // exclusive too, and where neither exists a rename after a look is the best there is.
    if (rc != 0 && errno != EEXIST && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
        rc = link(fresh.c_str(), path.c_str());
        if (rc != 0 && errno != EEXIST && (errno == EPERM || errno == ENOSYS || errno == ENOTSUP))
            rc = fs::exists(path) ? 0 : std::rename(fresh.c_str(), path.c_str());
    }
    if (rc != 0 && errno != EEXIST) return errno_status("cannot name " + path);
    if (!synced) return Status::ok();
    std::string dir = fs::dir_part(path).empty() ? "." : fs::dir_part(path);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return errno_status("cannot sync " + dir);
    rc = fsync(fd);
    Status st = rc == 0 ? Status::ok() : errno_status("cannot sync " + dir);
    ::close(fd);
    return st;
}

}  // namespace

Engine::Engine() = default;

Engine::~Engine() {
    rollback();
    groups_.clear();
}

OpenResult Engine::open(const std::string& path, const TableDecl& decl, const OpenOptions& opts,
                        std::unique_ptr<File>& out, Status& status) {
    status = Status::ok();
    if (!fs::exists(path)) {
        std::string dir = fs::dir_part(path);
        return dir.empty() || fs::is_dir(dir) ? OpenResult::Missing : OpenResult::PathMissing;
    }
    if (access(path.c_str(), R_OK | W_OK) != 0) return OpenResult::AccessDenied;
    // Even a file without records holds its tables and keys: an empty one lost them.
    if (fs::file_size(path).value_or(1) == 0) return OpenResult::Damaged;
    std::unique_ptr<File> file(new File(*this, path, decl, opts));
    status = file->home_.open(path, opts.key, false, opts.wait_ms);
    Tuning tuning;
    if (status)
        status = tune(file->home_, "main", Use::Reading, decl.keys.size(), opts.synced, &tuning);
    file->cache_kib_ = tuning.cache_kib;
    file->spill_pages_ = tuning.spill_pages;
    if (!status) return not_a_store_file(status) ? OpenResult::Damaged : OpenResult::Failed;
    OpenResult checked = check_on_open(file->home_, path, decl, opts, status);
    if (checked != OpenResult::Ok) return checked;
    out = std::move(file);
    return OpenResult::Ok;
}

Status Engine::create(const std::string& path, const TableDecl& decl, const OpenOptions& opts) {
    // Made under a name no other creation uses, in the same directory so that it can be renamed.
    static std::atomic<uint64_t> made{0};
    std::string fresh = path + kMakingTag + std::to_string(getpid()) + "-" +
                        std::to_string(made.fetch_add(1, std::memory_order_relaxed));
    remove_with_journal(fresh);  // left by a process of the same number that crashed
    Status st;
    {
        Db db;
        st = db.open(fresh, opts.key, true, opts.wait_ms);
        // Large pages mean fewer writes and no overflow chains for texts of a few kilobytes, where
        // a file is written in long runs; a small file changed often would journal far more.
        if (st && opts.large_pages) st = db.exec("PRAGMA page_size = 65536");
        if (st) st = write_schema(db, decl);
    }
    if (st) st = take_name(fresh, path, opts.synced && disk_syncs());
    remove_with_journal(fresh);
    return st;
}

namespace {

Status query_number(Db& db, const std::string& sql, uint64_t& out) {
    std::string text;
    bool found = false;
    Status st = query_text(db, sql, text, found);
    out = found ? std::stoull(text.empty() ? "0" : text) : 0;
    return st;
}

// Copies the records (and holds) of `path` into the fresh file `db`, reading only the record
// table: the keys of `path` may be unreadable.
Status copy_records(Db& db, const std::string& path, const TableDecl& decl, const vfs::Key* key) {
    sqlite3_stmt* raw = nullptr;
    Status st = db.prepare("ATTACH DATABASE ? AS damaged", &raw);
    Stmt attach(raw);
    if (!st) return st;
    std::string uri = vfs::make_uri(path, key);
    sqlite3_bind_text(attach.get(), 1, uri.c_str(), -1, SQLITE_TRANSIENT);
    st = status_of(sqlite3_step(attach.get()), db.raw());
    if (!st) return st;
    std::string cols = column_list(decl);
    // Positions are never handed out twice, so the counter goes on where the old file stood.
    std::string sql =
        "BEGIN IMMEDIATE;"
        "INSERT INTO main.rec(" +
        cols + ") SELECT " + cols +
        " FROM damaged.rec NOT INDEXED;"
        "INSERT INTO main.qs_hold SELECT * FROM damaged.qs_hold;"
        "DELETE FROM main.sqlite_sequence;"
        "INSERT INTO main.sqlite_sequence SELECT * FROM damaged.sqlite_sequence "
        "WHERE name = 'rec';"
        "COMMIT;";
    st = db.exec(sql.c_str());
    if (!st) db.rollback();
    Status detached = db.exec("DETACH DATABASE damaged");
    return st ? detached : st;
}

// Writes every page of `from` over the file `path` as one transaction of `path`, so that other
// users of the file see an ordinary change and a crash half way leaves the old file.
Status overwrite(Db& from, const std::string& path, const vfs::Key* key, int wait_ms) {
    Db to;
    Status st = to.open(path, key, false, wait_ms);
    if (!st) return st;
    sqlite3_backup* b = sqlite3_backup_init(to.raw(), "main", from.raw(), "main");
    if (!b) return status_of(sqlite3_errcode(to.raw()), to.raw());
    int rc = sqlite3_backup_step(b, -1);
    int finish = sqlite3_backup_finish(b);
    return status_of(rc == SQLITE_DONE ? finish : rc, to.raw());
}

}  // namespace

Status Engine::rebuild_keys(const std::string& path, const TableDecl& decl,
                            const OpenOptions& opts) {
    // Dropping a damaged key would have to walk its broken pages, so the keys are built anew in
    // a fresh copy of the records, which then replaces the file's pages.
    forget(path);
    std::string fresh = path + "-rebuild";
    fs::remove_file(fresh);
    fs::remove_file(fresh + "-journal");
    Status st;
    {
        Db db;
        st = db.open(fresh, opts.key, true, opts.wait_ms);
        if (st) st = write_schema(db, decl);
        if (st) st = copy_records(db, path, decl, opts.key);
        if (st) st = overwrite(db, path, opts.key, opts.wait_ms);
    }
    fs::remove_file(fresh);
    if (!st) return st;
    Db check;
    st = check.open(path, opts.key, false, opts.wait_ms);
    if (st && !structure_sound(check)) return Status(Code::Corrupt, "the file is still damaged");
    return st;
}

Status Engine::extra_bytes(const std::string& path, const OpenOptions& opts, uint64_t& out) {
    out = 0;
    Db db;
    Status st = db.open(path, opts.key, false, opts.wait_ms);
    uint64_t pages = 0, free_pages = 0, page_size = 0, trees = 0;
    if (st) st = query_number(db, "PRAGMA page_count", pages);
    if (st) st = query_number(db, "PRAGMA freelist_count", free_pages);
    if (st) st = query_number(db, "PRAGMA page_size", page_size);
    if (st) st = query_number(db, "SELECT count(*) FROM sqlite_master WHERE rootpage > 0", trees);
    // Page 1 holds the schema; every table and key has a first page of its own.
    uint64_t minimum = 1 + trees + free_pages;
    if (st && pages > minimum) out = (pages - minimum) * page_size;
    return st;
}

void Engine::forget(const std::string& path) {
    for (auto it = groups_.begin(); it != groups_.end();) {
        Group* g = it->get();
        bool holds = std::find(g->paths.begin(), g->paths.end(), path) != g->paths.end();
        if (!holds || g == active_) {
            ++it;
            continue;
        }
        for (File* f : files_) f->stmts_.erase(g->db.raw());
        it = groups_.erase(it);
    }
}

Group* Engine::group_for(const std::vector<File*>& files, Status& st) {
    std::vector<std::string> paths;
    for (File* f : files) paths.push_back(f->path());
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    for (auto& g : groups_)
        if (g->paths == paths) return g.get();
    if (paths.size() > 11) {
        st = Status(Code::Invalid, "too many files in one transaction");
        return nullptr;
    }
    auto key_of = [&](const std::string& p) {
        for (File* f : files)
            if (f->path() == p) return f->opts_.key;
        return static_cast<const vfs::Key*>(nullptr);
    };
    auto g = std::make_unique<Group>();
    g->paths = paths;
    st = g->db.open(paths[0], key_of(paths[0]), false);
    g->schema_of[paths[0]] = "main";
    for (size_t i = 1; st && i < paths.size(); ++i) {
        std::string name = "f" + std::to_string(i);
        sqlite3_stmt* raw = nullptr;
        st = g->db.prepare("ATTACH DATABASE ? AS " + name, &raw);
        Stmt s(raw);
        if (!st) break;
        std::string uri = vfs::make_uri(paths[i], key_of(paths[i]));
        sqlite3_bind_text(s.get(), 1, uri.c_str(), -1, SQLITE_TRANSIENT);
        st = status_of(sqlite3_step(s.get()), g->db.raw());
        g->schema_of[paths[i]] = name;
    }
    for (const auto& [path, schema] : g->schema_of) {
        size_t keys = 0;
        bool synced = true;
        for (File* f : files) {
            if (f->path() != path) continue;
            keys = f->decl().keys.size();
            synced = f->opts_.synced;
        }
        if (st) st = tune(g->db, schema, Use::Transactions, keys, synced);
    }
    if (!st) return nullptr;
    // Keep a handful of connections; the oldest goes first.
    if (groups_.size() >= 8) {
        for (File* f : files_) f->stmts_.erase(groups_.front()->db.raw());
        groups_.erase(groups_.begin());
    }
    groups_.push_back(std::move(g));
    return groups_.back().get();
}

Status Engine::begin(const std::vector<File*>& files, int wait_s) {
    if (active_) return Status(Code::Invalid, "a transaction is already running");
    if (files.empty()) return Status(Code::Invalid, "a transaction needs files");
    Status st;
    Group* g = group_for(files, st);
    if (!g) return st;
    // The pages cached by the connections of other transactions, and by the files' own
    // connections (unused while the transaction runs), are let go: memory stays that of one
    // transaction connection, however many files a run has touched.
    for (auto& other : groups_)
        if (other.get() != g) sqlite3_db_release_memory(other->db.raw());
    for (File* f : files) {
        f->end_reading();
        sqlite3_db_release_memory(f->home_.raw());
    }
    g->db.set_wait(wait_s * 1000);
    st = g->db.exec("BEGIN IMMEDIATE");
    if (!st) return st;
    active_ = g;
    active_files_ = files;
    for (File* f : files) {
        f->drop_prefetch();
        f->group_ = g;
        f->schema_ = g->schema_of[f->path()];
    }
    return Status::ok();
}

void Engine::detach_files() {
    for (File* f : active_files_) {
        f->drop_prefetch();
        f->group_ = nullptr;
        f->schema_ = "main";
    }
    active_files_.clear();
    active_ = nullptr;
}

Status Engine::commit() {
    if (!active_) return Status(Code::Invalid, "no transaction is running");
    Status st = active_->db.exec("COMMIT");
    if (!st) active_->db.rollback();
    detach_files();
    return st;
}

void Engine::rollback() {
    if (!active_) return;
    active_->db.rollback();
    detach_files();
}

}  // namespace qs::store
