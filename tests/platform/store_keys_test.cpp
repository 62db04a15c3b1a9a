// SPDX-License-Identifier: MIT
// Key order of the record store against a model: composite keys with ascending and descending
// parts, case-insensitive 8-bit text, trailing blanks, positioning on partial key values, and
// stepping both ways across the cursor's read-ahead batches.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/record_store.h"
#include "platform/vfs.h"

namespace qs::store {
namespace {

struct Row {
    Text<12> NAME;
    uint32_t NUM = 0;
    int32_t DATE = 0;
    uint32_t SEQ = 0;
    bool operator==(const Row&) const = default;
    template <class V>
    void visit(V&& v) {
        v("NAME", NAME);
        v("NUM", NUM);
        v("DATE", DATE);
        v("SEQ", SEQ);
    }
};
enum : int { kName, kNum, kDate, kSeq };
enum : int { kSeqKey, kNameKey, kNumKey, kDateKey };

TableDecl row_decl(std::vector<KeyDecl> keys) {
    TableDecl d;
    d.fields = describe_fields<Row>();
    d.codec = make_codec<Row>();
    d.keys = std::move(keys);
    return d;
}

TableDecl keyed_rows() {
    return row_decl({{"SeqKey", {{kSeq}}, true, false},
                     {"NameKey", {{kName}, {kDate, true}, {kSeq}}, false, true},
                     {"NumKey", {{kNum, true}, {kName}}, false, false},
                     {"DateKey", {{kDate}}, false, false}});
}

int compare_field(int field, const Row& a, const Row& b, bool nocase) {
    auto order = [](auto x, auto y) {
        return x < y ? -1 : (y < x ? 1 : 0);
    };
    switch (field) {
        case kName:
            return nocase ? compare_nocase(a.NAME.view(), b.NAME.view())
                          : compare_exact(a.NAME.view(), b.NAME.view());
        case kNum: return order(a.NUM, b.NUM);
        case kDate: return order(a.DATE, b.DATE);
        default: return order(a.SEQ, b.SEQ);
    }
}

// The model of key order: the first `parts` parts of the key, each in its direction.
int compare_key(const KeyDecl& k, const Row& a, const Row& b, int parts) {
    for (int i = 0; i < parts; ++i) {
        const KeyPart& p = k.parts[static_cast<size_t>(i)];
        int c = compare_field(p.field, a, b, k.nocase);
        if (c) return p.descending ? -c : c;
    }
    return 0;
}

class TempDirectory {
public:
    TempDirectory() {
        char tmpl[] = "/tmp/qs-keys-XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    ~TempDirectory() { std::filesystem::remove_all(dir_); }
    std::string file(const char* name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

std::unique_ptr<File> make_file(Engine& engine, const std::string& path, const TableDecl& decl) {
    std::unique_ptr<File> f;
    Status st = engine.create(path, decl, {});
    EXPECT_TRUE(st) << st.text();
    EXPECT_EQ(engine.open(path, decl, {}, f, st), OpenResult::Ok) << st.text();
    return f;
}

// Names with case and accent variants, blanks at the end, letters of other scripts and a letter
// that folds to two ("ß" folds as "ss").
const char* const kNames[] = {
    "alpha", "ALPHA", "Alpha   ", "beta",    "École", "éCOLE", "zeta",
    "Zeta",  "",      "müller",   "MÜLLER",  "Škoda", "šKODA", "omega",
    "Ωμέγα", "ΩΜΈΓΑ", "Straße",   "STRASSE", "город", "ГОРОД", "東京",
};

std::vector<uint32_t> seqs(const std::vector<Row>& rows) {
    std::vector<uint32_t> out;
    for (const Row& r : rows) out.push_back(r.SEQ);
    return out;
}

// 1500 rows: more than the cursor's first batches together (16 + 32 + ... + 512 = 1008).
class StoreKeys : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(7);
        file_ = make_file(engine_, dir_.file("rows.db"), decl_);
        ASSERT_TRUE(engine_.begin({file_.get()}, 5));  // one commit, not 1500 synced ones
        for (uint32_t i = 1; i <= 1500; ++i) {
            Row r;
            r.NAME = kNames[rng() % std::size(kNames)];
            r.NUM = rng() % 40;
            r.DATE = static_cast<int32_t>(rng() % 25) - 5;
            r.SEQ = i;
            ASSERT_TRUE(file_->add(&r));
            ASSERT_EQ(file_->position(), static_cast<int64_t>(i));  // positions follow adds
            rows_.push_back(r);
        }
        ASSERT_TRUE(engine_.commit());
    }

    // Rows in the model's key order; equal keys in order of position (= SEQ here).
    std::vector<Row> ordered(int key) const {
        const KeyDecl& k = decl_.keys[static_cast<size_t>(key)];
        std::vector<Row> out = rows_;
        std::stable_sort(out.begin(), out.end(), [&](const Row& a, const Row& b) {
            return compare_key(k, a, b, static_cast<int>(k.parts.size())) < 0;
        });
        return out;
    }

    // Every key of `f` steps through the model's rows in the model's order.
    void expect_key_orders(File& f) const {
        for (int key : {kSeqKey, kNameKey, kNumKey, kDateKey}) {
            std::vector<uint32_t> forward;
            Row got;
            f.set(key);
            while (f.next(&got)) forward.push_back(got.SEQ);
            EXPECT_EQ(forward, seqs(ordered(key))) << decl_.keys[static_cast<size_t>(key)].name;
        }
    }

    TempDirectory dir_;
    TableDecl decl_ = keyed_rows();
    Engine engine_;
    std::unique_ptr<File> file_;
    std::vector<Row> rows_;
};

TEST_F(StoreKeys, StepsEveryKeyInKeyOrderBothWays) {
    for (int key : {kSeqKey, kNameKey, kNumKey, kDateKey}) {
        std::vector<uint32_t> forward, backward;
        Row r;
        file_->set(key);
        while (file_->next(&r)) forward.push_back(r.SEQ);
        file_->set(key);
        while (file_->previous(&r)) backward.push_back(r.SEQ);
        std::vector<uint32_t> expected = seqs(ordered(key));
        EXPECT_EQ(forward, expected) << decl_.keys[static_cast<size_t>(key)].name;
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(backward, expected) << decl_.keys[static_cast<size_t>(key)].name;
    }
}

TEST_F(StoreKeys, StepsReturnWholeRecordsAndTheirPositions) {
    Row r;
    file_->set(kNameKey);
    for (const Row& want : ordered(kNameKey)) {
        ASSERT_TRUE(file_->next(&r));
        ASSERT_EQ(r, want);
        ASSERT_EQ(file_->position(), static_cast<int64_t>(want.SEQ));
    }
    EXPECT_EQ(file_->next(&r).code(), Code::NotFound);
}

// A walk is a list of runs: n steps forward (n > 0) or back (n < 0). Turning round reads the
// record before (or after) the last one handed out, wherever the read-ahead had got to.
struct Walk {
    const char* name;
    std::vector<int> runs;
};

TEST_F(StoreKeys, TurnsRoundMidWayAndAcrossReadAheadBatches) {
    const Walk walks[] = {
        {"turn after the second", {2, -1, 5}},
        {"turn at the first batch end", {16, -10, 30}},
        {"turn just past the first batch", {17, -16, 40}},
        {"turn at the second batch end", {48, -40, 100}},
        {"turn inside the third batch", {60, -3, 3, -3, 3}},
        {"turn at the third batch end", {112, -100, 200}},
        {"turn at the fifth batch end", {496, -300, 700}},
        {"turn just past the fifth batch", {497, -496, 1000}},
        {"turn at the sixth batch end", {1008, -1000, 1492}},
        {"long zig-zag", {1200, -1100, 1300, -1390, 1450}},
        {"backward first", {-20, 15, -500, 300}},
    };
    for (int key : {kNameKey, kNumKey}) {
        std::vector<Row> order = ordered(key);
        const int n = static_cast<int>(order.size());
        for (const Walk& w : walks) {
            SCOPED_TRACE(std::string(w.name) + " on " + decl_.keys[static_cast<size_t>(key)].name);
            file_->set(key);
            int at = -1;  // index of the last record handed out; -1 before any
            Row r;
            for (size_t run = 0; run < w.runs.size(); ++run) {
                int steps = w.runs[run];
                bool back = steps < 0;
                if (run == 0 && back) at = n;  // a backward start begins after the last record
                for (int i = 0; i < std::abs(steps); ++i) {
                    int want = back ? at - 1 : at + 1;
                    Status st = back ? file_->previous(&r) : file_->next(&r);
                    ASSERT_TRUE(want >= 0 && want < n) << "walk leaves the file";
                    ASSERT_TRUE(st) << "run " << run << " step " << i << ": " << st.text();
                    ASSERT_EQ(r.SEQ, order[static_cast<size_t>(want)].SEQ)
                        << "run " << run << " step " << i;
                    at = want;
                }
            }
        }
    }
}

struct Probe {
    const char* name;
    Row values;
};

Row values(const char* name, uint32_t num, int32_t date, uint32_t seq) {
    Row r;
    r.NAME = name;
    r.NUM = num;
    r.DATE = date;
    r.SEQ = seq;
    return r;
}

TEST_F(StoreKeys, PositionsOnPartialAndCompleteKeyValues) {
    std::vector<Probe> probes = {
        {"before every name", values("", 0, 100, 0)},
        {"between names", values("b", 20, 0, 0)},
        {"folded accent", values("ÉCOLE", 3, 7, 700)},
        {"folded greek", values("ωμέγα", 3, 7, 700)},
        {"folded sharp s", values("strasse", 3, 7, 700)},
        {"after every name", values("\xF4\x8F\xBF\xBF", 0, -100, 0)},
        {"number beyond all", values("alpha", 1000, 0, 0)},
        {"trailing blanks", values("beta      ", 10, 3, 3)},
    };
    for (size_t i = 0; i < rows_.size(); i += 97) probes.push_back({"existing row", rows_[i]});
    for (int key : {kNameKey, kNumKey, kDateKey}) {
        const KeyDecl& k = decl_.keys[static_cast<size_t>(key)];
        std::vector<Row> order = ordered(key);
        for (const Probe& p : probes) {
            for (int parts = 1; parts <= static_cast<int>(k.parts.size()); ++parts) {
                SCOPED_TRACE(std::string(p.name) + " on " + k.name + " parts " +
                             std::to_string(parts));
                auto at_or_after = std::find_if(order.begin(), order.end(), [&](const Row& r) {
                    return compare_key(k, r, p.values, parts) >= 0;
                });
                auto at_or_before = std::find_if(order.rbegin(), order.rend(), [&](const Row& r) {
                    return compare_key(k, r, p.values, parts) <= 0;
                });
                Row r;
                file_->set(key, &p.values, parts);
                Status st = file_->next(&r);
                ASSERT_EQ(st.is_ok(), at_or_after != order.end());
                if (st) {
                    EXPECT_EQ(r.SEQ, at_or_after->SEQ);
                }
                file_->set(key, &p.values, parts);
                st = file_->previous(&r);
                ASSERT_EQ(st.is_ok(), at_or_before != order.rend());
                if (st) {
                    EXPECT_EQ(r.SEQ, at_or_before->SEQ);
                }
                auto equal = std::find_if(order.begin(), order.end(), [&](const Row& r) {
                    return compare_key(k, r, p.values, parts) == 0;
                });
                st = file_->get(key, &p.values, &r, parts);
                ASSERT_EQ(st.is_ok(), equal != order.end());
                if (st) {
                    EXPECT_EQ(r.SEQ, equal->SEQ);
                }
            }
        }
    }
}

TEST_F(StoreKeys, ContinuesKeyOrderFromARecordReadByPosition) {
    std::vector<Row> order = ordered(kNumKey);
    for (size_t i : {size_t{0}, size_t{15}, size_t{16}, size_t{700}, order.size() - 2}) {
        Row r;
        ASSERT_TRUE(file_->fetch(order[i].SEQ, &r));
        file_->set_here(kNumKey, &r);
        ASSERT_TRUE(file_->next(&r));
        EXPECT_EQ(r.SEQ, order[i + 1].SEQ) << i;
        ASSERT_TRUE(file_->fetch(order[i + 1].SEQ, &r));
        file_->set_here(kNumKey, &r);
        ASSERT_TRUE(file_->previous(&r));
        EXPECT_EQ(r.SEQ, order[i].SEQ) << i;
    }
}

// A rewrite leaves out the keys whose fields keep their values: every key must still find each
// record by what it holds afterwards, whichever fields changed, on the file's own connection and
// inside a transaction, from a fresh copy or from one older than the stored record.
TEST_F(StoreKeys, RewritesKeepEveryKeyInStepWithTheRecords) {
    struct Case {
        const char* name;
        uint32_t seq;
        void (*change)(Row&);
        uint64_t only;  // put_fields with these bits; 0: put
        bool in_transaction;
    };
    auto bit = [](int field) {
        return uint64_t{1} << field;
    };
    const Case cases[] = {
        {"name only", 10, [](Row& r) { r.NAME = "renamed"; }, 0, false},
        {"date only, in a transaction", 11, [](Row& r) { r.DATE = 77; }, 0, true},
        {"name and number", 12, [](Row& r) { r.NAME = "both", r.NUM = 99; }, 0, false},
        {"nothing", 13, [](Row&) {}, 0, false},
        {"every field but the position's", 14,
         [](Row& r) { r.NAME = "all", r.NUM = 98, r.DATE = -9; }, 0, true},
        {"only the number written", 15, [](Row& r) { r.NUM = 97; }, bit(kNum), false},
        {"only the date written, in a transaction", 16, [](Row& r) { r.DATE = 55; }, bit(kDate),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Row r;
        ASSERT_TRUE(file_->fetch(c.seq, &r));
        c.change(r);
        if (c.in_transaction) {
            ASSERT_TRUE(engine_.begin({file_.get()}, 5));
        }
        ASSERT_TRUE(c.only ? file_->put_fields(&r, c.only) : file_->put(&r));
        if (c.in_transaction) {
            ASSERT_TRUE(engine_.commit());
        }
        rows_[c.seq - 1] = r;
    }
    // A copy read before another rewrite of the same record: what it holds is what is stored.
    Row stale, fresh;
    ASSERT_TRUE(file_->fetch(20, &stale));
    ASSERT_TRUE(file_->fetch(20, &fresh));
    fresh.NUM = 96, fresh.DATE = 44;
    ASSERT_TRUE(file_->put(&fresh));
    stale.NAME = "stale";
    ASSERT_TRUE(file_->put(&stale));
    rows_[19] = stale;
    // Fields not written keep what is stored, whatever the copy holds.
    ASSERT_TRUE(file_->fetch(21, &fresh));
    Row partial = fresh;
    partial.NAME = "not written", partial.DATE = 33;
    ASSERT_TRUE(file_->put_fields(&partial, bit(kDate)));
    rows_[20].DATE = 33;

    for (const Row& want : rows_) {
        Row got;
        ASSERT_TRUE(file_->fetch(want.SEQ, &got));
        EXPECT_EQ(got, want) << want.SEQ;
    }
    expect_key_orders(*file_);
}

// Compacting rewrites the whole file: stopped at any write or sync, as a crash there stops it,
// the file holds every record and every key as before once it is opened again.
TEST_F(StoreKeys, CompactingStoppedAtAnyWriteLeavesEveryRecordAndKey) {
    file_.reset();
    const std::string original = dir_.file("rows.db"), work = dir_.file("work.db");
    vfs::FaultVfs fault;
    struct Base {
        explicit Base(sqlite3_vfs* v) { vfs::set_base(v); }
        ~Base() { vfs::set_base(nullptr); }
    } base(fault.vfs());
    auto fresh_copy = [&] {
        std::filesystem::remove(work + "-journal");
        std::filesystem::copy_file(original, work,
                                   std::filesystem::copy_options::overwrite_existing);
    };
    auto open_work = [&](Engine& engine) {
        std::unique_ptr<File> f;
        Status st;
        EXPECT_EQ(engine.open(work, decl_, {}, f, st), OpenResult::Ok) << st.text();
        return f;
    };
    int writes = 0;  // of a compaction that runs to its end
    {
        fresh_copy();
        Engine engine;
        auto f = open_work(engine);
        ASSERT_TRUE(f);
        const int before = fault.writes();
        ASSERT_TRUE(f->compact());
        writes = fault.writes() - before;
    }
    ASSERT_GT(writes, 20);
    std::vector<int> stops;
    for (int n = 1; n < writes; n += std::max(1, writes / 40)) stops.push_back(n);
    stops.insert(stops.end(), {writes - 2, writes - 1, writes});
    for (int n : stops) {
        SCOPED_TRACE("stopped at write " + std::to_string(n) + " of " + std::to_string(writes));
        fresh_copy();
        {
            Engine engine;
            auto f = open_work(engine);
            ASSERT_TRUE(f);
            fault.fail_after(n, true);
            EXPECT_FALSE(f->compact());
        }
        fault.fail_after(0);
        Engine engine;
        auto f = open_work(engine);
        ASSERT_TRUE(f);
        uint64_t count = 0;
        ASSERT_TRUE(f->count(count));
        EXPECT_EQ(count, rows_.size());
        for (const Row& want : rows_) {
            Row got;
            ASSERT_TRUE(f->fetch(want.SEQ, &got));
            ASSERT_EQ(got, want) << want.SEQ;
        }
        expect_key_orders(*f);
    }
}

struct UniqueCase {
    const char* name;
    bool nocase;
    bool unique;
    const char* first;
    const char* second;
    bool refused;
};

TEST(StoreUniqueKeys, RefuseEqualValuesAsTheKeyComparesThem) {
    const UniqueCase cases[] = {
        {"accented capital folds", true, true, "école", "ÉCOLE", true},
        {"accented capital, other letter", true, true, "école", "ÈCOLE", false},
        {"caron letters fold", true, true, "škoda", "ŠKODA", true},
        {"case and trailing blanks", true, true, "abc", "ABC   ", true},
        {"sharp s folds as ss", true, true, "straße", "STRASSE", true},
        {"greek capitals fold", true, true, "ἀρχή", "ἈΡΧΉ", true},
        {"cyrillic capitals fold", true, true, "ярость", "ЯРОСТЬ", true},
        {"a character beyond the first plane", true, true, "𐐨x", "𐐀X", true},
        {"ideographs differ", true, true, "東京", "京都", false},
        {"different words", true, true, "abc", "abd", false},
        {"exact key, trailing blanks", false, true, "abc", "abc   ", true},
        {"exact key, case differs", false, true, "abc", "ABC", false},
        {"exact key, accent case differs", false, true, "é", "É", false},
        {"duplicates allowed", true, false, "abc", "ABC", false},
    };
    for (const UniqueCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory dir;
        Engine engine;
        TableDecl decl = row_decl({{"NameKey", {{kName}}, c.unique, c.nocase}});
        auto file = make_file(engine, dir.file("u.db"), decl);
        ASSERT_TRUE(file);
        Row a = values(c.first, 1, 0, 1), b = values(c.second, 2, 0, 2);
        ASSERT_TRUE(file->add(&a));
        Status st = file->add(&b);
        EXPECT_EQ(st.code(), c.refused ? Code::Duplicate : Code::Ok) << st.text();
        uint64_t n = 0;
        ASSERT_TRUE(file->count(n));
        EXPECT_EQ(n, c.refused ? 1u : 2u);
        // Every kept record is found again by its own value, however it was spelt.
        Row r;
        EXPECT_TRUE(file->get(0, &b, &r)) << "the second spelling finds a record";
        if (!c.refused) {
            EXPECT_EQ(r.SEQ, c.unique || !c.nocase ? 2u : 1u);
        }
    }
}

TEST(StoreUniqueKeys, RefusedUpdateLeavesTheRecord) {
    TempDirectory dir;
    Engine engine;
    TableDecl decl = row_decl({{"NameKey", {{kName}}, true, true}});
    auto file = make_file(engine, dir.file("u.db"), decl);
    Row a = values("one", 1, 0, 1), b = values("two", 2, 0, 2);
    ASSERT_TRUE(file->add(&a));
    ASSERT_TRUE(file->add(&b));
    b.NAME = "ONE";
    EXPECT_EQ(file->put(&b).code(), Code::Duplicate);
    Row r;
    ASSERT_TRUE(file->fetch(2, &r));
    EXPECT_EQ(r.NAME.str(), "two");
}

TEST(StoreWithoutKeys, ReadsRecordsByPosition) {
    TempDirectory dir;
    Engine engine;
    TableDecl decl = row_decl({});
    auto file = make_file(engine, dir.file("plain.db"), decl);
    for (uint32_t i = 1; i <= 3; ++i) {
        Row r = values("row", i * 10, 0, i);
        ASSERT_TRUE(file->add(&r));
    }
    Row r;
    ASSERT_TRUE(file->fetch(1, &r));
    EXPECT_EQ(r.NUM, 10u);
    ASSERT_TRUE(file->fetch(3, &r));
    EXPECT_EQ(r.NUM, 30u);
    EXPECT_EQ(file->fetch(4, &r).code(), Code::NotFound);
    ASSERT_TRUE(file->fetch(2, &r));
    ASSERT_TRUE(file->remove());
    EXPECT_EQ(file->fetch(2, &r).code(), Code::NotFound);
    // Positions are never handed out twice, so a deleted record's position stays empty.
    Row added = values("new", 40, 0, 4);
    ASSERT_TRUE(file->add(&added));
    EXPECT_EQ(file->position(), 4);
    ASSERT_TRUE(file->fetch(1, &r));
    EXPECT_EQ(r.NUM, 10u);
}

}  // namespace
}  // namespace qs::store
