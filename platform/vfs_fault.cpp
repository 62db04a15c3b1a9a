// SPDX-License-Identifier: MIT
// The fault-injecting VFS the store's tests put under "qs": it fails the Nth write or sync, the
// way SQLite's own tests prove that a failed commit leaves all or nothing, and fails reads as a
// failing disk would.
#include <sqlite3.h>

#include <string>

#include "platform/vfs.h"
#include "platform/vfs_internal.h"

namespace qs::vfs {

namespace detail {

struct FaultState : Shim {
    sqlite3_vfs vfs{};
    std::string name;
    std::atomic<int64_t> operations{0};
    std::atomic<int64_t> fail_at{0};  // the operation number that fails first; 0: none
    std::atomic<bool> sticky{false};
    std::atomic<bool> reads_fail{false};

    // Counts one write or sync and says whether it fails.
    bool fails() {
        int64_t number = operations.fetch_add(1) + 1;
        int64_t first = fail_at.load();
        return first != 0 && (number == first || (number > first && sticky.load()));
    }
};

}  // namespace detail

namespace {

struct FaultFile {
    detail::ShimFile head;
    detail::FaultState* owner;
    bool journal;
};

FaultFile* fault_file(sqlite3_file* file) { return reinterpret_cast<FaultFile*>(file); }

// A failed write writes nothing and a failed sync syncs nothing: with `sticky`, the files are
// left exactly as a crash at that point would leave them.
int fault_write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    FaultFile* file = fault_file(f);
    if (file->owner->fails()) return SQLITE_IOERR_WRITE;
    return file->head.real->pMethods->xWrite(file->head.real, buf, n, off);
}

int fault_read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    FaultFile* file = fault_file(f);
    if (!file->journal && file->owner->reads_fail.load()) return SQLITE_IOERR_READ;
    return file->head.real->pMethods->xRead(file->head.real, buf, n, off);
}

int fault_sync(sqlite3_file* f, int flags) {
    FaultFile* file = fault_file(f);
    if (file->owner->fails()) return SQLITE_IOERR_FSYNC;
    return file->head.real->pMethods->xSync(file->head.real, flags);
}

const detail::MethodTables& fault_methods() {
    static const detail::MethodTables tables = [] {
        detail::MethodTables out = detail::forwarding_methods();
        for (sqlite3_io_methods& m : out) {
            m.xWrite = fault_write;
            m.xRead = fault_read;
            m.xSync = fault_sync;
        }
        return out;
    }();
    return tables;
}

int fault_open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags,
               int* out_flags) {
    FaultFile* file = fault_file(f);
    auto* state = static_cast<detail::FaultState*>(static_cast<detail::Shim*>(vfs->pAppData));
    file->owner = state;
    file->journal = (flags & SQLITE_OPEN_MAIN_DB) == 0;
    return detail::open_real(state->base.load(), name, &file->head, flags, out_flags,
                             fault_methods());
}

}  // namespace

FaultVfs::FaultVfs() : state_(std::make_unique<detail::FaultState>()) {
    static std::atomic<int> instances{0};
    state_->base.store(detail::system_vfs());
    state_->name = "qs-fault-" + std::to_string(++instances);
    state_->vfs =
        detail::forwarding_vfs(state_.get(), state_->name.c_str(), sizeof(FaultFile), fault_open);
    sqlite3_vfs_register(&state_->vfs, 0);
}

FaultVfs::~FaultVfs() { sqlite3_vfs_unregister(&state_->vfs); }

sqlite3_vfs* FaultVfs::vfs() { return &state_->vfs; }

void FaultVfs::fail_after(int n, bool sticky) {
    state_->sticky.store(sticky);
    state_->fail_at.store(n > 0 ? state_->operations.load() + n : 0);
}

void FaultVfs::fail_reads(bool on) { state_->reads_fail.store(on); }

int FaultVfs::writes() const { return static_cast<int>(state_->operations.load()); }

}  // namespace qs::vfs
