// SPDX-License-Identifier: MIT
// Index status, the word list by word and by count, the stop list forms, and the two ways of
// removing deleted words from the master index.
#include <string>

#include "indexer_fixture.h"
#include "platform/vfs.h"
#include "wordindex/word_cleanup.h"

namespace qs::words {
namespace {

class Lists : public IndexedDb {
protected:
    void SetUp() override { open_mail(); }

    std::vector<std::string> captions;
    uint8_t index_watching() {
        IndexRequest rq;
        rq.type = type;
        rq.per_pass = 100;
        IndexProgress p;
        p.caption = [this](const std::string& c) {
            captions.push_back(c);
        };
        return INDEXFILE1(h.s, rq, p);
    }
    bool saw_caption(const std::string& c) const {
        return std::find(captions.begin(), captions.end(), c) != captions.end();
    }
};

TEST_F(Lists, StatusFollowsTheDatabase) {
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);  // no texts at all
    add({{"", "apple"}, {"", "pear"}});
    EXPECT_EQ(WSIndexFixup(h.s), kFullIndexing);
    EXPECT_EQ(index_status_text(kFullIndexing), "Full indexing needed!");
    ASSERT_EQ(index(), 1);
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);
    Forums f = database();
    // A lost position is found again from the master index.
    OP_CLOSE(h.s, kOpOpen, {kForums});
    ASSERT_TRUE(save_index_state(h.s, {0, 0, 0}));
    OP_CLOSE(h.s, kOpClose, {kForums});
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);
    EXPECT_EQ(database().LASTMSGID, f.LASTMSGID);
    EXPECT_EQ(database().RECSLASTTIME, 2u);
    add({{"", "plum"}});
    OP_CLOSE(h.s, kOpOpen, {kForums});
    ASSERT_TRUE(save_index_state(h.s, {0, 0, 0}));
    OP_CLOSE(h.s, kOpClose, {kForums});
    EXPECT_EQ(WSIndexFixup(h.s), kPartialIndexing);
    EXPECT_EQ(database().RECSLASTTIME, 2u);
}

// Texts or an index the disk cannot read: the status is neither "No indexing needed!" nor taken
// from a count that failed and read as 0.
TEST_F(Lists, StatusOfAnIndexTheDiskCannotReadIsNoStatus) {
    add({{"", "apple"}});
    ASSERT_EQ(index(), 1);
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    const std::vector<int> files{kForums, kMsgText, kMasIdx, kPUR};
    OP_CLOSE(h.s, kOpOpen, files);  // open before the disk fails, as in a running program
    fault.fail_reads(true);
    EXPECT_EQ(WSIndexFixup(h.s), kIndexUnreadable);
    EXPECT_EQ(index_status_text(kIndexUnreadable), "The word index cannot be read!");
    EXPECT_GT(h.s.read_failures, 0u);
    fault.fail_reads(false);
    OP_CLOSE(h.s, kOpForceClose, files);
    vfs::set_base(nullptr);
    EXPECT_EQ(WSIndexFixup(h.s), kNothingToIndex);
}

TEST_F(Lists, WordsByCountRebuildTheCountKeyWhenFlagged) {
    add({{"", "apple pear"}, {"", "pear plum"}, {"", "pear plum"}});
    ASSERT_EQ(index(), 1);
    OP_CLOSE(h.s, kOpOpen, {kForums});
    ASSERT_TRUE(save_index_state(h.s, {database().LASTMSGID, 3, 1}));
    OP_CLOSE(h.s, kOpClose, {kForums});
    std::vector<WordList> list;
    ASSERT_TRUE(list_words(h.s, WordOrder::ByCount, 2, list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].THEWORD.str(), "PEAR");
    EXPECT_EQ(list[1].THEWORD.str(), "PLUM");
    EXPECT_EQ(database().WORDLISTINDEXNEEDSUPDATE, 0);
    EXPECT_EQ(h.s.mem.WordListIndexNeedsUpdate, 0);
    list.clear();
    ASSERT_TRUE(list_words(h.s, WordOrder::ByWord, 10, list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].THEWORD.str(), "APPLE");
}

TEST_F(Lists, StopListForms) {
    h.s.GlobalRequest = 1;
    StopListForm(h.s, "Alpha");
    EXPECT_EQ(h.s.GlobalResponse, 1);
    StopListForm(h.s, "ALPHA");  // already there
    EXPECT_EQ(h.s.GlobalResponse, 2);
    StopListForm(h.s, "beta");
    h.s.GlobalRequest = 2;
    StopListForm(h.s, "beta", "alpha");  // the new spelling is taken
    EXPECT_EQ(h.s.GlobalResponse, 2);
    StopListForm(h.s, "beta", "gamma");
    EXPECT_EQ(h.s.GlobalResponse, 1);
    EXPECT_EQ(stop_list(), (std::vector<std::string>{"ALPHA", "GAMMA"}));
    h.s.GlobalRequest = 3;
    StopListForm(h.s, "delta");
    EXPECT_EQ(h.s.GlobalResponse, 2);
    StopListForm(h.s, "alpha");
    EXPECT_EQ(h.s.GlobalResponse, 1);
    EXPECT_EQ(stop_list(), (std::vector<std::string>{"GAMMA"}));
    EXPECT_EQ(stop_form_title(1), " Add New Non Index Word");
    EXPECT_EQ(stop_form_title(3), " Delete Non Index Word");
    EXPECT_EQ(word_list_title(h.s), " Word List [Home]");
    EXPECT_EQ(ignore_list_title(h.s), " Ignore List [Home]");
}

TEST_F(Lists, ARareWordIsDeletedThroughItsKeyACommonOneByRewriting) {
    std::vector<std::pair<std::string, std::string>> msgs;
    for (int i = 0; i < 40; ++i)
        msgs.push_back(
            {"", "filler" + std::to_string(i) + " bulk" + std::to_string(i) + " common"});
    msgs.push_back({"", "rare"});
    auto ids = add(msgs);
    ASSERT_EQ(index(), 1);
    ASSERT_EQ(toggle_mark(h.s, "rare"), 1);
    ASSERT_EQ(index_watching(), 1);
    EXPECT_TRUE(saw_caption("Deleting orphaned word indexes"));
    EXPECT_FALSE(saw_caption("Purging orphaned word indexes"));
    EXPECT_EQ(entries().size(), 120u);
    captions.clear();
    ASSERT_EQ(toggle_mark(h.s, "common"), 1);  // a third of the master index
    ASSERT_EQ(index_watching(), 1);
    EXPECT_TRUE(saw_caption("Purging orphaned word indexes"));
    EXPECT_TRUE(saw_caption("Rebuilding index file"));
    auto left = entries();
    EXPECT_EQ(left.size(), 80u);
    for (const auto& e : left) EXPECT_NE(e.second, "COMMON");
    EXPECT_EQ(left.front().first, ids.front());
    EXPECT_EQ(stop_list(), (std::vector<std::string>{"COMMON", "RARE"}));
}

}  // namespace
}  // namespace qs::words
