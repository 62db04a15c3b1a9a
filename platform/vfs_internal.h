// SPDX-License-Identifier: MIT
// Private to platform/vfs*: the forwarding machinery the "qs" VFS and the fault VFS share, and
// the positional AES-256-CTR keystream the "qs" VFS encrypts with. Nothing outside uses it.
#pragma once

#include <nettle/aes.h>
#include <sqlite3.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/vfs.h"

namespace qs::vfs::detail {

// What a wrapping VFS keeps in its pAppData. The base may change while the VFS is registered;
// open files keep the base they were opened with, because their real handles belong to it.
struct Shim {
    std::atomic<sqlite3_vfs*> base;
};

// The head of every wrapped file: what SQLite sees, then the base VFS's handle it forwards to.
// The real handle lives on the heap so that the base's file size need not be known up front.
struct ShimFile {
    sqlite3_file io;
    sqlite3_file* real;
};

// One io-method table per base version (1..3), so a wrapper never claims a method its base
// lacks. The forwarding tables call the same method of ShimFile::real; xClose frees it.
using MethodTables = std::array<sqlite3_io_methods, 3>;
MethodTables forwarding_methods();

// The VFS SQLite picked when none is named, resolved once.
sqlite3_vfs* system_vfs();

// A VFS that forwards every call to shim->base, except that files are `file_bytes` bytes and
// opened by `open`.
sqlite3_vfs forwarding_vfs(Shim* shim, const char* name, int file_bytes,
                           int (*open)(sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*));

// Opens `file->real` through `base` and points file->io at the matching table of `tables`.
// When the base leaves no handle behind, file->io.pMethods stays null and nothing is held.
int open_real(sqlite3_vfs* base, sqlite3_filename name, ShimFile* file, int flags, int* out_flags,
              const MethodTables& tables);
int close_real(sqlite3_file* file);

// The keystream of one file: AES-256-CTR whose counter block for file offset o is o / 16, so
// any byte range can be enciphered on its own. One instance serves one file handle, which
// SQLite never uses from two threads at once.
class Cipher {
public:
    // AES-256 in counter mode; nullptr when out of memory. With `first_byte_mask`, the byte at
    // offset 0 is XORed with that constant instead of the keystream.
    static std::unique_ptr<Cipher> create(const Key& key, uint64_t nonce,
                                          std::optional<uint8_t> first_byte_mask = {});
    ~Cipher();
    Cipher(const Cipher&) = delete;
    Cipher& operator=(const Cipher&) = delete;

    // XORs `n` bytes with the keystream at `offset`; `in` may equal `out`.
    bool apply(const void* in, void* out, int n, int64_t offset);
    // A buffer of at least `n` bytes owned by this file; nullptr when out of memory.
    uint8_t* scratch(int n);

private:
    Cipher(uint64_t nonce, std::optional<uint8_t> mask) : nonce_(nonce), first_byte_mask_(mask) {}

    aes256_ctx schedule_{};
    uint64_t nonce_;
    std::optional<uint8_t> first_byte_mask_;
    std::vector<uint8_t> scratch_;
};

// Reading ahead for one file handle that reads pages in rising order, as a pass along a key
// whose records lie in file order does: one read of a window of pages instead of a system call
// per page. It holds the bytes as stored (the caller deciphers what it hands out), and they are
// right only while the handle's lock stays as it is: whoever locks, unlocks, writes or
// truncates drops them. A read that does not continue the ones before reads as before, and so
// does a pass that leaves most of each window unread.
class ReadAhead {
public:
    static constexpr int kWindow = 64 * 1024;

    // The `n` bytes at `off` in the window, read first when this read continues the last one or
    // the window; valid until the next call. Null: the caller reads them itself (also when the
    // window cannot be read). The caller deciphers them straight into its buffer.
    const uint8_t* find(sqlite3_file* real, int n, sqlite3_int64 off);
    void drop() {
        held_ = used_ = 0;
        next_ = -1;
        run_ = poor_ = 0;
    }

private:
    bool holds(sqlite3_int64 off, int n) const {
        return off >= start_ && off + n <= start_ + held_;
    }
    bool fill(sqlite3_file* real, sqlite3_int64 off);

    std::vector<uint8_t> bytes_;
    sqlite3_int64 start_ = 0;
    sqlite3_int64 held_ = 0;   // bytes of the file held from start_
    sqlite3_int64 next_ = -1;  // where the last read ended; -1: none since the last drop
    sqlite3_int64 used_ = 0;   // bytes handed out of the window held
    int run_ = 0;              // reads in a row that went forward from the one before
    int poor_ = 0;             // windows in a row of which less than half was read
};

// A fresh random key, for files that no other handle will ever read.
bool random_key(Key* key);

}  // namespace qs::vfs::detail
