// SPDX-License-Identifier: MIT
// Indexing runs: what ends up in the word list and master index.
#include <algorithm>
#include <string>

#include "indexer_fixture.h"

namespace qs::words {
namespace {

using Entries = std::vector<std::pair<uint32_t, std::string>>;
using Counts = std::map<std::string, int32_t>;

class IndexMail : public IndexedDb {
protected:
    void SetUp() override { open_mail(); }
};

class IndexForum : public IndexedDb {
protected:
    void SetUp() override { open_forum(); }
};

TEST_F(IndexMail, CountsAWordOncePerMessage) {
    auto ids = add({{"Seeds", "tomato tomato Tomato"}, {"", "tomato bean"}});
    IndexOutcome out;
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(words(), (Counts{{"SEEDS", 1}, {"TOMATO", 2}, {"BEAN", 1}}));
    EXPECT_EQ(
        entries(),
        (Entries{{ids[0], "SEEDS"}, {ids[0], "TOMATO"}, {ids[1], "TOMATO"}, {ids[1], "BEAN"}}));
    EXPECT_EQ(out.tokenized, 2u);
    EXPECT_EQ(out.pairs, 4u);
    Forums f = database();
    EXPECT_EQ(f.RECSLASTTIME, 2u);
    EXPECT_NE(f.LASTMSGID, 0u);
    EXPECT_EQ(f.WORDLISTINDEXNEEDSUPDATE, 0);
}

TEST_F(IndexMail, KeepsTheFirstFortyLettersOfALongWord) {
    std::string long_word(45, 'x');
    long_word[40] = 'y';
    add({{"", long_word + " short"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words(), (Counts{{std::string(40, 'X'), 1}, {"SHORT", 1}}));
}

TEST_F(IndexMail, AnHtmlMailContributesOnlyItsSubject) {
    add({{"Quarterly figures",
          "Content-Type: text/html\r\nMessage-ID: <1@x>\r\n\r\n<p>hidden words</p>\r\n"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words(), (Counts{{"QUARTERLY", 1}, {"FIGURES", 1}}));
}

TEST_F(IndexMail, StopWordsAreNotIndexedAndACircumflexDoesNotStartAWord) {
    h.s.GlobalRequest = 1;
    StopListForm(h.s, "the");
    ASSERT_EQ(h.s.GlobalResponse, 1);
    add({{"", "the ^marked tree"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words(), (Counts{{"MARKED", 1}, {"TREE", 1}}));
}

TEST_F(IndexMail, PartialIndexingTakesOnlyTheNewMessages) {
    auto first = add({{"", "apple pear"}});
    ASSERT_EQ(index(), 1);
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);
    auto second = add({{"", "apple plum"}, {"", "plum"}});
    EXPECT_EQ(WSIndexFixup(h.s), kPartialIndexing);
    IndexOutcome out;
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(out.tokenized, 2u);
    EXPECT_EQ(words(), (Counts{{"APPLE", 2}, {"PEAR", 1}, {"PLUM", 2}}));
    EXPECT_EQ(entries().size(), 5u);
    EXPECT_EQ(database().RECSLASTTIME, 3u);
}

TEST_F(IndexMail, AFullyIndexedDatabaseNeedsNothing) {
    add({{"", "apple"}, {"", "pear"}});
    ASSERT_EQ(index(), 1);
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);
    EXPECT_EQ(index_status_text(WSIndexFixup(h.s)), "No indexing needed!");
    IndexOutcome out;
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(out.tokenized, 0u);
    EXPECT_EQ(out.pairs, 0u);
    EXPECT_EQ(words(), (Counts{{"APPLE", 1}, {"PEAR", 1}}));
}

TEST_F(IndexMail, AMessageAlreadyInTheMasterIndexIsSkippedWhenThePositionIsLost) {
    add({{"", "apple"}});
    ASSERT_EQ(index(), 1);
    add({{"", "apple pear"}});
    // A lost position means starting from the first text; the indexed one must not count twice.
    OP_CLOSE(h.s, kOpOpen, {kForums});
    ASSERT_TRUE(save_index_state(h.s, {0, 0, 0}));
    OP_CLOSE(h.s, kOpClose, {kForums});
    IndexOutcome out;
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(out.tokenized, 1u);
    EXPECT_EQ(words(), (Counts{{"APPLE", 2}, {"PEAR", 1}}));
}

TEST_F(IndexMail, DeclinedRebuildChangesNothing) {
    add({{"", "apple"}});
    ASSERT_EQ(index(), 1);
    auto before = entries();
    Forums f = database();
    h.dialog.script({false});
    EXPECT_EQ(index(true), 2);
    EXPECT_TRUE(h.dialog.saw("This will DELETE the current Wordlist & Master Index."));
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(database(), f);
}

TEST_F(IndexMail, FullRebuildStartsAfresh) {
    add({{"", "apple"}, {"", "pear"}});
    ASSERT_EQ(index(), 1);
    ASSERT_EQ(toggle_mark(h.s, "pear"), 1);
    h.dialog.script({true});
    IndexOutcome out;
    EXPECT_EQ(index(true, &out), 1);
    EXPECT_EQ(out.tokenized, 2u);
    // The marked word went to the stop list before the rebuild read the texts again.
    EXPECT_EQ(words(), (Counts{{"APPLE", 1}}));
    EXPECT_TRUE(marked_words(h.s).empty());
}

TEST_F(IndexMail, ScheduledRebuildAsksNothing) {
    add({{"", "apple"}});
    ASSERT_EQ(index(), 1);
    h.s.mem.DoTask = 2;
    EXPECT_EQ(index_title(h.s), " Scheduled VEV Word Indexing [Home]");
    EXPECT_EQ(index(true), 1);
    EXPECT_TRUE(h.dialog.entries.empty());
    EXPECT_EQ(words(), (Counts{{"APPLE", 1}}));
}

TEST_F(IndexMail, MarkedWordLeavesTheIndexForTheStopList) {
    auto ids = add({{"", "apple pear"}, {"", "pear plum"}});
    ASSERT_EQ(index(), 1);
    EXPECT_EQ(toggle_mark(h.s, "pear"), 1);
    EXPECT_EQ(toggle_mark(h.s, "plum"), 1);
    EXPECT_EQ(toggle_mark(h.s, "plum"), 0);  // a second mark takes it back
    EXPECT_EQ(toggle_mark(h.s, "absent"), -1);
    EXPECT_EQ(marked_words(h.s), (std::set<int32_t>{id_of("PEAR")}));
    EXPECT_EQ(WSIndexFixup(h.s), kDeletionsPending);
    EXPECT_EQ(index_status_text(kDeletionsPending), "Partial indexing recommended!");
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words(), (Counts{{"APPLE", 1}, {"PLUM", 1}}));
    EXPECT_EQ(entries(), (Entries{{ids[0], "APPLE"}, {ids[1], "PLUM"}}));
    EXPECT_EQ(stop_list(), (std::vector<std::string>{"PEAR"}));
    EXPECT_TRUE(marked_words(h.s).empty());
    // Newly added messages no longer index it either.
    add({{"", "pear"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words().count("PEAR"), 0u);
}

TEST_F(IndexMail, WordIdsContinueAfterTheHighest) {
    add({{"", "apple pear"}});
    ASSERT_EQ(index(), 1);
    int32_t pear = id_of("PEAR");
    add({{"", "plum"}});
    ASSERT_EQ(index(), 1);
    EXPECT_EQ(id_of("PLUM"), pear + 1);
}

TEST_F(IndexMail, ATextWithoutItsMailIsPassedOver) {
    add({{"", "apple"}});
    OP_CLOSE(h.s, kOpOpen, {kMail});
    Set(h.s, kMail, 0);
    ASSERT_TRUE(Next(h.s, kMail));
    ASSERT_TRUE(UppDat(h.s, kMail, kDelete, kReport));
    OP_CLOSE(h.s, kOpClose, {kMail});
    IndexOutcome out;
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(out.tokenized, 0u);
    EXPECT_TRUE(words().empty());
}

TEST_F(IndexMail, UnreadableSettingsSkipIndexing) {
    add({{"", "apple"}});
    h.s.settings.word_index_loaded = false;
    EXPECT_EQ(index(), 2);
    EXPECT_TRUE(h.dialog.saw("Unable to read configuration file.|Indexing Skipped"));
    EXPECT_TRUE(words().empty());
    h.dialog.clear();
    h.s.mem.DoTask = 6;  // unattended: the run ends without a word
    EXPECT_EQ(index(), 2);
    EXPECT_TRUE(h.dialog.entries.empty());
}

TEST_F(IndexMail, CountsStayRightAcrossFlushes) {
    std::string common;
    for (int w = 0; w < 100; ++w) common += "w" + std::to_string(w) + " ";
    std::vector<std::pair<std::string, std::string>> msgs;
    for (int i = 0; i < 700; ++i) msgs.push_back({"", common + "u" + std::to_string(i)});
    add(msgs);
    std::vector<std::string> captions;
    IndexRequest rq;
    rq.type = type;
    rq.per_pass = 50;
    rq.flush_pairs = 50000;
    IndexProgress p;
    p.caption = [&](const std::string& c) {
        captions.push_back(c);
    };
    ASSERT_EQ(INDEXFILE1(h.s, rq, p), 1);
    EXPECT_GE(std::count(captions.begin(), captions.end(), "Flushing Buffers/Building Indexes"), 2);
    Counts w = words();
    EXPECT_EQ(w.size(), 800u);
    EXPECT_EQ(w["W0"], 700);
    EXPECT_EQ(w["W99"], 700);
    EXPECT_EQ(w["U699"], 1);
    EXPECT_EQ(entries().size(), 700u * 101u);
}

TEST_F(IndexMail, AnUnreadableDatabaseRecordStopsTheRun) {
    add({{"", "apple"}});
    h.s.mem.ForumNumber = 4242;
    EXPECT_EQ(index(), 2);
    EXPECT_TRUE(h.dialog.saw("Unable to read forum data!|Indexing not possible now."));
}

TEST_F(IndexForum, FootersAndReplyLinesAreNotIndexed) {
    add({{"Roses", "Prune them in spring.\r\n\r\n--\r\nAnn Smith, the rose society\r\n"},
         {"Roses", "Water them well.\r\nAnn, in reply\r\n"}});
    EXPECT_EQ(index(), 1);
    Counts w = words();
    EXPECT_EQ(w["ROSES"], 2);
    EXPECT_EQ(w["PRUNE"], 1);
    EXPECT_EQ(w["WATER"], 1);
    EXPECT_EQ(w.count("SOCIETY"), 0u);
    EXPECT_EQ(w.count("REPLY"), 0u);
    EXPECT_EQ(w.count("ANN"), 0u);
}

TEST_F(IndexForum, FootersAreIndexedWhenTheSettingSaysSo) {
    uint8_t one = 1;
    ASSERT_TRUE(WSVars(h.s, 2, 51, nullptr, &one));
    add({{"Roses", "Prune them in spring.\r\n\r\n--\r\nAnn Smith, the rose society\r\n"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words().count("SOCIETY"), 1u);
}

}  // namespace
}  // namespace qs::words
