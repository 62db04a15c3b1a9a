// SPDX-License-Identifier: MIT
// Forwarding to a base VFS: everything the "qs" VFS and the fault VFS do not change themselves.
#include <algorithm>
#include <cstring>

#include "platform/vfs_internal.h"

namespace qs::vfs::detail {

namespace {

sqlite3_file* real(sqlite3_file* file) { return reinterpret_cast<ShimFile*>(file)->real; }

sqlite3_vfs* base_of(sqlite3_vfs* vfs) {
    return static_cast<Shim*>(vfs->pAppData)->base.load(std::memory_order_acquire);
}

// File methods, version 1.

int fwd_read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    return real(f)->pMethods->xRead(real(f), buf, n, off);
}
int fwd_write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    return real(f)->pMethods->xWrite(real(f), buf, n, off);
}
int fwd_truncate(sqlite3_file* f, sqlite3_int64 size) {
    return real(f)->pMethods->xTruncate(real(f), size);
}
int fwd_sync(sqlite3_file* f, int flags) { return real(f)->pMethods->xSync(real(f), flags); }
int fwd_file_size(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int fwd_lock(sqlite3_file* f, int level) { return real(f)->pMethods->xLock(real(f), level); }
int fwd_unlock(sqlite3_file* f, int level) { return real(f)->pMethods->xUnlock(real(f), level); }
int fwd_check_reserved_lock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int fwd_file_control(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int fwd_sector_size(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int fwd_device_characteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// Version 2: shared memory, used only by WAL, which the store never enables.

int fwd_shm_map(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int fwd_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void fwd_shm_barrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int fwd_shm_unmap(sqlite3_file* f, int remove) {
    return real(f)->pMethods->xShmUnmap(real(f), remove);
}

// Version 3: memory-mapped reads.

int fwd_fetch(sqlite3_file* f, sqlite3_int64 off, int n, void** out) {
    return real(f)->pMethods->xFetch(real(f), off, n, out);
}
int fwd_unfetch(sqlite3_file* f, sqlite3_int64 off, void* p) {
    return real(f)->pMethods->xUnfetch(real(f), off, p);
}

// VFS methods.

int fwd_remove(sqlite3_vfs* v, const char* name, int sync_dir) {
    return base_of(v)->xDelete(base_of(v), name, sync_dir);
}
int fwd_access(sqlite3_vfs* v, const char* name, int flags, int* out) {
    return base_of(v)->xAccess(base_of(v), name, flags, out);
}
int fwd_full_pathname(sqlite3_vfs* v, const char* name, int n, char* out) {
    return base_of(v)->xFullPathname(base_of(v), name, n, out);
}
void* fwd_dl_open(sqlite3_vfs* v, const char* name) {
    return base_of(v)->xDlOpen(base_of(v), name);
}
void fwd_dl_error(sqlite3_vfs* v, int n, char* out) { base_of(v)->xDlError(base_of(v), n, out); }
void (*fwd_dl_sym(sqlite3_vfs* v, void* lib, const char* name))(void) {
    return base_of(v)->xDlSym(base_of(v), lib, name);
}
void fwd_dl_close(sqlite3_vfs* v, void* lib) { base_of(v)->xDlClose(base_of(v), lib); }
int fwd_randomness(sqlite3_vfs* v, int n, char* out) {
    return base_of(v)->xRandomness(base_of(v), n, out);
}
int fwd_sleep(sqlite3_vfs* v, int micros) { return base_of(v)->xSleep(base_of(v), micros); }
int fwd_current_time(sqlite3_vfs* v, double* out) {
    return base_of(v)->xCurrentTime(base_of(v), out);
}
int fwd_get_last_error(sqlite3_vfs* v, int n, char* out) {
    sqlite3_vfs* base = base_of(v);
    return base->xGetLastError ? base->xGetLastError(base, n, out) : 0;
}
int fwd_current_time_int64(sqlite3_vfs* v, sqlite3_int64* out) {
    sqlite3_vfs* base = base_of(v);
    if (base->iVersion >= 2 && base->xCurrentTimeInt64) return base->xCurrentTimeInt64(base, out);
    double days = 0;
    int rc = base->xCurrentTime(base, &days);
    *out = static_cast<sqlite3_int64>(days * 86400000.0);
    return rc;
}
int fwd_set_system_call(sqlite3_vfs* v, const char* name, sqlite3_syscall_ptr call) {
    sqlite3_vfs* base = base_of(v);
    if (base->iVersion < 3 || !base->xSetSystemCall) return SQLITE_NOTFOUND;
    return base->xSetSystemCall(base, name, call);
}
sqlite3_syscall_ptr fwd_get_system_call(sqlite3_vfs* v, const char* name) {
    sqlite3_vfs* base = base_of(v);
    if (base->iVersion < 3 || !base->xGetSystemCall) return nullptr;
    return base->xGetSystemCall(base, name);
}
const char* fwd_next_system_call(sqlite3_vfs* v, const char* name) {
    sqlite3_vfs* base = base_of(v);
    if (base->iVersion < 3 || !base->xNextSystemCall) return nullptr;
    return base->xNextSystemCall(base, name);
}

}  // namespace

MethodTables forwarding_methods() {
    MethodTables tables{};
    for (int version = 1; version <= 3; ++version) {
        sqlite3_io_methods& m = tables[version - 1];
        m = {version,
             close_real,
             fwd_read,
             fwd_write,
             fwd_truncate,
             fwd_sync,
             fwd_file_size,
             fwd_lock,
             fwd_unlock,
             fwd_check_reserved_lock,
             fwd_file_control,
             fwd_sector_size,
             fwd_device_characteristics};
        if (version >= 2) {
            m.xShmMap = fwd_shm_map;
            m.xShmLock = fwd_shm_lock;
            m.xShmBarrier = fwd_shm_barrier;
            m.xShmUnmap = fwd_shm_unmap;
        }
        if (version >= 3) {
            m.xFetch = fwd_fetch;
            m.xUnfetch = fwd_unfetch;
        }
    }
    return tables;
}

sqlite3_vfs* system_vfs() {
    static sqlite3_vfs* const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

sqlite3_vfs forwarding_vfs(Shim* shim, const char* name, int file_bytes,
                           int (*open)(sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*)) {
    sqlite3_vfs vfs{};
    vfs.iVersion = 3;
    vfs.szOsFile = file_bytes;
    vfs.mxPathname = shim->base.load()->mxPathname;
    vfs.zName = name;
    vfs.pAppData = shim;
    vfs.xOpen = open;
    vfs.xDelete = fwd_remove;
    vfs.xAccess = fwd_access;
    vfs.xFullPathname = fwd_full_pathname;
    vfs.xDlOpen = fwd_dl_open;
    vfs.xDlError = fwd_dl_error;
    vfs.xDlSym = fwd_dl_sym;
    vfs.xDlClose = fwd_dl_close;
    vfs.xRandomness = fwd_randomness;
    vfs.xSleep = fwd_sleep;
    vfs.xCurrentTime = fwd_current_time;
    vfs.xGetLastError = fwd_get_last_error;
    vfs.xCurrentTimeInt64 = fwd_current_time_int64;
    vfs.xSetSystemCall = fwd_set_system_call;
    vfs.xGetSystemCall = fwd_get_system_call;
    vfs.xNextSystemCall = fwd_next_system_call;
    return vfs;
}

int open_real(sqlite3_vfs* base, sqlite3_filename name, ShimFile* file, int flags, int* out_flags,
              const MethodTables& tables) {
    file->io.pMethods = nullptr;
    file->real = static_cast<sqlite3_file*>(sqlite3_malloc(base->szOsFile));
    if (!file->real) return SQLITE_NOMEM;
    std::memset(file->real, 0, static_cast<size_t>(base->szOsFile));
    int rc = base->xOpen(base, name, file->real, flags, out_flags);
    // SQLite closes a file whose pMethods is set even when the open failed, so ours mirrors
    // the base's.
    if (const sqlite3_io_methods* methods = file->real->pMethods) {
        file->io.pMethods = &tables[static_cast<size_t>(std::clamp(methods->iVersion, 1, 3) - 1)];
    } else {
        sqlite3_free(file->real);
        file->real = nullptr;
    }
    return rc;
}

int close_real(sqlite3_file* file) {
    sqlite3_file* handle = real(file);
    int rc = handle->pMethods->xClose(handle);
    sqlite3_free(handle);
    return rc;
}

}  // namespace qs::vfs::detail
