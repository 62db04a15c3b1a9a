// SPDX-License-Identifier: MIT
// The indexer's memory of a run: counting, pairs and dirty words.
#include "wordindex/word_book.h"

#include <gtest/gtest.h>

namespace qs::words {
namespace {

TEST(WordBook, CountsOncePerMessageAndHandsOutSortedPairs) {
    WordBook b;
    WordList old;
    old.WORDID = 7;
    old.THEWORD = "OLD";
    old.WORDCOUNT = 3;
    CachedWord& o = b.add_existing(old, 12);
    CachedWord& n = b.add_new("NEW");
    EXPECT_EQ(n.id, 8);  // after the highest id seen
    EXPECT_TRUE(b.count(n, 20));
    EXPECT_FALSE(b.count(n, 20));
    EXPECT_TRUE(b.count(o, 20));
    EXPECT_TRUE(b.count(o, 10));
    EXPECT_EQ(o.count, 5);
    EXPECT_EQ(n.count, 1);
    auto pairs = b.take_pairs();
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].sysid, 10u);
    EXPECT_EQ(pairs[1].word_id, 7u);
    EXPECT_EQ(pairs[2].word_id, 8u);
    EXPECT_EQ(b.pair_count(), 0u);
    EXPECT_EQ(b.take_dirty().size(), 2u);
    EXPECT_TRUE(b.take_dirty().empty());
    b.count(o, 30);
    EXPECT_EQ(b.take_dirty().size(), 1u);
}

TEST(WordBook, AStoppedWordLosesItsBufferedPairsAndQueuesOnlyWhenWritten) {
    WordBook b;
    CachedWord& written = b.add_new("WRITTEN");
    written.position = 5;
    CachedWord& fresh = b.add_new("FRESH");
    b.count(written, 1);
    b.count(fresh, 1);
    b.stop("WRITTEN", written);
    b.stop("FRESH", fresh);
    EXPECT_TRUE(b.is_stop("WRITTEN"));
    EXPECT_TRUE(b.take_pairs().empty());
    EXPECT_TRUE(b.take_dirty().empty());
    EXPECT_EQ(b.deleted(), (std::vector<int32_t>{written.id}));
}

TEST(WordBook, AutoStopThreshold) {
    EXPECT_FALSE(over_auto_stop(10000, 5000));
    EXPECT_FALSE(over_auto_stop(10001, 2500));
    EXPECT_TRUE(over_auto_stop(10001, 2501));
    EXPECT_FALSE(over_auto_stop(10003, 2500));  // a quarter rounds down to 2500
}

}  // namespace
}  // namespace qs::words
