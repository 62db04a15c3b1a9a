// SPDX-License-Identifier: MIT
// One sequential pass over a file in position order.
#include <memory>

#include "platform/fs.h"
#include "platform/record_store.h"
#include "platform/store_sql.h"

namespace qs::store {

namespace {

// A pass reads each page once, so keeping or mapping the pages of a large file gains nothing, and
// mapped pages count as the process's own memory once read: a pass over a file of a few hundred
// megabytes would make the process that large. Small files keep their cache and map.
constexpr uint64_t kPassKeepsPagesBelow = uint64_t{32} << 20;

}  // namespace

// Transactions' connections neither map nor keep more than their bounded cache. Counting the
// records is a pass too: SQLite reads every leaf page of the table or of a key to count them.
bool File::large_pass() const {
    return !group_ && !once_ && fs::file_size(path_).value_or(0) >= kPassKeepsPagesBelow;
}

Status File::scan(const std::function<bool(int64_t, const void*)>& f) {
    const bool once = large_pass();
    if (once) read_once(true);
    Status st = scan_rows(f);
    if (once) read_once(false);
    return st;
}

Status File::scan_rows(const std::function<bool(int64_t, const void*)>& f) {
    StmtSet& ss = stmts();
    sqlite3_stmt* raw = nullptr;
    std::string sql = "SELECT " + column_list(*decl_) + " FROM " + schema_ + ".rec ORDER BY pos";
    int rc = sqlite3_prepare_v2(ss.db, sql.c_str(), -1, &raw, nullptr);
    Stmt stmt(raw);
    if (rc != SQLITE_OK) return status_of(rc, ss.db);
    std::unique_ptr<void, void (*)(void*)> owned(decl_->codec.make(), decl_->codec.destroy);
    void* rec = owned.get();
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        decl_->codec.read_all(raw, 1, rec);
        if (!f(sqlite3_column_int64(raw, 0), rec)) {
            rc = SQLITE_DONE;
            break;
        }
    }
    return rc == SQLITE_DONE ? Status::ok() : status_of(rc, ss.db);
}

}  // namespace qs::store
