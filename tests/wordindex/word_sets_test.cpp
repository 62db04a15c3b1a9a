// SPDX-License-Identifier: MIT
#include "wordindex/word_sets.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"
#include "wordindex/postings.h"
#include "wordindex/word_setup.h"

namespace qs::words {
namespace {

class WordSets : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartUp(h.s, h.dir).ok); }

    // Gives the database a word index of `entries` master index records (with as many words and
    // one pending deletion).
    void index(uint32_t db, uint32_t entries) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {kMasIdx, kWordList, kPUR});
        for (uint32_t i = 1; i <= entries; ++i) {
            ASSERT_TRUE(add_message(h.s, i, {i}));
            h.s.rec.WordList = WordList{static_cast<int32_t>(i),
                                        Text<40>(std::string_view("WORD" + std::to_string(i))), 1};
            ASSERT_TRUE(UppDat(h.s, kWordList, kAdd, kReport));
        }
        h.s.rec.PUR = PUR{1, 1};
        ASSERT_TRUE(UppDat(h.s, kPUR, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kMasIdx, kWordList, kPUR});
    }

    // The database's index position (FOR:LASTMSGID, FOR:RECSLASTTIME), set when `value` is given.
    std::pair<uint32_t, uint32_t> position(uint32_t db, const uint32_t* value = nullptr) {
        OP_CLOSE(h.s, kOpOpen, {kForums});
        h.s.rec.Forums = Forums{};
        h.s.rec.Forums.ID = db;
        EXPECT_TRUE(HoldRec(h.s, kForums, keys::ForumKey, true, 0, 5));
        if (value) {
            h.s.rec.Forums.LASTMSGID = h.s.rec.Forums.RECSLASTTIME = *value;
            EXPECT_TRUE(UppDat(h.s, kForums, kUpdate, kReport));
        } else {
            ReleaseRec(h.s, kForums);
        }
        std::pair<uint32_t, uint32_t> out{h.s.rec.Forums.LASTMSGID, h.s.rec.Forums.RECSLASTTIME};
        OP_CLOSE(h.s, kOpClose, {kForums});
        return out;
    }

    uint64_t count(uint32_t db, int file) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {file});
        uint64_t n = testing::record_count(h.s, file);
        if (file == kMasIdx) {
            EXPECT_TRUE(entry_count(h.s, n));  // entries, not blocks
        }
        OP_CLOSE(h.s, kOpClose, {file});
        return n;
    }

    testing::TempHome h;
};

TEST_F(WordSets, ShippedSetsAreWrittenOnceAndReadWhole) {
    ASSERT_TRUE(ShipWordSets(h.s));
    ASSERT_TRUE(ShipWordSets(h.s));  // a second call adds nothing
    EXPECT_TRUE(fs::exists(h.s.MasIdxPath + "/CFG/IDX039.TPS"));
    auto sets = ListWordSets(h.s);
    ASSERT_EQ(sets.size(), shipped_sets().size());
    for (const auto& set : sets) EXPECT_EQ(set.records, 256u) << set.name;

    const WordRules standard = WordRules::defaults();
    EXPECT_EQ(sets[1].name, "Standard");
    EXPECT_EQ(sets[1].start, count_allowed(standard).start);
    WordRules read = ReadWordSet(h.s, "Standard");
    EXPECT_EQ(read.start, standard.start);
    EXPECT_EQ(read.inside, standard.inside);
    EXPECT_EQ(read.end, standard.end);

    WordRules joined = ReadWordSet(h.s, "Hyphens and underscores");
    EXPECT_EQ(joined.inside['-'], 0);
    EXPECT_EQ(joined.end['-'], 1);
    EXPECT_EQ(joined.start['_'], 0);
    EXPECT_EQ(joined.end['_'], 0);
    Tokenizer t(joined, "re-index _start max_size.");
    Word w;
    std::vector<std::string> got;
    while (t.next(w)) got.push_back(w.text);
    EXPECT_EQ(got, (std::vector<std::string>{"RE-INDEX", "_START", "MAX_SIZE"}));
}

TEST_F(WordSets, AnIncompleteOrUnknownSetShowsTheTablesInUse) {
    ASSERT_TRUE(ShipWordSets(h.s));
    h.s.settings.StartWordHash['x'] = 1;  // tables in use that differ from every saved set
    const std::string saved = h.s.mem.Dirnamn;
    h.s.mem.Dirnamn = "CFG";
    OP_CLOSE(h.s, kOpOpen, {kWD});
    for (int c = 0; c < 10; ++c) {
        h.s.rec.WD = WD{Text<40>(std::string_view("Partial")), static_cast<uint8_t>(c), 0, 0, 0};
        ASSERT_TRUE(UppDat(h.s, kWD, kAdd, kReport));
    }
    OP_CLOSE(h.s, kOpClose, {kWD});
    h.s.mem.Dirnamn = saved;
    for (const char* name : {"Partial", "Nonexistent", kCurrentSelection})
        EXPECT_EQ(ReadWordSet(h.s, name).start['x'], 1) << name;
    EXPECT_EQ(ReadWordSet(h.s, "Standard").start['x'], 0);
    auto sets = ListWordSets(h.s);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[1].name, "Partial");
    EXPECT_EQ(sets[1].records, 10u);
}

