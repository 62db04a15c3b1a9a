// SPDX-License-Identifier: MIT
// The master index's blocks: their coding, damage found on reading, and the lists kept in them
// against a plain set of numbers.
#include "wordindex/postings.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>

#include "app/startup.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"
#include "wordindex/position_records.h"

namespace qs::words {
namespace {

MasIdx block_of(std::vector<uint32_t> numbers) {
    MasIdx r;
    encode_block(numbers, r);
    return r;
}

TEST(MasBlocks, CodingKeepsEveryNumberAndRefusesDamage) {
    const std::vector<std::vector<uint32_t>> round_trips = {
        {0}, {7, 8}, {1, 128, 16512, 2113664}, {5, UINT32_MAX}, {0, UINT32_MAX}};
    for (const auto& numbers : round_trips) {
        std::vector<uint32_t> back;
        ASSERT_TRUE(decode_block(block_of(numbers), back)) << numbers.back();
        EXPECT_EQ(back, numbers);
    }
    // A full block of four-group gaps, coded into a row that held a longer block before.
    std::vector<uint32_t> full(kBlockSize);
    for (uint32_t i = 0; i < kBlockSize; ++i) full[i] = i << 24;
    MasIdx reused = block_of({0, UINT32_MAX});
    reused.DATA.text += std::string(2000, '\x01');
    encode_block(full, reused);
    std::vector<uint32_t> back;
    ASSERT_TRUE(decode_block(reused, back));
    EXPECT_EQ(back, full);
    struct Damage {
        const char* what;
        uint32_t count;
        std::string data;
    };
    const Damage damages[] = {
        {"no numbers", 0, ""},
        {"more than a block holds", kBlockSize + 1, std::string(kBlockSize, '\x01')},
        {"a gap cut short", 2, "\x81"},
        {"a gap of nothing", 2, std::string(1, '\0')},
        {"past 32 bits", 2, "\xff\xff\xff\xff\x0f"},
        {"a gap of six groups", 2, "\x80\x80\x80\x80\x80\x01"},
        {"bytes left over that are no record", 2, "\x01\x01"},
        {"a record for one number of two", 2, "\x01\x04"},
        {"a record cut short", 2, std::string("\x01\x05\x02", 3) + '\0'},
        {"bytes after the records", 2, std::string("\x01\x04", 2) + '\0' + "\x07"},
    };
    for (const Damage& d : damages) {
        MasIdx r;
        r.FIRST = 10;
        r.COUNT = d.count;
        r.DATA.text = d.data;
        std::vector<uint32_t> out;
        std::vector<std::string_view> records;
        EXPECT_EQ(decode_block(r, out, &records).code(), Code::Corrupt) << d.what;
    }
}

class MasLists : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        uint32_t db = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
        ASSERT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {kMasIdx});
        ASSERT_TRUE(BeginTransaction(h.s, {kMasIdx}));
    }
    void TearDown() override {
        EXPECT_TRUE(Commit(h.s));
        OP_CLOSE(h.s, kOpClose, {kMasIdx});
    }
    MasList list(uint32_t id, ListKind kind = kWordMessages) {
        return MasList(handle(h.s, kMasIdx), kind, id);
    }
    testing::TempHome h;
};

