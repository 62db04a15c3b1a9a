// SPDX-License-Identifier: MIT
// The keyed record store. Each record file is one SQLite database holding one table ("rec") whose
// keys are indexes; a record's position is its stable row number ("pos"). A File is one open
// handle with its own connection; a transaction over several files runs on one connection with
// all of them attached, so that its commit is atomic across the files.
//
// Handles never keep a statement running between calls: key order is read in prefetched batches,
// so a reader never blocks another user's commit.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record_codec.h"
#include "platform/sqlite_db.h"
#include "platform/status.h"
#include "platform/vfs.h"

namespace qs::store {

class Engine;
struct StmtSet;
struct Group;

struct OpenOptions {
    const vfs::Key* key = nullptr;  // encrypted file
    int wait_ms = 5000;             // lock wait
    // false for scratch files that nothing trusts after a crash: their commits stay atomic for a
    // killed process but do not wait for the disk (a power cut may leave them damaged).
    bool synced = true;
    // Made with 64 KiB pages: for a file written once in long runs and read once.
    bool large_pages = false;
};

// One record as a field pass reads it: only the fields asked for, as the file holds them (texts
// without their trailing blanks), valid during the call that receives it.
class FieldRow {
public:
    explicit FieldRow(sqlite3_stmt* s) : s_(s) {}
    int64_t position() const { return sqlite3_column_int64(s_, 0); }
    // The i-th of the fields asked for (from 0).
    std::string_view text(int i) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, i + 1));
        return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(s_, i + 1)))
                 : std::string_view();
    }
    int64_t number(int i) const { return sqlite3_column_int64(s_, i + 1); }

private:
    sqlite3_stmt* s_;
};
using FieldVisitor = std::function<bool(const FieldRow&)>;

class File {
public:
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const TableDecl& decl() const { return *decl_; }
    const std::string& path() const { return path_; }
    // Position of the current record: the last one read, added or held; 0 for none.
    int64_t position() const { return pos_; }
    void set_position(int64_t pos) { pos_ = pos; }

    Status add(const void* rec);  // the new record becomes current
    // Adds the record at position `pos` (not 0; negative ones come before every record added
    // by add): for a caller that keeps records it rewrites often side by side. Fails with
    // Duplicate when the position is taken.
    Status add_at(int64_t pos, const void* rec);
    // Adds the records in this order, many to a statement: for long runs of new records this
    // costs a fraction of one add() each. Inside a transaction a failure leaves none of them
    // (the caller rolls back); outside one, those of the statements that ran stay. The last
    // record added becomes current.
    Status add_all(const std::vector<const void*>& recs);
    // Adds one record per value, in this order, with the value in field `field` (a number) and
    // every other field empty: one statement for them all, for files of one field such as a
    // result set. A failure inside a transaction is left to the caller's rollback.
    Status add_values(int field, const std::vector<int64_t>& values);
    Status put(const void* rec);  // rewrites the current record
    // Rewrites only `fields` (a bit per field) of the current record, from `rec`; the others keep
    // what is stored. For a caller that knows what it changed: the keys of the fields left alone
    // keep their entries without the record being read first.
    Status put_fields(const void* rec, uint64_t fields);
    // The bit of a field for put_fields.
    uint64_t field_bit(const char* name) const;
    Status remove();                       // deletes the current record
    Status fetch(int64_t pos, void* rec);  // reads by position
    // Reads the first record whose parts of `key` equal those of `values` (all parts, or the
    // first `parts` of them).
    Status get(int key, const void* values, void* rec, int parts = -1);
    Status count(uint64_t& n);
    // For each of `values`, the first record whose first part of `key` equals it, but only the
    // `fields` named (by their index), given to f(value, row); values without a record are
    // skipped. One statement serves them all and no record is decoded whole: for the hits of a
    // search, listed by a few fields each. Values in ascending order read the key in its order;
    // for a unique key of one part, values in ascending order that name a large share of the
    // records are read by one pass over the records instead, and come in file order.
    Status read_fields(int key, const std::vector<int64_t>& values, const std::vector<int>& fields,
                       const std::function<void(int64_t, const FieldRow&)>& f);
    // Reads every record in position order in one statement, calling f(position, record) until
    // it returns false. For whole-file passes; the statement lasts for this call only.
    Status scan(const std::function<bool(int64_t, const void*)>& f);
    // A pass that reads only the fields `fields` (indexes into the declaration) of every record,
    // in position order, calling f(row) until it returns false: for passes that test one or two
    // small fields of each record, where decoding whole records costs more than the test.
    Status scan_fields(const std::vector<int>& fields, const FieldVisitor& f);
    // The same in the order of key `key`, from the first record whose first key part is at or
    // after that of `values` in key order (texts compared as the key compares them), to the end
    // of the file or until f returns false. Reads the key's own index alone when it holds the
    // fields asked for.
    Status scan_fields_from(int key, const void* values, const std::vector<int>& fields,
                            const FieldVisitor& f);
    // scan_fields over the records whose text field `tested` passes `keep` only. SQLite calls
    // keep(text) on each record as it reads it, and the records turned away never leave the
    // statement: for a pass that keeps few records this costs far less than handing each one
    // over. `keep` must not use this file. The records come in no set order: a key that holds
    // every field asked for is smaller than the records, and SQLite may read it instead.
    Status scan_fields_where(int tested, const std::function<bool(std::string_view)>& keep,
                             const std::vector<int>& fields, const FieldVisitor& f);
    // File order: the first record after position `pos` (0: the first record), and how many
    // records lie after `pos`. Records are added at the end of file order.
    Status fetch_after(int64_t pos, void* rec);
    Status count_after(int64_t pos, uint64_t& n);

