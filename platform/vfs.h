// SPDX-License-Identifier: MIT
// The SQLite VFS every record file is opened through ("qs"). It passes through to a base VFS
// (the system's, or one a test installs to inject faults) and, for files opened with a key,
// encrypts every byte of the database and its journal with AES-256-CTR (OpenSSL libcrypto).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3_vfs;

namespace qs::vfs {

namespace detail {
struct FaultState;
}

inline constexpr const char* kName = "qs";
using Key = std::array<uint8_t, 32>;

// Registers the "qs" VFS once per process (thread-safe, idempotent); false when SQLite refused.
bool register_vfs();

// Makes later opens pass through `base` instead of the system VFS (nullptr: the system VFS again).
// Files already open keep the base they were opened with.
void set_base(sqlite3_vfs* base);

// The key of a built-in file password.
Key derive_key(std::string_view password);

// A URI for sqlite3_open_v2(..., SQLITE_OPEN_URI) or ATTACH that opens `path` through "qs",
// encrypted when `key` is given. Characters that URIs reserve are escaped.
std::string make_uri(const std::string& path, const Key* key = nullptr);

// A base VFS for tests that wraps the system VFS and fails writes or reads on demand. It must
// outlive the files opened through it; call set_base(nullptr) before destroying it.
class FaultVfs {
public:
    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    sqlite3_vfs* vfs();
    // The Nth write or sync from now (1 = the next one) fails with an I/O error, and so does
    // every one after it while `sticky`; 0 turns failures off.
    void fail_after(int n, bool sticky = false);
    int writes() const;  // writes and syncs seen since construction
    // While on, every read of a record file (not of its journal) fails with an I/O error, as on
    // a failing disk.
    void fail_reads(bool on);

private:
    std::unique_ptr<detail::FaultState> state_;
};

}  // namespace qs::vfs