TEST_F(WordSets, CellClicksFollowTheWizardRules) {
    WordRules r = WordRules::defaults();
    ToggleStart(r, 'a');
    EXPECT_EQ(r.start['a'], 1);
    ToggleStart(r, 'a');
    EXPECT_EQ(r.start['a'], 0);
    ToggleInside(r, 'a');  // not inside: not at the end either
    EXPECT_EQ(r.inside['a'], 1);
    EXPECT_EQ(r.end['a'], 1);
    ClickEnd(r, 'a');  // the end cannot be allowed while the inside is not
    EXPECT_EQ(r.end['a'], 1);
    ToggleInside(r, 'a');
    EXPECT_EQ(r.inside['a'], 0);
    EXPECT_EQ(r.end['a'], 1);  // allowing inside leaves the end as it was
    ClickEnd(r, 'a');
    EXPECT_EQ(r.end['a'], 0);
    ClickEnd(r, 'a');
    EXPECT_EQ(r.end['a'], 1);
    EXPECT_EQ(PauseCount(5000, 10000), 5000);
    EXPECT_EQ(PauseCount(999, 10000), 10000);
    EXPECT_EQ(PauseCount(10, 20), 1000);
    EXPECT_EQ(PauseCount(1000, 20), 1000);
}

TEST_F(WordSets, SaveAndReindexEmptiesTheIndexesOfIndexedDatabases) {
    uint32_t a = AddForumDatabase(h.s, "Alpha");
    uint32_t b = AddForumDatabase(h.s, "Beta");
    uint32_t c = AddForumDatabase(h.s, "Gamma");
    index(a, 3);
    index(b, 0);  // files, but no master index records: not indexed
    const uint32_t indexed_up_to = 7;
    position(a, &indexed_up_to);
    EXPECT_EQ(CountIndexedDatabases(h.s), 1);
    EXPECT_FALSE(fs::exists(h.s.MasIdxPath + "/F3/IDX029.TPS"));  // Gamma was not given one

    WordRules list = WordRules::from(h.s.settings);
    EXPECT_EQ(SaveAndReindex(h.s, list, "Standard"), SaveResult::NoChanges);
    EXPECT_TRUE(h.dialog.saw("Nothing has changed!|No save needed."));

    ToggleInside(list, '-');
    // Yes to saving, no to reindexing; then yes to both; then yes once more.
    h.dialog.script({true, false, true, true, true});
    EXPECT_EQ(SaveAndReindex(h.s, list, "Mine"), SaveResult::Declined);
    EXPECT_EQ(h.s.settings.InWordHash['-'], 1);
    EXPECT_EQ(count(a, kMasIdx), 3u);
    EXPECT_EQ(position(a).first, indexed_up_to);

    h.dialog.clear();
    EXPECT_EQ(SaveAndReindex(h.s, list, "Mine"), SaveResult::Saved);
    ASSERT_EQ(h.dialog.entries.size(), 2u);
    EXPECT_EQ(h.dialog.entries[0].title, "Save Word Definition");
    EXPECT_EQ(h.dialog.entries[0].text,
              "This will save the set: |Mine|as your current word definition.|Is that what you "
              "want to do?");
    EXPECT_EQ(h.dialog.entries[1].title, "Save and Reindex");
    EXPECT_EQ(h.s.settings.InWordHash['-'], 0);
    for (int file : {kMasIdx, kWordList, kPUR}) EXPECT_EQ(count(a, file), 0u) << file;
    EXPECT_EQ(position(a), (std::pair<uint32_t, uint32_t>{0, 0}));  // a partial run starts anew
    EXPECT_EQ(count(b, kPUR), 1u);  // a database that was not indexed keeps its files
    EXPECT_EQ(CountIndexedDatabases(h.s), 0);

    // With nothing indexed one confirmation is enough.
    ToggleStart(list, '#');
    h.dialog.clear();
    EXPECT_EQ(SaveAndReindex(h.s, list, "Mine"), SaveResult::Saved);
    EXPECT_EQ(h.dialog.entries.size(), 1u);
    (void)c;
}

TEST_F(WordSets, FinishSavesTheSettingsWithTheTables) {
    WordIndexSetup setup;
    ASSERT_TRUE(OpenSetup(h.s, setup));
    EXPECT_EQ(setup.pause_count, 10000);
    setup.pause_count = PauseCount(2500, setup.pause_count);
    setup.forum_footers = 1;
    WordRules list = WordRules::from(h.s.settings);
    ToggleInside(list, '-');
    h.dialog.script({true});
    ASSERT_EQ(SaveAndReindex(h.s, list, "Mine"), SaveResult::Saved);
    ASSERT_TRUE(FinishSetup(h.s, setup));

    // A new run reads back what was saved.
    testing::TempHome other;
    other.s.mem = h.s.mem;
    other.s.MasIdxPath = h.s.MasIdxPath;
    ASSERT_TRUE(WSVars(other.s, 1));
    WordIndexSetup again;
    ASSERT_TRUE(OpenSetup(other.s, again));
    EXPECT_EQ(again.pause_count, 2500);
    EXPECT_EQ(again.forum_footers, 1);
    EXPECT_EQ(other.s.settings.InWordHash['-'], 0);

    testing::TempHome fresh;  // settings never read
    WordIndexSetup none;
    EXPECT_FALSE(OpenSetup(fresh.s, none));
    EXPECT_TRUE(fresh.dialog.saw("Unable to read configuration file."));
}

}  // namespace
}  // namespace qs::words
