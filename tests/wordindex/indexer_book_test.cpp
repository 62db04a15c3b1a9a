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

// Words that share their first bytes and length, past what a slot keeps of them, and enough words
// to make the table grow several times: each is found as itself, and a word never added is not.
TEST(WordCache, EveryWordIsFoundAsItselfAcrossGrowthAndSharedBeginnings) {
    WordCache<int> cache;
    auto word = [](int i) {
        const std::string head = i % 3 == 0 ? std::string(23, 'A') : i % 3 == 1 ? "W" : "";
        return head + std::to_string(i) + (i % 5 == 0 ? std::string(200, 'Z') : "");
    };
    for (int i = 0; i < 5000; ++i) *cache.insert(word(i)).second = i;
    EXPECT_EQ(cache.size(), 5000u);
    for (int i = 0; i < 5000; ++i) {
        const int* v = cache.find(word(i));
        ASSERT_NE(v, nullptr) << word(i);
        EXPECT_EQ(*v, i);
        EXPECT_EQ(*cache.insert(word(i)).first, word(i));
    }
    for (int i = 5000; i < 5100; ++i) EXPECT_EQ(cache.find(word(i)), nullptr) << word(i);
    EXPECT_EQ(cache.find(std::string(23, 'A')), nullptr);
    EXPECT_EQ(cache.size(), 5000u);
}

TEST(WordBook, AutoStopThreshold) {
    EXPECT_FALSE(over_auto_stop(10000, 5000));
    EXPECT_FALSE(over_auto_stop(10001, 2500));
    EXPECT_TRUE(over_auto_stop(10001, 2501));
    EXPECT_FALSE(over_auto_stop(10003, 2500));  // a quarter rounds down to 2500
}

}  // namespace
}  // namespace qs::words