    // Key order. set(key) starts before the first record (next) or after the last (previous).
    // set(key, values, parts) starts before the first record whose first `parts` key parts are
    // at or after `values` in key order (next), or after the last at or before them (previous).
    void set(int key);
    void set(int key, const void* values, int parts);
    // Continues key order from the current record (after get, fetch or add).
    void set_here(int key, const void* current);
    Status next(void* rec);
    Status previous(void* rec);

    // Holds: a held record cannot be held by another user (another process, or another handle of
    // this one) until it is released, written back or deleted. A holder that died releases it.
    // Reads the record at `pos` into `rec` once held. Waits up to `wait_s` seconds.
    Status hold(int64_t pos, void* rec, int wait_s);
    void release();
    bool holding() const { return held_ != 0; }

    Status empty();
    Status compact();

    // Bulk loading: a key can be set aside while many records are added and built once at the
    // end, which is far cheaper than keeping it in order record by record. A file opened while
    // a key is set aside reports bad keys (and is rebuilt), so a crash meanwhile is mended.
    Status drop_key(int key);
    Status build_key(int key);

    // A read snapshot: the handle's own connection keeps one read transaction over many reads,
    // which spares each read the locking and cache checks it otherwise pays. Another user cannot
    // commit to the file meanwhile (it waits), so a snapshot is for one short pass. Writes,
    // holds and transactions over the file end it first; ending it twice is harmless.
    Status begin_reading();
    void end_reading();
    bool reading() const { return reading_; }
    // Records about to be read once each, scattered over the file (the hits of a search): the
    // handle's connection keeps a small page cache until `false` comes. Filling a large cache
    // costs more than reading a page again.
    void read_once(bool on);

    // Read plan of a key-order statement, for tests that keep the indexes honest.
    std::string plan(int key, bool backward);

private:
    friend class Engine;
    File(Engine& engine, std::string path, const TableDecl& decl, const OpenOptions& opts);
    struct Cursor;

    StmtSet& stmts();
    Status step_cursor(bool backward, void* rec);
    Status scan_rows(const std::function<bool(int64_t, const void*)>& f);
    bool large_pass() const;
    Status count_rows(sqlite3_stmt* s, sqlite3* db, uint64_t& n);
    Status fill(bool backward);
    Status hold_once(int64_t pos, void* rec, bool& locked);
    void drop_prefetch();
    Status unchanged_keyed_fields(StmtSet& ss, const void* rec, uint64_t& unchanged);
    Status rewrite(const void* rec, uint64_t left_out);
    void bind_key_values(sqlite3_stmt* s, int key, int parts, const void* values, int64_t pos);

