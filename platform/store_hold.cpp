// SPDX-License-Identifier: MIT
// Record holds. A hold is a row of the file's hold table naming its owner (process, start time,
// handle), written in its own short transaction, so it is seen by every process that shares the
// file and survives nobody: a hold whose owner is no longer running counts as released.
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/record_store.h"
#include "platform/store_sql.h"

namespace qs::store {

namespace {

// The start time of a running process (in clock ticks since boot), -1 when there is none. A
// process that died but was not yet reaped by its parent (a zombie) is not running: it can hold
// nothing, and its parent may never reap it.
int64_t start_time_of(int64_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return -1;
    // The command name may hold blanks and parentheses; the fields after it are plain.
    size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 3 && (field == "Z" || field == "X" || field == "x")) return -1;
        if (i == 22) return std::stoll(field);
    }
    return -1;
}

}  // namespace

Owner this_process() {
    // Looked up again in a forked child, which must not pass for its parent.
    thread_local Owner me{-1, -1};
    int64_t pid = getpid();
    if (me.pid != pid) me = {pid, start_time_of(pid)};
    return me;
}

bool alive(const Owner& owner) {
    int64_t started = start_time_of(owner.pid);
    return started >= 0 && started == owner.started;
}

Status File::hold_once(int64_t pos, void* rec, bool& locked) {
    locked = false;
    end_reading();
    StmtSet& ss = stmts();
    bool own_txn = group_ == nullptr;
    if (own_txn) {
        Status st = home_.exec("BEGIN IMMEDIATE");
        if (!st) {
            locked = st.code() == Code::Busy;
            return st;
        }
    }
    // The hold is taken only when its row is committed: a failed commit fails the hold.
    auto finish = [&](Status st) {
        if (!own_txn) return st;
        if (!st) {
            home_.rollback();
            return st;
        }
        Status committed = home_.exec("COMMIT");
        if (!committed) home_.rollback();
        return committed;
    };
    sqlite3_stmt* get = ss.hold_get();
    sqlite3_stmt* put = ss.hold_put();
    if (!get || !put) return finish(status_of(SQLITE_ERROR, ss.db));
    Owner me = this_process();
    {
        ResetGuard reset(get);
        sqlite3_bind_int64(get, 1, pos);
        if (sqlite3_step(get) == SQLITE_ROW) {
            Owner other{sqlite3_column_int64(get, 0), sqlite3_column_int64(get, 1)};
            auto token = static_cast<uint64_t>(sqlite3_column_int64(get, 2));
            bool mine = other.pid == me.pid && other.started == me.started && token == token_;
            if (!mine && alive(other)) {
                locked = true;
                return finish(Status(Code::Locked, "the record is held by another user"));
            }
        }
    }
    Status st = fetch(pos, rec);
    if (!st) return finish(st);
    {
        ResetGuard reset(put);
        sqlite3_bind_int64(put, 1, pos);
        sqlite3_bind_int64(put, 2, me.pid);
        sqlite3_bind_int64(put, 3, me.started);
        sqlite3_bind_int64(put, 4, static_cast<int64_t>(token_));
        st = status_of(sqlite3_step(put), ss.db);
    }
    st = finish(st);
    if (st) held_ = pos;
    return st;
}

Status File::hold(int64_t pos, void* rec, int wait_s) {
    drop_prefetch();
    if (held_ && held_ != pos) release();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait_s);
    for (;;) {
        bool locked = false;
        Status st = hold_once(pos, rec, locked);
        if (st || !locked || std::chrono::steady_clock::now() >= deadline) return st;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void File::release() {
    if (!held_) return;
    end_reading();
    StmtSet& ss = stmts();
    sqlite3_stmt* del = ss.hold_del();
    if (del) {
        ResetGuard reset(del);
        Owner me = this_process();
        sqlite3_bind_int64(del, 1, held_);
        sqlite3_bind_int64(del, 2, me.pid);
        sqlite3_bind_int64(del, 3, static_cast<int64_t>(token_));
        sqlite3_step(del);
    }
    held_ = 0;
}

}  // namespace qs::store
