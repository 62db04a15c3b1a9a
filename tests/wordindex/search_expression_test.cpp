// SPDX-License-Identifier: MIT
#include "wordindex/search_expression.h"
#include "search_corpus.h"

namespace qs::words {
namespace {

class Expression : public testing::SearchCorpus {
protected:
    void SetUp() override {
        SearchCorpus::SetUp();
        mail(1, 1, "", "black tea");
        mail(2, 2, "", "black coffee");
        mail(3, 3, "", "green coffee beans");
        mail(4, 4, "", "blue the");
        store();
        stop_word("THE");
    }
};

// The lists as "AND WORD", "AND NOT WORD" and "OR WORD", AND entries first.
std::vector<std::string> entries(const SearchLists& l) {
    std::vector<std::string> out;
    for (const auto& e : l.ANDQ)
        out.push_back(std::string(e.negated() ? "AND NOT " : "AND ") + e.THEWORD.str());
    for (const auto& e : l.ORQ)
        out.push_back(std::string(e.negated() ? "OR NOT " : "OR ") + e.THEWORD.str());
    return out;
}

TEST_F(Expression, TypedWordsBecomeTheListsOfTheSearch) {
    using R = ExpressionResult;
    using V = std::vector<std::string>;
    struct Case {
        const char* fault;
        SearchInput in;
        R result;
        V lists;
        std::string input = "";  // the input named by NoMatch and TooOpen
    };
    MatchOptions prefix, whole;
    prefix.starts_with = true;
    whole.whole_word = true;
    const Case cases[] = {
        {"a plain word is not required", {{"black"}, {}, {}, {}, whole}, R::Ready, {"AND BLACK"}},
        {"a word matching several requires all of them",
         {{"b"}, {}, {}, {}, prefix},
         R::Ready,
         {"OR BEANS", "OR BLACK", "OR BLUE"}},
        {"a second open word is taken as all of its matches",
         {{"b", "bl"}, {}, {}, {}, prefix},
         R::TooOpen,
         {},
         "bl"},
        {"an open word and the OR list are mixed",
         {{"b"}, {"tea"}, {}, {}, prefix},
         R::TooOpen,
         {},
         "b"},
        {"a required word found nowhere still searches",
         {{"pumpkin"}, {}, {"tea"}, {}, whole},
         R::NoMatch,
         {},
         "pumpkin"},
        {"OR and NOT words land in the wrong lists",
         {{}, {"tea", "coffee"}, {"green"}, {}, whole},
         R::Ready,
         {"AND NOT GREEN", "OR TEA", "OR COFFEE"}},
        {"a phrase's words are not all required",
         {{}, {}, {}, "black tea", {}},
         R::Ready,
         {"AND BLACK", "AND TEA"}},
        {"a stop word alone is searched for", {{"the"}, {}, {}, {}, whole}, R::Stopped, {}},
        {"an empty phrase is passed over", {{"tea"}, {}, {}, "", whole}, R::Stopped, {}},
    };
    for (const Case& c : cases) {
        SearchExpression e = build_search_expression(h.s, c.in);
        EXPECT_EQ(e.result, c.result) << c.fault;
        EXPECT_EQ(entries(e.lists), c.lists) << c.fault;
        EXPECT_EQ(e.input, c.input) << c.fault;
    }
    SearchExpression p = build_search_expression(h.s, {{}, {}, {}, "black the tea", {}});
    EXPECT_EQ(p.phrase.words, (V{"BLACK", "TEA"}));
    EXPECT_EQ(p.phrase.skipped, V{"THE"});
    EXPECT_EQ(build_search_expression(h.s, {{"b"}, {}, {}, {}, prefix}).matches, 0u);
    EXPECT_EQ(build_search_expression(h.s, {{"b", "bl"}, {}, {}, {}, prefix}).matches, 2u);
}

}  // namespace
}  // namespace qs::words