    Engine& engine_;
    std::string path_;
    const TableDecl* decl_;
    OpenOptions opts_;
    Db home_;
    Group* group_ = nullptr;  // set while a transaction runs over this file
    std::string schema_ = "main";
    std::map<sqlite3*, std::unique_ptr<StmtSet>> stmts_;
    std::unique_ptr<Cursor> cursor_;
    // The stored version of a record being rewritten, made at the first rewrite.
    std::unique_ptr<void, void (*)(void*)> stored_{nullptr, nullptr};
    int64_t pos_ = 0;
    int64_t held_ = 0;
    bool reading_ = false;
    bool once_ = false;
    int cache_kib_ = 0;    // the page cache chosen at open
    int spill_pages_ = 0;  // and the changed pages kept in memory before they are written out
    uint64_t token_;
};

// Damaged: the file is empty or holds no record file of the store (a failed copy, a damaged
// disk, or a file of some other program). The store never leaves such a file under a record
// file's name itself (see Engine::create), so its records are lost and nothing may be written
// into it until it is restored or removed.
enum class OpenResult {
    Ok,
    Missing,
    PathMissing,
    AccessDenied,
    BadKeys,
    LayoutMismatch,
    EarlierLayout,  // written by an earlier build in another layout generation: left untouched
    Damaged,
    Failed,
};

// A file being made is named after the file it becomes, this tag, the process number and a
// count; a crash while it is made can leave one behind (never under the file's own name).
inline constexpr const char* kMakingTag = "-making-";

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Opens an existing file and checks its layout and keys; `status` tells the engine's words
    // when the result is Failed. Nothing is written into a file found Damaged.
    OpenResult open(const std::string& path, const TableDecl& decl, const OpenOptions& opts,
                    std::unique_ptr<File>& out, Status& status);
    // Creates the file with its table and keys. The file is made whole under a name of its own
    // and then takes its name, so that a crash meanwhile leaves no file (and no empty one) under
    // that name; when another user made the file first, theirs is kept and this is success.
    Status create(const std::string& path, const TableDecl& decl, const OpenOptions& opts);
    // Builds every key of the file anew from its records and checks the result; fails when the
    // records themselves cannot be read.
    Status rebuild_keys(const std::string& path, const TableDecl& decl, const OpenOptions& opts);
    // The bytes the file takes beyond its tables and keys when empty (one page each): 0 while it
    // holds no or almost no records. The file may have any layout.
    Status extra_bytes(const std::string& path, const OpenOptions& opts, uint64_t& out);
    // Closes every transaction connection that holds the file, so that it can be deleted.
    void forget(const std::string& path);

    // One transaction at a time per engine. begin waits up to `wait_s` for the files' locks.
    Status begin(const std::vector<File*>& files, int wait_s);
    Status commit();
    void rollback();
    bool in_transaction() const { return active_ != nullptr; }

private:
    friend class File;
    Group* group_for(const std::vector<File*>& files, Status& st);
    void detach_files();

    std::vector<std::unique_ptr<Group>> groups_;
    std::set<File*> files_;  // open handles, whose statements on a group must go with it
    Group* active_ = nullptr;
    std::vector<File*> active_files_;
};

// The layout signature a file was written with (see TableDecl::signature), read without writing
// anything into it, not even the roll back of a crashed transaction: for telling a home made by an
// earlier build before any of its files is opened for writing. `signature` is empty when the file
// has none; fails when the file cannot be read.
Status read_signature(const std::string& path, const vfs::Key* key, std::string& signature);

// A token of a record file's state, for telling later that nothing changed it meanwhile: its
// device, inode and size and its first 100 bytes as they lie on the disk, which hold the change
// counter that every commit raises (enciphered or not, a commit changes them). "-" for a missing
// file; empty when it cannot be read or a journal beside it tells of an unfinished transaction.
// Reads without the store's locks, through a descriptor of its own: call it before this process
// opens the file (closing that descriptor would end the process's locks on the file).
std::string file_state(const std::string& path);

// Identity of this process for record holds: its id and start time, so that a hold whose owner
// died (and whose id was reused) is recognised as lapsed.
struct Owner {
    int64_t pid;
    int64_t started;
};
Owner this_process();
bool alive(const Owner& owner);

}  // namespace qs::store
