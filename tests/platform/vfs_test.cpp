// SPDX-License-Identifier: MIT
// The "qs" VFS: encrypted files read back, show no plain text, refuse wrong keys, and keep
// SQLite's all-or-nothing commits through failed writes and killed processes.
#include "platform/vfs.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/vfs_internal.h"

namespace qs::vfs {
namespace {

namespace stdfs = std::filesystem;
using Db = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

constexpr std::string_view kMarker = "QUILLSTOW-MARKER-3f9c";
// Row count and value range of the main table, and of the attached one, before and after the
// transaction under test.
std::string expected(bool attach, bool changed) {
    std::string out = changed ? "460|1|1" : "400|0|0";
    if (attach) out += changed ? " 50|1|1" : " 40|0|0";
    return out;
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// The first column of the first row, or the error message.
std::string query(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    const unsigned char* text =
        sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_text(stmt, 0) : nullptr;
    std::string out = text ? reinterpret_cast<const char*>(text) : sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return out;
}

Db open_uri(const std::string& uri, int* rc = nullptr) {
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
    int result = sqlite3_open_v2(uri.c_str(), &db, flags, nullptr);
    if (rc) *rc = result;
    return {db, sqlite3_close};
}

// Opens `uri` and reads from it: SQLITE_OK, or the first error.
int read_rc(const std::string& uri) {
    int rc = SQLITE_OK;
    Db db = open_uri(uri, &rc);
    return rc != SQLITE_OK ? rc : exec(db.get(), "SELECT count(*) FROM t");
}

// Runs the sqlite3 shell read-write on `path`; true when it could read the table.
bool shell_reads(const std::string& path) {
    std::string command = "/usr/bin/sqlite3 '" + path + "' 'SELECT count(*) FROM t' >/dev/null";
    return std::system(command.c_str()) == 0;
}

struct BaseGuard {
    explicit BaseGuard(sqlite3_vfs* base) { set_base(base); }
    ~BaseGuard() { set_base(nullptr); }
};

class VfsStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(register_vfs());
        // In memory where the system has it: these files are synced on every commit.
        char pattern[] = "/dev/shm/qs-vfs-XXXXXX";
        char fallback[] = "/tmp/qs-vfs-XXXXXX";
        const char* made = access("/dev/shm", W_OK) == 0 ? mkdtemp(pattern) : nullptr;
        if (!made) made = mkdtemp(fallback);
        ASSERT_NE(made, nullptr);
        dir_ = made;
        main_ = dir_ + "/IDX002.TPS";
        aux_ = dir_ + "/IDX003.TPS";
    }
    void TearDown() override { stdfs::remove_all(dir_); }

    // The encrypted main file, with the plain one attached as "aux" when `attach`.
    Db connect(bool attach, const Key* key) {
        Db db = open_uri(make_uri(main_, key));
        // A small cache makes SQLite spill pages into the file before the commit too.
        std::string setup = "PRAGMA journal_mode=DELETE; PRAGMA cache_size=8;";
        if (attach)
            setup = "ATTACH '" + make_uri(aux_) + "' AS aux;" + setup + "PRAGMA aux.cache_size=8;";
        if (exec(db.get(), setup) != SQLITE_OK) db.reset();
        return db;
    }
    Db connect(bool attach = false) { return connect(attach, &key_); }

    void create(bool attach, const Key* key) {
        Db db = connect(attach, key);
        std::string sql =
            "CREATE TABLE t(id INTEGER PRIMARY KEY, v INT, body TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400)"
            "INSERT INTO t SELECT i, 0, printf('%s %d %.90c', '" +
            std::string(kMarker) + "', i, '.') FROM n;";
        if (attach)
            sql +=
                "CREATE TABLE aux.a(v INT, body TEXT); INSERT INTO aux.a "
                "SELECT 0, body FROM t WHERE id <= 40;";
        ASSERT_EQ(exec(db.get(), sql), SQLITE_OK) << sqlite3_errmsg(db.get());
    }
    void create(bool attach = false) { create(attach, &key_); }

    void recreate(bool attach) {
        stdfs::remove(main_);
        stdfs::remove(aux_);
        create(attach);
    }

