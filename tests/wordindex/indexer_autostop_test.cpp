// SPDX-License-Identifier: MIT
// Automatic stop words: a word in more than a quarter of the messages leaves the index once
// more than 10000 messages are indexed.
#include <string>

#include "indexer_fixture.h"

namespace qs::words {
namespace {

class AutoStop : public IndexedDb {
protected:
    void SetUp() override { open_mail(); }

    // `total` messages, the first `with` of them holding COMMON.
    void fill(int total, int with) {
        std::vector<std::pair<std::string, std::string>> msgs;
        for (int i = 0; i < total; ++i)
            msgs.push_back({"", i < with ? "common w" + std::to_string(i % 7) : "other"});
        add(msgs);
        ASSERT_EQ(index(), 1);
        ASSERT_EQ(words()["COMMON"], with);
    }

    size_t entries_of(const std::string& word) {
        size_t n = 0;
        for (const auto& e : entries()) n += e.second == word;
        return n;
    }
};

TEST_F(AutoStop, MovesAWordInMoreThanAQuarterOfOver10000Messages) {
    fill(10001, 2501);
    IndexOutcome out;
    add({{"", "common ground"}});
    EXPECT_EQ(index(false, &out), 1);
    EXPECT_EQ(out.stopped, 1u);
    EXPECT_EQ(words().count("COMMON"), 0u);
    EXPECT_EQ(entries_of("COMMON"), 0u);
    EXPECT_EQ(stop_list(), (std::vector<std::string>{"COMMON"}));
    EXPECT_EQ(words()["GROUND"], 1);
    EXPECT_EQ(words()["OTHER"], 10001 - 2501);  // more than a quarter, but not met this run
}

TEST_F(AutoStop, KeepsWordsWhileAtMost10000MessagesAreIndexed) {
    fill(10000, 2501);
    add({{"", "common ground"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words()["COMMON"], 2502);
    EXPECT_EQ(entries_of("COMMON"), 2502u);
    EXPECT_TRUE(stop_list().empty());
}

TEST_F(AutoStop, KeepsWordsWhenTheSettingIsOff) {
    uint8_t off = 0;
    ASSERT_TRUE(WSVars(h.s, 2, 55, nullptr, &off));
    fill(10001, 2501);
    add({{"", "common"}});
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(words()["COMMON"], 2502);
    EXPECT_TRUE(stop_list().empty());
}

}  // namespace
}  // namespace qs::words
