// SPDX-License-Identifier: MIT
// The record layer against plain SQLite on the same schema: adds MsgNmbr headers in commits of
// 400 records, then reads all of them along each of the file's 7 keys, once through the session
// (OP_CLOSE, UppDat, Set/Next) and once with hand-written statements on a file made with the
// same table and index definitions, journal mode, sync level and key collation.
//
//   store_bench [RECORDS=1000000] [WORK_DIR=$TMPDIR or /tmp]
#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/store_sql.h"
#include "storage/file_access.h"
#include "tests/support/recording_dialog.h"

namespace {

using qs::MsgNmbr;
using Clock = std::chrono::steady_clock;
constexpr int kBatch = 400;
constexpr int kKeys = 7;

// Wall time, and the processor time of this process: on a busy machine the second still tells
// what the work itself costs.
struct Span {
    double wall = 0;
    double cpu = 0;
};

double cpu_now() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

class Stopwatch {
public:
    Span stop() const {
        return {std::chrono::duration<double>(Clock::now() - wall_).count(), cpu_now() - cpu_};
    }

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = cpu_now();
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "store_bench: %s\n", what.c_str());
    std::exit(1);
}

// Headers as an import leaves them: numbers ascending, a few thousand correspondents and
// threads, names in mixed case with some accented letters.
std::vector<MsgNmbr> make_headers(int n) {
    std::mt19937 rng(1234);
    const char* names[] = {"Smith",     "jones",  "M\xFCller", "\xC9tienne", "Brown",    "o'Neill",
                           "Garc\355a", "NGUYEN", "Weber",     "Rossi",      "Kowalski", "Dupont"};
    std::vector<MsgNmbr> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        MsgNmbr& m = out[static_cast<size_t>(i)];
        uint32_t from = rng() % 4000, to = rng() % 4000, thread = static_cast<uint32_t>(i) / 9;
        m.MSGNUMBER = 100000 + static_cast<uint32_t>(i);
        m.SECSYSID = 250000 + thread % 40;
        m.REFNUMBER = i % 9 ? m.MSGNUMBER - 1 : m.MSGNUMBER;
        m.THREADNUMBER = 300000 + thread;
        m.THREADALPHA = std::string(names[thread % 12]) + std::to_string(thread % 1000);
        m.FROMID = 400000 + from;
        m.FROMALPHA = std::string(names[from % 12]) + std::to_string(from % 100);
        m.TOID = 400000 + to;
        m.TOALPHA = std::string(names[to % 12]) + std::to_string(to % 100);
        m.DATE = 70000 + i / 300 + static_cast<int32_t>(rng() % 3);
        m.DUMMY = static_cast<uint8_t>(rng() % 10 == 0);
    }
    return out;
}

struct Figures {
    Span add;
    Span step[kKeys];
    uint64_t read[kKeys] = {};
};

// The record layer, as the import and the lists use it.
Figures run_record_layer(const std::string& home, const std::vector<MsgNmbr>& headers) {
    qs::RecordingDialog dialog;
    qs::SystemClock clock;
    qs::Session s(dialog, clock);
    s.mem.Net = s.mem.FileDir = s.MasIdxPath = home;
    s.mem.TempDir = home;
    s.mem.Dirnamn = "F1";
    qs::fs::make_dirs(home + "/F1");
    qs::OP_CLOSE(s, qs::kOpOpen, {qs::kMsgNmbr});
    Figures f;
    Stopwatch watch;
    for (size_t i = 0; i < headers.size(); i += kBatch) {
        if (qs::TransactionCheck(s, qs::BeginTransaction(s, {qs::kMsgNmbr}))) fail("begin");
        for (size_t j = i; j < std::min(headers.size(), i + kBatch); ++j) {
            s.rec.MsgNmbr = headers[j];
            if (!qs::UppDat(s, qs::kMsgNmbr, qs::kAdd, qs::kRollback)) fail("add");
        }
        if (!qs::Commit(s)) fail("commit");
    }
    f.add = watch.stop();
    for (int k = 0; k < kKeys; ++k) {
        Stopwatch step;
        qs::Set(s, qs::kMsgNmbr, k);
        while (qs::Next(s, qs::kMsgNmbr)) ++f.read[k];
        f.step[k] = step.stop();
    }
    qs::OP_CLOSE(s, qs::kOpClose, {qs::kMsgNmbr});
    return f;
}