    // The transaction under test, ended by `end`; the first error code, or SQLITE_OK.
    static int change(sqlite3* db, bool attach, const std::string& end = "COMMIT") {
        std::string sql =
            "BEGIN; UPDATE t SET v = 1, body = body || 'new';"
            "INSERT INTO t SELECT id + 1000, 1, body FROM t WHERE id <= 60;";
        if (attach)
            sql +=
                "UPDATE aux.a SET v = 1; INSERT INTO aux.a SELECT 1, body FROM aux.a "
                "LIMIT 10;";
        int rc = exec(db, sql + end);
        if (rc != SQLITE_OK) exec(db, "ROLLBACK");
        return rc;
    }

    static std::string state(sqlite3* db, bool attach) {
        const std::string kSummary = "SELECT count(*) || '|' || min(v) || '|' || max(v) FROM ";
        std::string out = query(db, kSummary + "t");
        if (attach) out += " " + query(db, kSummary + "aux.a");
        if (query(db, "PRAGMA integrity_check") != "ok") out += " damaged main";
        if (attach && query(db, "PRAGMA aux.integrity_check") != "ok") out += " damaged aux";
        return out;
    }

    // Runs the transaction in a child that writes nothing more to disk from its Nth write or
    // sync on, and kills it once it reports: 'C' when its commit got through, 'F' when not.
    char kill_child_at(bool attach, int n) {
        int fds[2];
        if (pipe(fds) != 0) return 'E';
        pid_t pid = fork();
        if (pid == 0) run_child(fds[1], attach, n);
        close(fds[1]);
        char result = 'E';
        if (pid < 0 || read(fds[0], &result, 1) != 1) result = 'E';
        close(fds[0]);
        if (pid > 0) kill(pid, SIGKILL);
        if (pid > 0) waitpid(pid, nullptr, 0);
        return result;
    }

    [[noreturn]] void run_child(int out, bool attach, int n) {
        FaultVfs fault;
        set_base(fault.vfs());
        Db db = connect(attach);
        fault.fail_after(n, true);
        char result = !db ? 'E' : change(db.get(), attach) == SQLITE_OK ? 'C' : 'F';
        if (write(out, &result, 1) != 1) _exit(1);
        for (;;) pause();  // SIGKILL ends it with nothing closed or cleaned up
    }

    // Super-journals left in the directory; none may name its journals in plain text.
    int super_journals() {
        int count = 0;
        for (const auto& entry : stdfs::directory_iterator(dir_)) {
            if (entry.path().filename().string().find("-mj") == std::string::npos) continue;
            ++count;
            EXPECT_EQ(read_all(entry.path()).find(dir_), std::string::npos);
        }
        return count;
    }

    std::string dir_, main_, aux_;
    Key key_ = derive_key("test password");
};

// Files written by any version must stay readable: the key is SHA-256 of the salt and the
// password, the keystream AES-256 in counter mode over (nonce, block index). The expected bytes
// come from other implementations (Python's hashlib and the openssl command line).
TEST(VfsCipher, KeyAndKeystreamMatchTheStandardAlgorithms) {
    auto hex = [](const uint8_t* p, size_t n) {
        std::string s;
        char b[3];
        for (size_t i = 0; i < n; ++i) {
            std::snprintf(b, sizeof b, "%02x", p[i]);
            s += b;
        }
        return s;
    };
    Key key = derive_key("k");
    EXPECT_EQ(hex(key.data(), key.size()),
              "96adf8a679ab321a396a517ee6a9925ecf3fba0c55b99867b079a4a20a1d9fa4");
    auto cipher = detail::Cipher::create(key, 1);
    ASSERT_TRUE(cipher);
    std::vector<uint8_t> zeros(48), stream(48);
    ASSERT_TRUE(cipher->apply(zeros.data(), stream.data(), 48, 0));
    EXPECT_EQ(hex(stream.data(), stream.size()),
              "818761a0dbf6f653e6b7e18e1bfce91931adb5ce567558f2af3e421fae066351"
              "b8e9f506612090b915ff9d2308fb99f8");
}

TEST(VfsCipher, AnyRangeMatchesTheKeystreamOfTheWholeFile) {
    auto cipher = detail::Cipher::create(derive_key("k"), 1);
    auto other_stream = detail::Cipher::create(derive_key("k"), 2);
    ASSERT_TRUE(cipher && other_stream);
    std::vector<uint8_t> zeros(4300), whole(4300), other(4300);
    ASSERT_TRUE(cipher->apply(zeros.data(), whole.data(), 4300, 0));
    ASSERT_TRUE(other_stream->apply(zeros.data(), other.data(), 4300, 0));
    EXPECT_NE(whole, other);
    struct Range {
        int offset, size;
    } const kRanges[] = {{0, 1}, {1, 15}, {15, 2}, {16, 16}, {17, 100}, {4095, 7}, {4000, 300}};
    for (Range r : kRanges) {
        std::vector<uint8_t> part(static_cast<size_t>(r.size));
        ASSERT_TRUE(cipher->apply(zeros.data(), part.data(), r.size, r.offset));
        EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + r.offset))
            << r.offset << "+" << r.size;
    }
}