// Runs of numbers added above, below and between what a list holds, across block bounds, and
// single numbers removed: the list always reads back as the set, whole and page by page, and its
// neighbours are untouched.
TEST_F(MasLists, AListReadsBackAsTheSetItWasGiven) {
    std::mt19937 rng(17);
    std::set<uint32_t> oracle;
    std::vector<uint32_t> neighbour_below = {3, 4}, neighbour_above = {1, 2, 3};
    ASSERT_TRUE(list(41).add(neighbour_below));
    ASSERT_TRUE(list(43).add(neighbour_above));
    ASSERT_TRUE(list(42, kMessageWords).add(neighbour_above));  // same id, other kind
    for (int round = 0; round < 60; ++round) {
        const uint32_t base = rng() % 5000, span = 1 + rng() % 700;
        std::set<uint32_t> run;
        for (uint32_t k = 0, n = rng() % 300; k < n; ++k) run.insert(base + rng() % span);
        if (round % 7 == 3) run.insert(UINT32_MAX - round);
        std::vector<uint32_t> numbers(run.begin(), run.end());
        ASSERT_TRUE(list(42).add(numbers, round == 0)) << round;
        oracle.insert(run.begin(), run.end());
        for (int k = 0; k < 40 && !oracle.empty(); ++k) {
            auto it = oracle.lower_bound(static_cast<uint32_t>(rng() % 5200));
            const uint32_t gone = it == oracle.end() ? 9999 : *it;
            bool removed = false;
            ASSERT_TRUE(list(42).remove(gone, removed));
            EXPECT_EQ(removed, it != oracle.end()) << gone;
            if (it != oracle.end()) oracle.erase(it);
        }
        std::vector<uint32_t> all;
        ASSERT_TRUE(list(42).read_all(all));
        ASSERT_EQ(all, std::vector<uint32_t>(oracle.begin(), oracle.end())) << round;
    }
    // Page by page from a kept position, as a paused search reads.
    std::vector<uint32_t> paged;
    int64_t after = -1;
    for (bool more = true; more;) {
        std::vector<uint32_t> page;
        ASSERT_TRUE(list(42).read_after(after, 100, page, more));
        ASSERT_TRUE(more ? page.size() == 100 : page.size() <= 100);
        paged.insert(paged.end(), page.begin(), page.end());
        if (!page.empty()) after = page.back();
    }
    EXPECT_EQ(paged, std::vector<uint32_t>(oracle.begin(), oracle.end()));
    std::vector<uint32_t> backwards;
    uint32_t before = UINT32_MAX;
    for (bool more = true; more;) {
        std::vector<uint32_t> page;
        ASSERT_TRUE(list(42).read_before(before, 100, page, more));
        backwards.insert(backwards.end(), page.begin(), page.end());
        if (!page.empty()) before = page.back();
    }
    EXPECT_EQ(backwards, std::vector<uint32_t>(oracle.rbegin(), oracle.rend()));
    for (uint32_t probe : {0u, 17u, 2500u, 4999u, 5300u, UINT32_MAX - 3}) {
        bool found = false;
        ASSERT_TRUE(list(42).has(probe, found));
        EXPECT_EQ(found, oracle.count(probe) == 1) << probe;
    }
    std::vector<uint32_t> below, above, other;
    ASSERT_TRUE(list(41).read_all(below));
    ASSERT_TRUE(list(43).read_all(above));
    ASSERT_TRUE(list(42, kMessageWords).read_all(other));
    EXPECT_EQ(below, neighbour_below);
    EXPECT_EQ(above, neighbour_above);
    EXPECT_EQ(other, neighbour_above);
    uint64_t removed = 0;
    ASSERT_TRUE(list(42).remove_all(removed));
    EXPECT_EQ(removed, oracle.size());
    bool any = true;
    ASSERT_TRUE(list(42).exists(any));
    EXPECT_FALSE(any);
}

// Position records through merges into the last block and into earlier ones, block splits and
// removals: each stays with its number, a number added again takes a known record and keeps its
// own over an unknown one, and numbers added without records read as unknown.
TEST_F(MasLists, RecordsStayWithTheirNumbers) {
    std::mt19937 rng(5);
    std::map<uint32_t, std::string> oracle;  // the record each number must have
    for (int round = 0; round < 50; ++round) {
        const uint32_t base = rng() % 3000, span = 1 + rng() % 900;
        std::set<uint32_t> run;
        for (uint32_t k = 0, n = rng() % 300; k < n; ++k) run.insert(base + rng() % span);
        const bool known = round % 4 != 1;
        std::vector<uint32_t> numbers(run.begin(), run.end());
        std::vector<std::string> records;
        for (uint32_t n : numbers) {
            const uint32_t places[] = {n % 5 + 1, n % 5 + 3 + static_cast<uint32_t>(round)};
            records.emplace_back();
            append_record(records.back(), places);
            if (known || !oracle.count(n)) oracle[n] = known ? records.back() : "";
        }
        const std::vector<std::string_view> views(records.begin(), records.end());
        ASSERT_TRUE(list(42).add(numbers, known ? std::span(views) : std::span(views).first(0)));
        for (int k = 0; k < 20 && !oracle.empty(); ++k) {
            auto it = oracle.lower_bound(static_cast<uint32_t>(rng() % 3900));
            if (it == oracle.end()) continue;
            bool removed = false;
            ASSERT_TRUE(list(42).remove(it->first, removed));
            ASSERT_TRUE(removed);
            oracle.erase(it);
        }
    }
    PositionCursor cursor(handle(h.s, kMasIdx), 42);
    for (const auto& [n, record] : oracle) {
        std::string_view got = "x";
        bool found = false;
        ASSERT_TRUE(cursor.find(n, got, found));
        ASSERT_TRUE(found) << n;
        EXPECT_EQ(record_known(got) ? std::string(got) : "", record) << n;
    }
    std::string_view got;
    bool found = true;
    ASSERT_TRUE(cursor.find(4000, got, found));
    EXPECT_FALSE(found);
}

