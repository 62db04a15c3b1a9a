// SPDX-License-Identifier: MIT
// Reading a window of pages ahead for the enciphered files, which SQLite cannot map.
#include <algorithm>
#include <new>

#include "platform/vfs_internal.h"

namespace qs::vfs::detail {

const uint8_t* ReadAhead::find(sqlite3_file* real, int n, sqlite3_int64 off) {
    const sqlite3_int64 window_end = start_ + held_;
    const bool after_last = next_ >= 0 && off >= next_ && off - next_ < kWindow;
    const bool after_window = held_ > 0 && off >= window_end && off - window_end < kWindow;
    run_ = after_last ? run_ + 1 : 0;
    next_ = off + n;
    // Larger reads (pages of 64 KiB) gain nothing from a window of a few of them.
    if (n <= 0 || n > kWindow / 4) return nullptr;
    if (!holds(off, n)) {
        // Two pages near each other are often a key's levels; the third in a row going forward,
        // or a page just past the window, is a pass.
        const bool pass = after_window || run_ >= 2;
        if (!pass || !fill(real, off) || !holds(off, n)) return nullptr;
    }
    used_ += n;
    return bytes_.data() + (off - start_);
}

bool ReadAhead::fill(sqlite3_file* real, sqlite3_int64 off) {
    // Copying a window costs about what the reads it saves cost once a few of its pages go
    // unread, as in a key whose pages lie among those of other keys: after two windows that
    // went mostly unread, the pass reads page by page until the lock changes.
    if (held_ > 0) poor_ = used_ * 2 < held_ ? poor_ + 1 : 0;
    used_ = 0;
    held_ = 0;
    if (poor_ >= 2) return false;
    // Exceptions must not cross SQLite's C frames.
    try {
        bytes_.resize(kWindow);
    } catch (const std::bad_alloc&) {
        return false;
    }
    int rc = real->pMethods->xRead(real, bytes_.data(), kWindow, off);
    sqlite3_int64 size = 0;
    if (rc == SQLITE_OK)
        held_ = kWindow;
    else if (rc == SQLITE_IOERR_SHORT_READ && real->pMethods->xFileSize(real, &size) == SQLITE_OK)
        held_ = size > off ? std::min<sqlite3_int64>(size - off, kWindow) : 0;
    start_ = off;
    return held_ > 0;
}

}  // namespace qs::vfs::detail
