// SPDX-License-Identifier: MIT
// Reading without paying for each read: snapshots that give way to writes and transactions,
// keys that carry the whole record, and the checks on open that keep a file's journal a
// rollback journal.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/record_store.h"
#include "platform/vfs.h"

namespace qs::store {
namespace {

struct Entry {
    uint32_t SYSID = 0;
    uint32_t WORDID = 0;
    bool operator==(const Entry&) const = default;
    template <class V>
    void visit(V&& v) {
        v("SYSID", SYSID);
        v("WORDID", WORDID);
    }
};

TableDecl entries(bool covering) {
    TableDecl d;
    d.fields = describe_fields<Entry>();
    d.codec = make_codec<Entry>();
    d.keys = {{"by_SysID", {{0}, {1}}, true, false}, {"by_WordId", {{1}}, false, false, covering}};
    return d;
}

class StoreReading : public ::testing::Test {
protected:
    StoreReading() {
        char tmpl[] = "/tmp/qs-reading-XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    ~StoreReading() override { std::filesystem::remove_all(dir_); }

    std::unique_ptr<File> open(Engine& engine, const TableDecl& decl,
                               OpenResult want = OpenResult::Ok) {
        std::unique_ptr<File> f;
        Status st;
        EXPECT_EQ(engine.open(path(), decl, {}, f, st), want) << st.text();
        return f;
    }
    std::unique_ptr<File> make(Engine& engine, const TableDecl& decl) {
        EXPECT_TRUE(engine.create(path(), decl, {}));
        return open(engine, decl);
    }
    std::string path() const { return dir_ + "/entries.db"; }
    std::string raw_query(const char* sql) const {
        sqlite3* db = nullptr;
        sqlite3_open(path().c_str(), &db);
        std::string out;
        sqlite3_exec(
            db, sql,
            [](void* o, int, char** v, char**) {
                *static_cast<std::string*>(o) = v[0] ? v[0] : "";
                return 0;
            },
            &out, nullptr);
        sqlite3_close(db);
        return out;
    }

    std::string dir_;
};

TEST_F(StoreReading, SnapshotGivesWayToOwnWritesAndTransactionsButHoldsOffOthers) {
    Engine engine, other;
    TableDecl decl = entries(false);
    auto f = make(engine, decl);
    Entry e{1, 10};
    ASSERT_TRUE(f->add(&e));

    ASSERT_TRUE(f->begin_reading());
    Entry r;
    ASSERT_TRUE(f->get(0, &e, &r));
    EXPECT_EQ(r, e);
    // Another user's commit waits for the snapshot (here: not at all, so it fails).
    auto g = open(other, decl);
    ASSERT_TRUE(other.begin({g.get()}, 0));
    Entry e2{2, 20};
    ASSERT_TRUE(g->add(&e2));
    EXPECT_FALSE(other.commit());

    // The handle's own write ends the snapshot and stays.
    Entry e3{3, 30};
    ASSERT_TRUE(f->add(&e3));
    EXPECT_FALSE(f->reading());
    ASSERT_TRUE(other.begin({g.get()}, 0));
    ASSERT_TRUE(g->add(&e2));
    EXPECT_TRUE(other.commit());

    // So does a transaction of its own engine over the file.
    ASSERT_TRUE(f->begin_reading());
    ASSERT_TRUE(engine.begin({f.get()}, 0));
    Entry e4{4, 40};
    ASSERT_TRUE(f->add(&e4));
    EXPECT_TRUE(engine.commit());
    f->end_reading();  // harmless when already ended
    uint64_t n = 0;
    ASSERT_TRUE(f->count(n));
    EXPECT_EQ(n, 4u);
}

TEST_F(StoreReading, CoveringKeyKeepsKeyThenPositionOrderAndNeedsNoRecords) {
    Engine engine;
    TableDecl decl = entries(true);
    auto f = make(engine, decl);
    const Entry adds[] = {{5, 2}, {1, 2}, {9, 1}, {3, 2}, {2, 1}};
    for (Entry e : adds) ASSERT_TRUE(f->add(&e));
    for (bool once : {false, true}) {
        f->read_once(once);
        std::vector<uint32_t> order;
        Entry r;
        f->set(1);
        while (f->next(&r)) order.push_back(r.SYSID);
        EXPECT_EQ(order, (std::vector<uint32_t>{9, 2, 5, 1, 3})) << once;
    }
    EXPECT_NE(f->plan(1, false).find("COVERING INDEX"), std::string::npos) << f->plan(1, false);
    EXPECT_NE(f->plan(1, true).find("COVERING INDEX"), std::string::npos) << f->plan(1, true);
}

struct Named {
    Text<20> NAME;
    int32_t RANK = 0;
    bool operator==(const Named&) const = default;
    template <class V>
    void visit(V&& v) {
        v("NAME", NAME);
        v("RANK", RANK);
    }
};

// A field pass reads what reading whole records reads, in the same order: position order, or
// key order from a value on, with the key's own collation and direction.
TEST_F(StoreReading, FieldPassesReadWhatRecordReadsRead) {
    Engine engine;
    TableDecl decl;
    decl.fields = describe_fields<Named>();
    decl.codec = make_codec<Named>();
    decl.keys = {{"by_Name", {{0}}, false, true}, {"by_Rank", {{1, true}}, false, false}};
    auto f = make(engine, decl);
    auto named = [](std::string_view name, int32_t rank) {
        Named n;
        n.NAME = name;
        n.RANK = rank;
        return n;
    };
    const Named adds[] = {named("beta", 3),   named("Alpha", 1),  named("alpha", 2),
                          named("Gamma", 2),  named("ÉCLAIR", 5), named("éclair", 4),
                          named("delta  ", 7)};
    for (Named n : adds) ASSERT_TRUE(f->add(&n));
    using Rows = std::vector<std::tuple<int64_t, std::string, int64_t>>;
    auto by_fields = [&](Rows& out) {
        return [&out](const FieldRow& row) {
            out.emplace_back(row.position(), std::string(row.text(0)), row.number(1));
            return true;
        };
    };
    Rows records, fields;
    ASSERT_TRUE(f->scan([&](int64_t pos, const void* rec) {
        const auto& n = *static_cast<const Named*>(rec);
        records.emplace_back(pos, n.NAME.str(), n.RANK);
        return true;
    }));
    ASSERT_TRUE(f->scan_fields({0, 1}, by_fields(fields)));
    EXPECT_EQ(fields, records);
    ASSERT_EQ(fields.size(), std::size(adds));

    const std::pair<int, Named> froms[] = {
        {0, named("", 0)},    {0, named("ALPHA", 0)}, {0, named("b", 0)}, {0, named("éC", 0)},
        {0, named("zzz", 0)}, {1, named("", 9)},      {1, named("", 4)},  {1, named("", 0)}};
    for (const auto& [key, from] : froms) {
        Rows keyed, passed;
        Named r;
        f->set(key, &from, 1);
        while (f->next(&r)) keyed.emplace_back(f->position(), r.NAME.str(), r.RANK);
        ASSERT_TRUE(f->scan_fields_from(key, &from, {0, 1}, by_fields(passed)));
        EXPECT_EQ(passed, keyed) << key << " " << from.NAME.str() << " " << from.RANK;
    }
}

TEST_F(StoreReading, FileWithTheOlderNarrowKeyIsReportedForRebuild) {
    Engine engine;
    TableDecl narrow = entries(false);  // a file keeps its declaration, which must outlive it
    auto old = make(engine, narrow);
    Entry e{7, 70};
    ASSERT_TRUE(old->add(&e));
    old.reset();
    TableDecl wide = entries(true);
    open(engine, wide, OpenResult::BadKeys);
    ASSERT_TRUE(engine.rebuild_keys(path(), wide, {}));
    auto f = open(engine, wide);
    ASSERT_TRUE(f);
    Entry r;
    ASSERT_TRUE(f->get(1, &e, &r, 1));
    EXPECT_EQ(r, e);
}

TEST_F(StoreReading, FileSwitchedToAWriteAheadLogGetsItsRollbackJournalBack) {
    Engine engine;
    TableDecl decl = entries(false);
    make(engine, decl).reset();
    ASSERT_EQ(raw_query("PRAGMA journal_mode=WAL"), "wal");
    auto f = open(engine, decl);
    ASSERT_TRUE(f);
    f.reset();
    EXPECT_EQ(raw_query("PRAGMA journal_mode"), "delete");
}

// Records added many to a statement: each once, in order, across the statements' edges (64
// records each for two fields); a duplicate key inside a statement leaves nothing after rollback.
TEST_F(StoreReading, AddAllKeepsEveryRecordOnceInOrderAndAllOrNone) {
    Engine engine;
    TableDecl decl = entries(false);
    auto f = make(engine, decl);
    auto file_order = [&] {
        std::vector<Entry> out;
        EXPECT_TRUE(f->scan([&](int64_t, const void* r) {
            out.push_back(*static_cast<const Entry*>(r));
            return true;
        }));
        return out;
    };
    for (uint32_t n : {0u, 1u, 63u, 64u, 65u, 129u, 1000u}) {
        ASSERT_TRUE(f->empty());
        std::vector<Entry> recs;
        for (uint32_t i = 0; i < n; ++i) recs.push_back({n * 10 - i, i});  // not in key order
        std::vector<const void*> order;
        for (const Entry& e : recs) order.push_back(&e);
        ASSERT_TRUE(f->add_all(order)) << n;
        ASSERT_EQ(file_order(), recs) << n;
        Entry current;
        if (n == 0) continue;
        ASSERT_TRUE(f->fetch(f->position(), &current));
        EXPECT_EQ(current, recs.back()) << "the last one added is current";
    }
    ASSERT_TRUE(f->empty());
    Entry kept{7, 0};
    ASSERT_TRUE(f->add(&kept));
    std::vector<Entry> recs;
    for (uint32_t i = 0; i < 100; ++i) recs.push_back({i == 70 ? 7 : 1000 + i, 0});
    std::vector<const void*> order;
    for (const Entry& e : recs) order.push_back(&e);
    ASSERT_TRUE(engine.begin({f.get()}, 0));
    EXPECT_EQ(f->add_all(order).code(), Code::Duplicate);
    engine.rollback();
    EXPECT_EQ(file_order(), std::vector<Entry>{kept});
}

// Records placed at chosen positions: below zero they come first in file order, in their
// positions' order, and the positions add gives go on above every other; a taken position, and
// 0, are refused and leave the file as it was.
TEST_F(StoreReading, AddAtPlacesRecordsBeforeThoseAddedAndRefusesATakenPosition) {
    Engine engine;
    const TableDecl decl = entries(false);
    auto f = make(engine, decl);
    Entry a{1, 0}, b{2, 0}, c{3, 0}, d{4, 0}, e{5, 0};
    ASSERT_TRUE(f->add_at(-5, &a));
    EXPECT_EQ(f->position(), -5);
    ASSERT_TRUE(f->add(&b));
    EXPECT_GT(f->position(), 0);
    ASSERT_TRUE(f->add_at(-9, &c));
    ASSERT_TRUE(f->add(&d));
    const int64_t last = f->position();
    EXPECT_EQ(f->add_at(-9, &e).code(), Code::Duplicate);
    EXPECT_EQ(f->add_at(0, &e).code(), Code::Invalid);
    EXPECT_EQ(f->add_at(-1, &a).code(), Code::Duplicate);  // the unique key refuses it
    std::vector<std::pair<int64_t, uint32_t>> order;
    ASSERT_TRUE(f->scan([&](int64_t pos, const void* r) {
        order.emplace_back(pos, static_cast<const Entry*>(r)->SYSID);
        return true;
    }));
    const std::vector<std::pair<int64_t, uint32_t>> want = {
        {-9, 3}, {-5, 1}, {last - 1, 2}, {last, 4}};
    EXPECT_EQ(order, want);
    Entry read;
    ASSERT_TRUE(f->fetch(-9, &read));
    EXPECT_EQ(read, c);
}

struct Header {
    uint32_t ID = 0;
    int32_t DATE = 0;
    Text<10> NAME;
    bool operator==(const Header&) const = default;
    template <class V>
    void visit(V&& v) {
        v("ID", ID);
        v("DATE", DATE);
        v("NAME", NAME);
    }
};

TEST_F(StoreReading, ReadFieldsGivesTheAskedFieldsOfTheFirstRecordOfEachValue) {
    Engine engine;
    TableDecl decl;
    decl.fields = describe_fields<Header>();
    decl.codec = make_codec<Header>();
    decl.keys = {{"by_Id", {{0}}, true, false}, {"by_Date", {{1, true}}, false, false}};
    auto f = make(engine, decl);
    // Dates repeat: the first record of a date in key order is the earliest added.
    using namespace std::string_view_literals;
    for (Header h : {Header{5, 300, "eve"sv}, Header{2, 100, "bob"sv}, Header{9, 300, "zoe"sv},
                     Header{7, 200, "Ülrike"sv}}) {
        ASSERT_TRUE(f->add(&h));
    }
    struct Case {
        int key;
        std::vector<int64_t> values;
        std::vector<int> fields;
        bool snapshot;
        std::string want;  // value: fields, one line each
    };
    const Case cases[] = {
        {0,
         {1, 2, 5, 6, 7, 9, 10},
         {2, 1},
         false,
         "2:bob,100\n5:eve,300\n7:Ülrike,200\n9:zoe,300\n"},
        {0, {9, 2}, {0}, true, "9:9\n2:2\n"},
        {0, {}, {2}, false, ""},
        {0, {3, 4}, {2}, false, ""},
        {1, {100, 250, 300}, {0, 2}, false, "100:2,bob\n300:5,eve\n"},
        {1, {300, 200}, {2}, true, "300:eve\n200:Ülrike\n"},
    };
    for (const Case& c : cases) {
        if (c.snapshot) {
            ASSERT_TRUE(f->begin_reading());
        }
        std::string got;
        ASSERT_TRUE(f->read_fields(c.key, c.values, c.fields, [&](int64_t v, const FieldRow& row) {
            got += std::to_string(v) + ":";
            for (size_t i = 0; i < c.fields.size(); ++i) {
                int n = static_cast<int>(i);
                got += (i ? "," : "") + (decl.fields[c.fields[i]].type == FieldType::Text
                                             ? std::string(row.text(n))
                                             : std::to_string(row.number(n)));
            }
            got += "\n";
        })) << c.want;
        f->end_reading();
        EXPECT_EQ(got, c.want);
    }
    EXPECT_FALSE(f->read_fields(0, {2}, {}, [](int64_t, const FieldRow&) {}));
}

// Many values against few records are read by one pass over the records instead of a look-up
// each, and come in file order then; which records each value gets must not change.
TEST_F(StoreReading, ReadFieldsGivesEachValueItsRecordWhateverTheShareOfValues) {
    Engine engine;
    TableDecl decl;
    decl.fields = describe_fields<Header>();
    decl.codec = make_codec<Header>();
    decl.keys = {{"by_Id", {{0}}, true, false}};
    auto f = make(engine, decl);
    constexpr uint32_t kRecords = 4000;
    std::vector<const void*> recs;
    std::vector<Header> headers(kRecords);
    for (uint32_t i = 0; i < kRecords; ++i) {
        // Ids out of file order, with a hole every seventh.
        uint32_t id = (i * 2719 % kRecords) * 7 / 6 + 1;
        headers[i] = Header{id, static_cast<int32_t>(id * 3), {}};
        headers[i].NAME = std::to_string(id);
        recs.push_back(&headers[i]);
    }
    ASSERT_TRUE(f->add_all(recs));
    auto every = [](int64_t from, int64_t to, int64_t step) {
        std::vector<int64_t> v;
        for (int64_t x = from; x <= to; x += step) v.push_back(x);
        return v;
    };
    std::vector<int64_t> unsorted = every(1, 4700, 2);
    std::swap(unsorted.front(), unsorted.back());
    std::vector<int64_t> wide = every(1, 2000, 1);
    wide.push_back(int64_t{1} << 40);
    const std::vector<int64_t> cases[] = {
        every(1, 4700, 1),  // every id and the holes: a pass
        every(3, 4700, 3),  // a third of them: a pass
        every(1, 4700, 9),  // too few for a pass
        unsorted,           // a pass needs them in order
        wide,               // and within a range it can hold a bit for each
    };
    for (const auto& values : cases) {
        std::map<int64_t, std::string> got;
        ASSERT_TRUE(f->read_fields(0, values, {2, 1}, [&](int64_t v, const FieldRow& row) {
            EXPECT_TRUE(
                got.emplace(v, std::string(row.text(0)) + "," + std::to_string(row.number(1)))
                    .second)
                << v;
        }));
        std::map<int64_t, std::string> want;
        for (const Header& h : headers)
            if (std::find(values.begin(), values.end(), h.ID) != values.end())
                want.emplace(h.ID, std::to_string(h.ID) + "," + std::to_string(h.DATE));
        EXPECT_EQ(got, want) << values.size() << " values";
    }
}

// Emptying a scratch file leaves the pages of its records as they are: zeroing them, as the
// library does for the other files, wrote every page to the journal and back, which for a result
// set of tens of thousands of hits was a quarter of the next search.
TEST_F(StoreReading, EmptyingAScratchFileWritesAFewPagesNotAllOfThem) {
    vfs::FaultVfs counting;
    struct Base {
        explicit Base(sqlite3_vfs* v) { vfs::set_base(v); }
        ~Base() { vfs::set_base(nullptr); }
    } base(counting.vfs());
    std::map<bool, int> writes;  // by synced
    for (bool synced : {true, false}) {
        std::filesystem::remove(path());
        Engine engine;
        const TableDecl decl = entries(false);
        OpenOptions opts;
        opts.synced = synced;
        ASSERT_TRUE(engine.create(path(), decl, opts));
        std::unique_ptr<File> f;
        Status st;
        ASSERT_EQ(engine.open(path(), decl, opts, f, st), OpenResult::Ok) << st.text();
        std::vector<Entry> rows(20000);
        std::vector<const void*> recs;
        for (uint32_t i = 0; i < rows.size(); ++i) {
            rows[i] = Entry{i + 1, i % 97};
            recs.push_back(&rows[i]);
        }
        ASSERT_TRUE(f->add_all(recs));
        const int before = counting.writes();
        ASSERT_TRUE(f->empty());
        writes[synced] = counting.writes() - before;
        uint64_t n = 1;
        ASSERT_TRUE(f->count(n));
        EXPECT_EQ(n, 0u);
    }
    EXPECT_GT(writes[true], 100);  // the file holds a few hundred pages
    EXPECT_LT(writes[false] * 10, writes[true]) << writes[false] << " against " << writes[true];
}

}  // namespace
}  // namespace qs::store