// A message deleted takes its entries from its words' lists; a word named by the message but
// deleted since (or never holding it) is passed over, and its count is not touched.
TEST_F(MasLists, AMessageTakesItsEntriesAlong) {
    ASSERT_TRUE(add_message(h.s, 7, {30, 10, 20, 10}));
    ASSERT_TRUE(add_message(h.s, 8, {10}));
    uint64_t n = 0;
    ASSERT_TRUE(list(20).remove_all(n));  // word 20 deleted from the index
    std::vector<uint32_t> words;
    ASSERT_TRUE(remove_message(h.s, 7, words));
    EXPECT_EQ(words, (std::vector<uint32_t>{10, 30}));
    std::vector<std::pair<uint32_t, uint32_t>> left;
    ASSERT_TRUE(all_entries(h.s, left));
    EXPECT_EQ(left, (std::vector<std::pair<uint32_t, uint32_t>>{{8, 10}}));
    bool indexed = true;
    ASSERT_TRUE(message_indexed(h.s, 7, indexed));
    EXPECT_FALSE(indexed);
}

// Where a word's last block lies after each kind of change: at the word's own position
// whenever a change ended the list (a first block, appended numbers, a block split or filled,
// numbers after a full block), left there by numbers merged below it, and nowhere once that
// block is emptied, until numbers are added after the list again.
TEST_F(MasLists, AWordsLastBlockLiesAtItsOwnPositionOnceTheListGrows) {
    auto range = [](uint32_t from, uint32_t to) {
        std::vector<uint32_t> v;
        for (uint32_t n = from; n <= to; ++n) v.push_back(n);
        return v;
    };
    struct Step {
        const char* what;
        std::vector<uint32_t> added, removed;
        bool at_own_position;
    };
    const Step steps[] = {
        {"first numbers, two blocks", range(1, 300), {}, true},
        {"appended", range(301, 310), {}, true},
        {"split past a block", range(311, 700), {}, true},
        {"filled exactly", range(701, 768), {}, true},
        {"after a full block", {800}, {}, true},
        {"below the last block, splitting the one before", {1, 770, 790}, {}, true},
        {"last block emptied", {}, {800}, false},
        {"after the list again", {801, 802}, {}, true},
    };
    store::File& f = handle(h.s, kMasIdx);
    std::set<uint32_t> oracle;
    for (const Step& step : steps) {
        ASSERT_TRUE(list(42).add(step.added)) << step.what;
        for (uint32_t n : step.removed) {
            bool removed = false;
            ASSERT_TRUE(list(42).remove(n, removed)) << step.what;
        }
        oracle.insert(step.added.begin(), step.added.end());
        for (uint32_t n : step.removed) oracle.erase(n);
        std::vector<uint32_t> all;
        const Status read = list(42).read_all(all);
        ASSERT_TRUE(read) << step.what << ": " << read.text();
        EXPECT_EQ(all, std::vector<uint32_t>(oracle.begin(), oracle.end())) << step.what;
        MasIdx key, last;
        key.KIND = kWordMessages;
        key.ID = 42;
        ASSERT_TRUE(f.get(kMasBlockKey, &key, &last, 2)) << step.what;
        EXPECT_EQ(f.position() == last_block_position(42), step.at_own_position) << step.what;
        MasIdx there;
        const Status st = f.fetch(last_block_position(42), &there);
        EXPECT_EQ(st.is_ok(), step.at_own_position) << step.what << ": " << st.text();
    }
    // A list written before the rule: its last block moves there on the next change.
    MasIdx old;
    encode_block(range(1, 5), old);
    old.KIND = kWordMessages;
    old.ID = 50;
    ASSERT_TRUE(f.add(&old));
    ASSERT_TRUE(list(50).add(std::vector<uint32_t>{6, 7}));
    std::vector<uint32_t> all;
    ASSERT_TRUE(list(50).read_all(all));
    EXPECT_EQ(all, range(1, 7));
    MasIdx moved;
    ASSERT_TRUE(f.fetch(last_block_position(50), &moved));
    EXPECT_EQ(moved.COUNT, 7u);
    // Another list's block at a word's position is damage, not a place to write.
    old.ID = 61;
    ASSERT_TRUE(f.add_at(last_block_position(60), &old));
    EXPECT_EQ(list(60).add(std::vector<uint32_t>{9}).code(), Code::Corrupt);
}

}  // namespace
}  // namespace qs::words
