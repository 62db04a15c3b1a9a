// SPDX-License-Identifier: MIT
// What the indexer needs of the record store: file order with gaps, and keys set aside for bulk
// loading that a crash would leave missing.
#include "indexer_fixture.h"

namespace qs::words {
namespace {

class IndexStore : public IndexedDb {
protected:
    void SetUp() override { open_mail(); }
};

TEST_F(IndexStore, FileOrderSkipsDeletedRecords) {
    auto ids = add({{"", "a"}, {"", "b"}, {"", "c"}});
    OP_CLOSE(h.s, kOpOpen, {kMsgText});
    store::File& f = handle(h.s, kMsgText);
    MsgText rec;
    ASSERT_TRUE(f.fetch_after(0, &rec));
    int64_t first = f.position();
    EXPECT_EQ(rec.MSGNUMBER, ids[0]);
    ASSERT_TRUE(f.fetch_after(first, &rec));
    ASSERT_TRUE(f.remove());
    ASSERT_TRUE(f.fetch_after(first, &rec));
    EXPECT_EQ(rec.MSGNUMBER, ids[2]);
    uint64_t n = 0;
    ASSERT_TRUE(f.count_after(first, n));
    EXPECT_EQ(n, 1u);
    int64_t last = f.position();
    EXPECT_EQ(f.fetch_after(last, &rec).code(), Code::NotFound);
    ASSERT_TRUE(f.count_after(last, n));
    EXPECT_EQ(n, 0u);
    OP_CLOSE(h.s, kOpClose, {kMsgText});
}

TEST_F(IndexStore, AKeyLeftAsideIsRebuiltWhenTheFileIsOpened) {
    add({{"", "apple pear"}});
    ASSERT_EQ(index(), 1);
    OP_CLOSE(h.s, kOpOpen, {kMasIdx});
    ASSERT_TRUE(handle(h.s, kMasIdx).drop_key(kMasBlockKey));
    OP_CLOSE(h.s, kOpClose, {kMasIdx});
    h.dialog.clear();
    OP_CLOSE(h.s, kOpOpen, {kMasIdx});
    EXPECT_TRUE(h.dialog.saw("due to corrupted indices"));
    MasIdx key, rec;
    key.KIND = kWordMessages;
    key.ID = static_cast<uint32_t>(id_of("PEAR"));
    EXPECT_TRUE(handle(h.s, kMasIdx).get(kMasBlockKey, &key, &rec, 2));
    EXPECT_EQ(rec.ID, key.ID);
    // Building a key that is there changes nothing.
    EXPECT_TRUE(handle(h.s, kMasIdx).build_key(kMasBlockKey));
    OP_CLOSE(h.s, kOpClose, {kMasIdx});
}

TEST_F(IndexStore, KeysAreBackAfterABulkRun) {
    add({{"", "apple pear"}, {"", "pear"}});
    ASSERT_EQ(index(), 1);
    h.dialog.clear();
    OP_CLOSE(h.s, kOpOpen, {kMasIdx, kWordList});
    EXPECT_FALSE(h.dialog.saw("corrupted indices"));
    store::File& w = handle(h.s, kWordList);
    w.set(kWordCountKey);
    WordList top;
    ASSERT_TRUE(w.previous(&top));
    EXPECT_EQ(top.THEWORD.str(), "PEAR");
    OP_CLOSE(h.s, kOpClose, {kMasIdx, kWordList});
}

}  // namespace
}  // namespace qs::words
