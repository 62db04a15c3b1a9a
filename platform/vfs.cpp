// SPDX-License-Identifier: MIT
// The "qs" VFS: every record file goes through it, and files opened with a key are enciphered
// byte for byte, so SQLite's page and journal layout (and its crash safety) stay untouched.
#include "platform/vfs.h"

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <new>

#include "platform/vfs_internal.h"

namespace qs::vfs {

namespace {

using detail::Cipher;

// Each kind of file has its own counter space, so a page copied from a database into its
// journal is not enciphered with the keystream it had in the database.
//
// Rewriting a page reuses the keystream of its offset; that is accepted because the key ships
// inside the program anyway: the aim is that the files cannot be read without it.
enum class Stream : uint64_t { Database = 1, Journal = 2, Wal = 3, SuperJournal = 4, Scratch = 5 };

// Files SQLite makes for itself and deletes on close: sort runs, statement journals, the copy
// VACUUM builds. They hold plain record text taken from the encrypted files.
constexpr int kScratchFiles = SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL |
                              SQLITE_OPEN_SUBJOURNAL | SQLITE_OPEN_TRANSIENT_DB;

constexpr uint8_t kDatabaseHeader[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                         'o', 'r', 'm', 'a', 't', ' ', '3', 0};
constexpr uint8_t kJournalMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

struct CryptFile {
    detail::ShimFile head;
    Cipher* cipher;            // owned; null for a file without a key
    detail::ReadAhead* ahead;  // owned; only for an enciphered database, which is never mapped
};

CryptFile* crypt_file(sqlite3_file* file) { return reinterpret_cast<CryptFile*>(file); }

detail::Shim& shim() {
    static detail::Shim shim{detail::system_vfs()};
    return shim;
}

// Journals are not enciphered with their database's key: while recovering one database of a
// multi-file transaction, SQLite opens the journals of the others by bare name to see whether
// they still point at the super-journal, and their keys are not known then. So journals and
// super-journals share a key of the VFS's own.
//
// A database's journal is hot when its first byte is not zero. That byte is masked with the
// journal magic's first byte rather than the keystream, so a tool without the key (the sqlite3
// shell, or a caller that forgot it) sees a hot journal as cold and leaves it alone instead of
// "rolling it back" with garbage and deleting it.
const Key& journal_key() {
    static const Key key = derive_key("qs journals and super-journals");
    return key;
}

std::unique_ptr<Cipher> journal_cipher(Stream stream) {
    const Key& key = journal_key();
    std::optional<uint8_t> mask;
    if (stream == Stream::Journal) mask = kJournalMagic[0];
    return Cipher::create(key, static_cast<uint64_t>(stream), mask);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parse_key(std::string_view hex, Key* key) {
    if (hex.size() != key->size() * 2) return false;
    for (size_t i = 0; i < key->size(); ++i) {
        int high = hex_digit(hex[2 * i]);
        int low = hex_digit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        (*key)[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// What to check once a file is open, before SQLite sees it.
enum class Check { None, DatabaseHeader, JournalHeader };

struct Plan {
    std::unique_ptr<Cipher> cipher;
    Check check = Check::None;
};

// Database, journal and WAL names carry the database's URI parameters. A malformed key is
// SQLITE_CANTOPEN: writing plain text where the caller asked for cipher text is the one thing
// this layer must never do.
int plan_named(sqlite3_filename name, int flags, Plan* plan) {
    const char* hex = name ? sqlite3_uri_parameter(name, "key") : nullptr;
    if (!hex) return SQLITE_OK;
    Key key;
    if (!parse_key(hex, &key)) return SQLITE_CANTOPEN;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        plan->cipher = Cipher::create(key, static_cast<uint64_t>(Stream::Database));
        plan->check = Check::DatabaseHeader;
    } else {
        plan->cipher = journal_cipher(flags & SQLITE_OPEN_WAL ? Stream::Wal : Stream::Journal);
    }
    return plan->cipher ? SQLITE_OK : SQLITE_NOMEM;
}

int plan_for(sqlite3_filename name, int flags, Plan* plan) {
    constexpr int kNamedFiles = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL;
    if (flags & kNamedFiles) return plan_named(name, flags, plan);
    if (flags & SQLITE_OPEN_SUPER_JOURNAL) {
        // Besides super-journals, this is how the journals of other databases are opened to
        // read their super-journal pointer; whether one is enciphered shows in its header.
        bool probe = name && std::string_view(name).ends_with("-journal");
        plan->cipher = journal_cipher(probe ? Stream::Journal : Stream::SuperJournal);
        plan->check = probe ? Check::JournalHeader : Check::None;
    } else if (flags & kScratchFiles) {
        // Nobody ever reopens these, so a throwaway key does.
        Key key;
        if (!detail::random_key(&key)) return SQLITE_IOERR;
        plan->cipher = Cipher::create(key, static_cast<uint64_t>(Stream::Scratch));
    } else {
        return SQLITE_OK;
    }
    return plan->cipher ? SQLITE_OK : SQLITE_NOMEM;
}

// The first `n` bytes of the file through its cipher; false when they are not all there.
bool read_head(CryptFile* file, uint8_t* out, int n) {
    sqlite3_file* real = file->head.real;
    return real->pMethods->xRead(real, out, n, 0) == SQLITE_OK &&
           file->cipher->apply(out, out, n, 0);
}

// A wrong key must fail here: if SQLite got as far as a hot journal, it would play the journal
// back into the file under the wrong key.
int check_database(CryptFile* file) {
    sqlite3_file* real = file->head.real;
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return SQLITE_IOERR_FSTAT;
    if (size < static_cast<sqlite3_int64>(sizeof kDatabaseHeader)) return SQLITE_OK;  // new
    uint8_t head[sizeof kDatabaseHeader];
    if (!read_head(file, head, sizeof head)) return SQLITE_IOERR_READ;
    return std::memcmp(head, kDatabaseHeader, sizeof head) == 0 ? SQLITE_OK : SQLITE_NOTADB;
}

// A journal header holds the magic, or zeros once SQLite has retired it.
void check_journal(CryptFile* file) {
    static constexpr uint8_t kZeros[sizeof kJournalMagic] = {};
    uint8_t head[sizeof kJournalMagic];
    bool enciphered =
        read_head(file, head, sizeof head) && (std::memcmp(head, kJournalMagic, sizeof head) == 0 ||
                                               std::memcmp(head, kZeros, sizeof head) == 0);
    if (enciphered) return;
    delete file->cipher;
    file->cipher = nullptr;
}

int check(CryptFile* file, Check what) {
    if (what == Check::DatabaseHeader) return check_database(file);
    if (what == Check::JournalHeader) check_journal(file);
    return SQLITE_OK;
}

// How many of the `n` bytes at `off` exist: past the end of file the base returned zeros,
// and those must stay zeros rather than become keystream. -1 when the size is unknown.
int bytes_in_file(sqlite3_file* real, int n, sqlite3_int64 off) {
    sqlite3_int64 size = 0;
    if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return -1;
    if (size <= off) return 0;
    return size - off < n ? static_cast<int>(size - off) : n;
}

int crypt_read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    CryptFile* file = crypt_file(f);
    sqlite3_file* real = file->head.real;
    if (const uint8_t* held = file->ahead ? file->ahead->find(real, n, off) : nullptr)
        return file->cipher->apply(held, buf, n, off) ? SQLITE_OK : SQLITE_IOERR_READ;
    int rc = real->pMethods->xRead(real, buf, n, off);
    if (!file->cipher || (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)) return rc;
    int present = rc == SQLITE_OK ? n : bytes_in_file(real, n, off);
    if (present < 0 || !file->cipher->apply(buf, buf, present, off)) return SQLITE_IOERR_READ;
    return rc;
}

void drop_ahead(CryptFile* file) {
    if (file->ahead) file->ahead->drop();
}

// The pages read ahead stay right while the lock does: another connection writes to the file
// only after every reader has let go of its shared lock.
int crypt_lock(sqlite3_file* f, int level) {
    drop_ahead(crypt_file(f));
    sqlite3_file* real = crypt_file(f)->head.real;
    return real->pMethods->xLock(real, level);
}

int crypt_unlock(sqlite3_file* f, int level) {
    drop_ahead(crypt_file(f));
    sqlite3_file* real = crypt_file(f)->head.real;
    return real->pMethods->xUnlock(real, level);
}

int crypt_truncate(sqlite3_file* f, sqlite3_int64 size) {
    drop_ahead(crypt_file(f));
    sqlite3_file* real = crypt_file(f)->head.real;
    return real->pMethods->xTruncate(real, size);
}

int crypt_write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    CryptFile* file = crypt_file(f);
    sqlite3_file* real = file->head.real;
    drop_ahead(file);
    if (!file->cipher) return real->pMethods->xWrite(real, buf, n, off);
    // `buf` is often a page of SQLite's cache, which must keep its plain text.
    uint8_t* out = file->cipher->scratch(n);
    if (!out) return SQLITE_IOERR_NOMEM;
    if (!file->cipher->apply(buf, out, n, off)) return SQLITE_IOERR_WRITE;
    return real->pMethods->xWrite(real, out, n, off);
}

int crypt_fetch(sqlite3_file* f, sqlite3_int64 off, int n, void** out) {
    CryptFile* file = crypt_file(f);
    // A memory map would show SQLite the cipher text; without one it falls back to xRead.
    if (file->cipher) {
        *out = nullptr;
        return SQLITE_OK;
    }
    sqlite3_file* real = file->head.real;
    return real->pMethods->xFetch(real, off, n, out);
}

int crypt_close(sqlite3_file* f) {
    CryptFile* file = crypt_file(f);
    delete file->cipher;
    file->cipher = nullptr;
    delete file->ahead;
    file->ahead = nullptr;
    return detail::close_real(f);
}

const detail::MethodTables& crypt_methods() {
    static const detail::MethodTables tables = [] {
        detail::MethodTables out = detail::forwarding_methods();
        for (sqlite3_io_methods& m : out) {
            m.xClose = crypt_close;
            m.xRead = crypt_read;
            m.xWrite = crypt_write;
            m.xTruncate = crypt_truncate;
            m.xLock = crypt_lock;
            m.xUnlock = crypt_unlock;
            if (m.iVersion >= 3) m.xFetch = crypt_fetch;
        }
        return out;
    }();
    return tables;
}

int crypt_open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags,
               int* out_flags) {
    CryptFile* file = crypt_file(f);
    file->head.io.pMethods = nullptr;
    file->cipher = nullptr;
    file->ahead = nullptr;
    Plan plan;
    int rc = plan_for(name, flags, &plan);
    if (rc != SQLITE_OK) return rc;
    sqlite3_vfs* base = static_cast<detail::Shim*>(vfs->pAppData)->base.load();
    rc = detail::open_real(base, name, &file->head, flags, out_flags, crypt_methods());
    // SQLite closes whatever has pMethods set, even after a failed open; crypt_close then
    // frees the cipher.
    if (!file->head.io.pMethods) return rc;
    file->cipher = plan.cipher.release();
    if (rc != SQLITE_OK) return rc;
    if (plan.check == Check::DatabaseHeader) {
        file->ahead = new (std::nothrow) detail::ReadAhead;
        if (!file->ahead) rc = SQLITE_NOMEM;
    }
    if (rc == SQLITE_OK) rc = check(file, plan.check);
    if (rc != SQLITE_OK) {
        crypt_close(f);
        file->head.io.pMethods = nullptr;
    }
    return rc;
}

bool needs_escape(unsigned char c) {
    return c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f;
}

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

}  // namespace

bool register_vfs() {
    static const bool registered = [] {
        static sqlite3_vfs vfs =
            detail::forwarding_vfs(&shim(), kName, sizeof(CryptFile), crypt_open);
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return registered;
}

void set_base(sqlite3_vfs* base) {
    shim().base.store(base ? base : detail::system_vfs(), std::memory_order_release);
}

std::string make_uri(const std::string& path, const Key* key) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string absolute = absolute_path(path);
    // "file://x" would name a host; an empty authority keeps a path that starts with "//".
    std::string uri = absolute.starts_with("//") ? "file://" : "file:";
    for (char c : absolute) {
        auto byte = static_cast<unsigned char>(c);
        if (!needs_escape(byte)) {
            uri += c;
            continue;
        }
        uri += '%';
        uri += kHex[byte >> 4];
        uri += kHex[byte & 15];
    }
    uri += "?vfs=";
    uri += kName;
    if (!key) return uri;
    uri += "&key=";
    for (uint8_t byte : *key) {
        uri += kHex[byte >> 4];
        uri += kHex[byte & 15];
    }
    return uri;
}

}  // namespace qs::vfs