int collate(void*, int na, const void* a, int nb, const void* b) {
    return qs::compare_nocase({static_cast<const char*>(a), static_cast<size_t>(na)},
                              {static_cast<const char*>(b), static_cast<size_t>(nb)});
}

void exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK)
        fail(sql + ": " + (err ? err : "?"));
}

sqlite3_stmt* prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
        fail(sql + ": " + sqlite3_errmsg(db));
    return s;
}

void bind_text(sqlite3_stmt* s, int p, std::string_view v) {
    v = qs::trim_right(v);
    sqlite3_bind_text(s, p, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
}

void bind_header(sqlite3_stmt* s, const MsgNmbr& m) {
    sqlite3_bind_int64(s, 1, m.MSGNUMBER);
    sqlite3_bind_int64(s, 2, m.SECSYSID);
    sqlite3_bind_int64(s, 3, m.REFNUMBER);
    sqlite3_bind_int64(s, 4, m.THREADNUMBER);
    bind_text(s, 5, m.THREADALPHA.view());
    sqlite3_bind_int64(s, 6, m.FROMID);
    bind_text(s, 7, m.FROMALPHA.view());
    sqlite3_bind_int64(s, 8, m.TOID);
    bind_text(s, 9, m.TOALPHA.view());
    sqlite3_bind_int(s, 10, m.DATE);
    sqlite3_bind_int(s, 11, m.DUMMY);
    sqlite3_bind_int(s, 12, m.FG);
}

template <size_t N>
void read_text(sqlite3_stmt* s, int c, qs::Text<N>& t) {
    t.assign({reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
              static_cast<size_t>(sqlite3_column_bytes(s, c))});
}

void read_header(sqlite3_stmt* s, MsgNmbr& m) {
    m.MSGNUMBER = static_cast<uint32_t>(sqlite3_column_int64(s, 1));
    m.SECSYSID = static_cast<uint32_t>(sqlite3_column_int64(s, 2));
    m.REFNUMBER = static_cast<uint32_t>(sqlite3_column_int64(s, 3));
    m.THREADNUMBER = static_cast<uint32_t>(sqlite3_column_int64(s, 4));
    read_text(s, 5, m.THREADALPHA);
    m.FROMID = static_cast<uint32_t>(sqlite3_column_int64(s, 6));
    read_text(s, 7, m.FROMALPHA);
    m.TOID = static_cast<uint32_t>(sqlite3_column_int64(s, 8));
    read_text(s, 9, m.TOALPHA);
    m.DATE = sqlite3_column_int(s, 10);
    m.DUMMY = static_cast<uint8_t>(sqlite3_column_int(s, 11));
    m.FG = static_cast<uint8_t>(sqlite3_column_int(s, 12));
}

std::string order_by(const qs::store::TableDecl& d, int key) {
    const auto& k = d.keys[static_cast<size_t>(key)];
    std::string s;
    for (const auto& p : k.parts) {
        const auto& f = d.fields[static_cast<size_t>(p.field)];
        s += "\"" + f.name + "\"";
        if (k.nocase && f.type == qs::store::FieldType::Text) s += " COLLATE QSNOCASE";
        s += p.descending ? " DESC, " : ", ";
    }
    return s + "pos";
}

// The same work with plain statements: one connection, one insert, one query per key.
Figures run_plain(const std::string& path, const std::vector<MsgNmbr>& headers) {
    const qs::store::TableDecl& d = qs::file_info(qs::kMsgNmbr)->decl;
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) fail("open " + path);
    sqlite3_create_collation(db, qs::store::kNoCase, SQLITE_UTF8, nullptr, collate);
    // The store's settings: rollback journal, full sync, its page cache and memory map.
    exec(db,
         "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536;"
         "PRAGMA mmap_size=1073741824;");
    exec(db, qs::store::create_table_sql(d));
    for (int k = 0; k < kKeys; ++k) exec(db, qs::store::create_index_sql(d, k));
    std::string cols = qs::store::column_list(d).substr(5);  // without "pos, "
    sqlite3_stmt* insert =
        prepare(db, "INSERT INTO rec(" + cols + ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    Figures f;
    Stopwatch watch;
    for (size_t i = 0; i < headers.size(); i += kBatch) {
        exec(db, "BEGIN IMMEDIATE");
        for (size_t j = i; j < std::min(headers.size(), i + kBatch); ++j) {
            bind_header(insert, headers[j]);
            if (sqlite3_step(insert) != SQLITE_DONE) fail("insert");
            sqlite3_reset(insert);
        }
        exec(db, "COMMIT");
    }
    f.add = watch.stop();
    sqlite3_finalize(insert);
    MsgNmbr m;
    for (int k = 0; k < kKeys; ++k) {
        std::string sql = "SELECT pos, " + cols + " FROM rec ORDER BY " + order_by(d, k);
        sqlite3_stmt* q = prepare(db, sql);
        Stopwatch step;
        while (sqlite3_step(q) == SQLITE_ROW) {
            read_header(q, m);
            ++f.read[k];
        }
        f.step[k] = step.stop();
        sqlite3_finalize(q);
    }
    sqlite3_close(db);
    return f;
}

void print_row(const std::string& phase, Span layer, Span plain) {
    std::printf("%-18s %9.2f %9.2f %6.2f  %9.2f %9.2f %6.2f\n", phase.c_str(), layer.wall,
                plain.wall, plain.wall > 0 ? layer.wall / plain.wall : 0, layer.cpu, plain.cpu,
                plain.cpu > 0 ? layer.cpu / plain.cpu : 0);
}

void print(const Figures& layer, const Figures& plain, size_t n) {
    const auto& keys = qs::file_info(qs::kMsgNmbr)->decl.keys;
    std::printf("%zu MsgNmbr headers, commits of %d; seconds (wall, then processor)\n\n", n,
                kBatch);
    std::printf("%-18s %9s %9s %6s  %9s %9s %6s\n", "phase", "layer", "sqlite", "ratio",
                "layer cpu", "sqlite cpu", "ratio");
    print_row("add", layer.add, plain.add);
    Span all_layer, all_plain;
    for (int k = 0; k < kKeys; ++k) {
        print_row("step " + keys[static_cast<size_t>(k)].name, layer.step[k], plain.step[k]);
        all_layer.wall += layer.step[k].wall;
        all_layer.cpu += layer.step[k].cpu;
        all_plain.wall += plain.step[k].wall;
        all_plain.cpu += plain.step[k].cpu;
        if (layer.read[k] != n || plain.read[k] != n)
            fail("key " + keys[static_cast<size_t>(k)].name + " did not read every record");
    }
    print_row("step, all keys", all_layer, all_plain);
}

}  // namespace

int main(int argc, char** argv) {
    int n = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = argc > 2 ? argv[2] : (tmpdir && *tmpdir ? tmpdir : "/tmp");
    std::string tmpl = base + "/qs-store-bench-XXXXXX";
    if (n <= 0 || !mkdtemp(tmpl.data())) fail("usage: store_bench [RECORDS] [WORK_DIR]");
    std::vector<MsgNmbr> headers = make_headers(n);
    Figures layer = run_record_layer(tmpl, headers);
    Figures plain = run_plain(tmpl + "/plain.db", headers);
    print(layer, plain, headers.size());
    std::filesystem::remove_all(tmpl);
    return 0;
}