TEST(VfsUri, EscapesWhatUrisReserve) {
    struct Row {
        std::string path, uri;
    } const kRows[] = {
        {"/data/IDX002.TPS", "file:/data/IDX002.TPS?vfs=qs"},
        {"/data/50% off?#1 x", "file:/data/50%25 off%3F%231 x?vfs=qs"},
        {"/data/caf\xc3\xa9\t", "file:/data/caf%C3%A9%09?vfs=qs"},
        {"//server/x", "file:////server/x?vfs=qs"},
        {"rel/x", "file:" + stdfs::current_path().string() + "/rel/x?vfs=qs"},
    };
    for (const Row& row : kRows) EXPECT_EQ(make_uri(row.path), row.uri);
    Key key{};
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 8);
    EXPECT_EQ(make_uri("/d/x", &key),
              "file:/d/x?vfs=qs&key=0008101820283038404850586068707880889098A0A8B0B8C0C8D0D8E0E8"
              "F0F8");
}

TEST_F(VfsStore, EncryptedFileReadsBackAndShowsNoPlainText) {
    create();
    std::string bytes = read_all(main_);
    EXPECT_GT(bytes.size(), 40000u);
    EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos);
    EXPECT_EQ(bytes.find(kMarker), std::string::npos);
    EXPECT_FALSE(shell_reads(main_));
    Db db = connect();
    // A memory map would hand SQLite the cipher text.
    ASSERT_EQ(exec(db.get(), "PRAGMA mmap_size = 1000000"), SQLITE_OK);
    EXPECT_EQ(state(db.get(), false), expected(false, false));
    EXPECT_EQ(query(db.get(), "SELECT body FROM t WHERE id = 7"),
              std::string(kMarker) + " 7 " + std::string(90, '.'));
    // VACUUM builds its copy in a scratch file, which has a throwaway key of its own.
    ASSERT_EQ(exec(db.get(), "DELETE FROM t WHERE id % 4 = 0; VACUUM"), SQLITE_OK);
    EXPECT_EQ(query(db.get(), "SELECT count(*) FROM t WHERE body LIKE '%MARKER%'"), "300");
    EXPECT_EQ(query(db.get(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(read_all(main_).find(kMarker), std::string::npos);
}

// Guards the test above against a search that can never succeed.
TEST_F(VfsStore, FileWithoutKeyStaysPlain) {
    create(false, nullptr);
    std::string bytes = read_all(main_);
    EXPECT_EQ(bytes.rfind("SQLite format 3", 0), 0u);
    EXPECT_NE(bytes.find(kMarker), std::string::npos);
    EXPECT_TRUE(shell_reads(main_));
}

// SQLite reads past the end of files, journals above all, and counts on zeros there.
TEST_F(VfsStore, ReadPastTheEndGivesPlainTextThenZeros) {
    std::string hex = make_uri(main_, &key_).substr(make_uri(main_).size() + 5);  // after &key=
    const char* params[] = {"key", hex.c_str()};
    sqlite3_filename name = sqlite3_create_filename(main_.c_str(), (main_ + "-journal").c_str(),
                                                    (main_ + "-wal").c_str(), 1, params);
    sqlite3_vfs* vfs = sqlite3_vfs_find(kName);
    auto* file = static_cast<sqlite3_file*>(sqlite3_malloc(vfs->szOsFile));
    int flags = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_CREATE | SQLITE_OPEN_READWRITE;
    ASSERT_EQ(vfs->xOpen(vfs, name, file, flags, &flags), SQLITE_OK);
    const std::string text = "seventeen bytes!!";
    EXPECT_EQ(file->pMethods->xWrite(file, text.data(), 17, 0), SQLITE_OK);
    std::string back(40, '?');
    EXPECT_EQ(file->pMethods->xRead(file, back.data(), 40, 0), SQLITE_IOERR_SHORT_READ);
    EXPECT_EQ(back, text + std::string(23, '\0'));
    EXPECT_EQ(file->pMethods->xRead(file, back.data(), 20, 9), SQLITE_IOERR_SHORT_READ);
    EXPECT_EQ(back.substr(0, 20), text.substr(9) + std::string(12, '\0'));
    file->pMethods->xClose(file);
    sqlite3_free(file);
    sqlite3_free_filename(name);
    EXPECT_EQ(read_all(main_).size(), 17u);
    EXPECT_NE(read_all(main_), text);
}

// Pages read ahead of a pass must never hide a later commit of another connection, nor the
// reader's own writes: after each change the reader's pass finds what a new connection finds.
TEST_F(VfsStore, PassesSeeEveryCommitOfAnyConnection) {
    create();
    Db reader = connect(), writer = connect();
    // About a hundred pages, so that a pass reads several windows and ends inside the last.
    ASSERT_EQ(exec(writer.get(),
                   "INSERT INTO t SELECT id + 1000, 0, body FROM t;"
                   "INSERT INTO t SELECT id + 2000, 0, body FROM t;"),
              SQLITE_OK);
    const std::string pass = "SELECT count(*) || '|' || sum(v) || '|' || sum(length(body)) FROM t";
    const struct {
        Db* by;
        const char* sql;
    } changes[] = {
        {&writer, "UPDATE t SET v = 1, body = body || 'x'"},
        {&writer, "UPDATE t SET v = 2 WHERE id > 2000"},
        {&reader, "UPDATE t SET v = 3, body = substr(body, 2) WHERE id % 2 = 0"},
        {&writer, "DELETE FROM t WHERE id > 2300"},
    };
    std::string before = query(reader.get(), pass);
    for (const auto& change : changes) {
        ASSERT_EQ(exec(reader.get(), "BEGIN"), SQLITE_OK);
        EXPECT_EQ(query(reader.get(), pass), before);
        ASSERT_EQ(exec(reader.get(), "COMMIT"), SQLITE_OK);
        ASSERT_EQ(exec(change.by->get(), change.sql), SQLITE_OK);
        const std::string now = query(reader.get(), pass);
        EXPECT_EQ(now, query(connect().get(), pass)) << change.sql;
        EXPECT_NE(now, before) << change.sql;
        before = now;
    }
    EXPECT_EQ(query(reader.get(), "PRAGMA integrity_check"), "ok");
}

TEST_F(VfsStore, WrongMissingOrMalformedKeyCannotRead) {
    create();
    Key wrong = derive_key("other password");
    EXPECT_EQ(read_rc(make_uri(main_, &wrong)), SQLITE_NOTADB);
    EXPECT_EQ(read_rc(make_uri(main_)), SQLITE_NOTADB);
    EXPECT_EQ(read_rc(make_uri(main_) + "&key=00ff"), SQLITE_CANTOPEN);
    EXPECT_EQ(read_rc(make_uri(main_, &key_)), SQLITE_OK);
}

TEST_F(VfsStore, NamesThatUrisReserveOpenTheNamedFile) {
    main_ = dir_ + "/50% off?#caf\xc3\xa9.TPS";
    create();
    EXPECT_TRUE(stdfs::exists(main_));
    EXPECT_EQ(stdfs::directory_iterator(dir_)->path().string(), main_);
}

TEST_F(VfsStore, AttachedPlainFileCommitsAndRollsBackWithTheEncryptedOne) {
    create(true);
    Db db = connect(true);
    ASSERT_EQ(change(db.get(), true, "ROLLBACK"), SQLITE_OK);
    EXPECT_EQ(state(db.get(), true), expected(true, false));
    ASSERT_EQ(change(db.get(), true), SQLITE_OK);
    db = connect(true);
    EXPECT_EQ(state(db.get(), true), expected(true, true));
    EXPECT_NE(read_all(aux_).find(kMarker), std::string::npos);
    EXPECT_EQ(read_all(main_).find(kMarker), std::string::npos);
}

// Fails each write or sync in turn, once or for good, until the transaction gets through.
TEST_F(VfsStore, FailedWriteOrSyncLeavesTheOldState) {
    FaultVfs fault;
    BaseGuard guard(fault.vfs());
    for (bool sticky : {false, true}) {
        recreate(true);
        int failures = 0;
        for (int n = 1;; ++n, ++failures) {
            ASSERT_LT(n, 1000) << "the transaction never got through";
            Db db = connect(true);
            fault.fail_after(n, sticky);
            int rc = change(db.get(), true);
            db.reset();  // while writes still fail, so a sticky failure leaves a hot journal
            fault.fail_after(0);
            db = connect(true);
            EXPECT_EQ(state(db.get(), true), expected(true, rc == SQLITE_OK))
                << "operation " << n << (sticky ? " and all after it" : "") << " failed";
            if (rc == SQLITE_OK) break;
            EXPECT_EQ(rc & 0xff, SQLITE_IOERR) << sqlite3_errstr(rc);
        }
        EXPECT_GT(failures, 20);
    }
}

TEST_F(VfsStore, FaultVfsFailsOnceOrForGood) {
    FaultVfs fault;
    BaseGuard guard(fault.vfs());
    create();
    const std::string kInsert = "INSERT INTO t VALUES(9999, 0, 'x'); DELETE FROM t WHERE id = 9999";
    for (bool sticky : {false, true}) {
        Db db = connect();
        int before = fault.writes();
        fault.fail_after(1, sticky);
        EXPECT_EQ(exec(db.get(), kInsert) & 0xff, SQLITE_IOERR);
        EXPECT_EQ(exec(db.get(), kInsert) == SQLITE_OK, !sticky);
        EXPECT_GT(fault.writes(), before + 1);
        fault.fail_after(0);
    }
}

// A writer killed anywhere in its transaction leaves the old state or the new one, never a mix,
// and tools without the key cannot spoil the recovery.
TEST_F(VfsStore, KilledWriterLeavesTheOldOrTheNewState) {
    Key wrong = derive_key("other password");
    for (bool attach : {false, true}) {
        SCOPED_TRACE(attach ? "with a plain file attached" : "alone");
        recreate(attach);
        const std::string old_bytes = read_all(main_);
        int rolled_back = 0, supers = 0;
        for (int n = 1;; n += 1 + n / 8) {
            ASSERT_LT(n, 5000) << "the transaction never got through";
            char result = kill_child_at(attach, n);
            ASSERT_NE(result, 'E');
            if (stdfs::exists(main_ + "-journal")) {
                EXPECT_EQ(read_all(main_ + "-journal").find(kMarker), std::string::npos);
                EXPECT_FALSE(shell_reads(main_));
                EXPECT_EQ(read_rc(make_uri(main_, &wrong)), SQLITE_NOTADB);
            }
            supers += super_journals();
            rolled_back += result == 'F' && read_all(main_) != old_bytes;
            Db db = connect(attach);
            EXPECT_EQ(state(db.get(), attach), expected(attach, result == 'C'))
                << "killed at operation " << n;
            if (result == 'C') break;
        }
        EXPECT_GT(rolled_back, 2) << "no kill hit the database file itself";
        if (attach) {
            EXPECT_GT(supers, 0) << "no kill hit the multi-file commit";
        }
    }
}

}  // namespace
}  // namespace qs::vfs
