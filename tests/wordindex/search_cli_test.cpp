// SPDX-License-Identifier: MIT
#include <sstream>

#include "app/cli/command.h"
#include "search_corpus.h"

namespace qs::cli {
namespace {

class SearchCommand : public testing::SearchCorpus {
protected:
    void SetUp() override {
        SearchCorpus::SetUp();
        mail(1, 100, "Tea notes", "green tea and black tea");
        mail(2, 102, "Coffee", "black coffee only");
        mail(3, 101, "Mixed", "green coffee beans");
        store();
    }
    int run(std::vector<std::string> words, bool json = false) {
        out.str("");
        Context c{h.s, h.dir, json, out};
        return cmd_search(c, words);
    }
    std::ostringstream out;
};

TEST_F(SearchCommand, ListsHitsNewestFirstAndKeepsThemAsTheResultSet) {
    ASSERT_EQ(run({"Home", "--and", "black", "--whole-word"}), kExitOk);
    std::string text = out.str();
    size_t coffee = text.find("Coffee"), tea = text.find("Tea notes");
    ASSERT_NE(coffee, std::string::npos);
    ASSERT_NE(tea, std::string::npos);
    EXPECT_LT(coffee, tea);  // day 102 before day 100
    // Columns of 10, 11 and 12 characters before the subject.
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "2         " + iso_date(102) + " " + std::string(12, ' ') + "Coffee\n");
    EXPECT_NE(text.find("2 found; words: BLACK"), std::string::npos);

    ASSERT_EQ(run({"Home", "--or", "green", "--not", "tea", "--whole-word"}, true), kExitOk);
    EXPECT_NE(out.str().find("\"MAILID\":3"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("\"MAILID\":1"), std::string::npos);
    EXPECT_NE(out.str().find("\"WORDS\":[\"GREEN\"]"), std::string::npos);

    ASSERT_EQ(run({"Home", "--phrase", "black tea"}), kExitOk);
    EXPECT_NE(out.str().find("1 found"), std::string::npos) << out.str();
    OP_CLOSE(h.s, kOpOpen, {kSearch});
    EXPECT_EQ(testing::record_count(h.s, kSearch), 1u);
    OP_CLOSE(h.s, kOpClose, {kSearch});
}

TEST_F(SearchCommand, FirstBlockOnlyWithoutAllBlocks) {
    set_pause_count(1);
    ASSERT_EQ(run({"Home", "--and", "coffee", "--whole-word"}), kExitOk);
    EXPECT_NE(out.str().find("1 found"), std::string::npos);
    ASSERT_EQ(run({"Home", "--and", "coffee", "--whole-word", "--all-blocks"}), kExitOk);
    EXPECT_NE(out.str().find("2 found"), std::string::npos);
    EXPECT_THROW(run({"Home", "--and", "coffee", "--approx", "x"}), UsageError);
}

// BLACK and BEANS both start with B: a message with either is found, not only one with both.
TEST_F(SearchCommand, AWordMatchingSeveralIndexedWordsTakesAnyOfThem) {
    ASSERT_EQ(run({"Home", "--and", "b", "--starts-with", "--all-blocks"}), kExitOk);
    EXPECT_NE(out.str().find("3 found"), std::string::npos) << out.str();
    ASSERT_EQ(run({"Home", "--and", "b", "--starts-with", "--and", "green"}), kExitOk);
    EXPECT_NE(out.str().find("2 found"), std::string::npos) << out.str();
    EXPECT_EQ(run({"Home", "--and", "b", "--starts-with", "--or", "tea"}), kExitFailed);
}

}  // namespace
}  // namespace qs::cli
