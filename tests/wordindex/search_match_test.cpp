// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/unicode.h"

#include "wordindex/word_match.h"
#include "wordindex/word_positions.h"

namespace qs::words {
namespace {

bool match(const std::string& search, const std::string& word, MatchOptions o = {}) {
    return WordMatcher(search, o).matches(word);
}

TEST(SearchSoundex, CodesByTheLetterTable) {
    EXPECT_EQ(soundex_code("ROBERT"), "R163");
    EXPECT_EQ(soundex_code("RUPERT"), "R163");
    EXPECT_EQ(soundex_code("ASHCRAFT"), "A2613");  // H does not separate S and C; not cut to four
    EXPECT_EQ(soundex_code("TYMCZAK"), "T52");     // nor does a vowel (K after A)
    EXPECT_EQ(soundex_code("PFISTER"), "P1236");   // the first letter's digit is not remembered
    EXPECT_EQ(soundex_code("A"), "A");
    EXPECT_EQ(soundex_code("R2D2"), "");
    EXPECT_EQ(soundex_code(""), "");
}

TEST(SearchSoundex, ListWordMatchesWhenItsCodeBeginsWithTheSearchCode) {
    MatchOptions o;
    o.soundex = true;
    EXPECT_TRUE(match("ROBERT", "RUPERT", o));
    EXPECT_TRUE(match("ROBERT", "ROBERTSON", o));  // R16325 begins with R163
    EXPECT_FALSE(match("ROBERTSON", "ROBERT", o));
    EXPECT_FALSE(match("ROBERT", "RUBIN", o));
    EXPECT_FALSE(match("ROBERT", "R2D2", o));
}

TEST(SearchApproximate, DegreeCountsSubstitutionsInsertionsAndDeletions) {
    MatchOptions one;
    one.approximate = 1;
    EXPECT_TRUE(match("SEARCH", "SEARCH", one));
    EXPECT_TRUE(match("SEERCH", "SEARCH", one));     // one substituted
    EXPECT_TRUE(match("SERCH", "SEARCH", one));      // one missing in the search word
    EXPECT_TRUE(match("SERCH", "RESEARCHED", one));  // occurs inside the list word
    EXPECT_TRUE(match("SEARXCH", "SEARXXCH", one));
    EXPECT_FALSE(match("SEACHNG", "SEARCHING", one));  // two missing
    EXPECT_FALSE(match("SEACRH", "SEARCH", one));      // two exchanged
    EXPECT_FALSE(match("SEERXH", "SEARCH", one));      // two substituted
    EXPECT_FALSE(match("SEARCHES", "SEARCH", one));    // a shorter list word never matches
    MatchOptions two;
    two.approximate = 2;
    EXPECT_TRUE(match("SEACHNG", "SEARCHING", two));
    EXPECT_TRUE(match("SEACRH", "SEARCH", two));
    EXPECT_TRUE(match("SEERXH", "SEARCH", two));
    MatchOptions none;
    none.approximate = 0;
    EXPECT_TRUE(match("ARC", "SEARCH", none));
    EXPECT_FALSE(match("ARX", "SEARCH", none));
}

TEST(SearchApproximate, QuestionMarkMatchesAnyCharacter) {
    ApproximateMatcher m("S?ARCH", 0);
    EXPECT_TRUE(m.matches("SEARCH"));
    EXPECT_TRUE(m.matches("SXARCH"));
    EXPECT_FALSE(m.matches("SEARXH"));
}

// The fewest substitutions, insertions and deletions that turn the pattern into some part of the
// text, character by character, "?" taking any one character: the plain table, for checking the
// matcher and the pieces it turns words away with.
int distance_in(std::string_view pattern, std::string_view text) {
    auto chars = [](std::string_view s) {
        std::vector<char32_t> out;
        for (size_t i = 0; i < s.size();) out.push_back(next_code_point(s, i));
        return out;
    };
    const std::vector<char32_t> p = chars(pattern), t = chars(text);
    std::vector<int> row(t.size() + 1, 0), next(t.size() + 1);
    for (size_t i = 1; i <= p.size(); ++i) {
        next[0] = static_cast<int>(i);
        for (size_t j = 1; j <= t.size(); ++j) {
            const int same = p[i - 1] == '?' || p[i - 1] == t[j - 1] ? 0 : 1;
            next[j] = std::min({row[j - 1] + same, row[j] + 1, next[j - 1] + 1});
        }
        std::swap(row, next);
    }
    return *std::min_element(row.begin(), row.end());
}

TEST(SearchApproximate, AgreesWithTheEditDistanceOnGeneratedWords) {
    // Few letters, so that words near the pattern are common; accented and wide letters, and a
    // byte that is no UTF-8, which reads as U+FFFD.
    // A Greek letter makes its patterns match exactly.
    const std::vector<std::string> letters = {"A", "B", "L", "N", "É", "Ö", "ẞ", "Λ", "\xFF"};
    std::vector<std::string> pattern_letters = letters;
    pattern_letters.back() = "?";
    pattern_letters.push_back("\xEF\xBF\xBD");
    std::mt19937 rng(1709);
    auto word = [&](const std::vector<std::string>& from, size_t min, size_t max) {
        std::string w;
        const size_t n = std::uniform_int_distribution<size_t>(min, max)(rng);
        for (size_t i = 0; i < n; ++i)
            w += from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng)];
        return w;
    };
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) texts.push_back(word(letters, 0, 10));
    int matched = 0, refused = 0;
    for (int i = 0; i < 120; ++i) {
        const std::string pattern = word(pattern_letters, 1, 7);
        const int degree = latin_script(pattern) ? i % 4 : 0;
        const ApproximateMatcher m(pattern, degree);
        for (const auto& t : texts) {
            const bool expected = distance_in(pattern, t) <= degree;
            ASSERT_EQ(m.matches(t), expected) << pattern << " / " << t << " degree " << degree;
            ++(expected ? matched : refused);
        }
    }
    // Both outcomes are common, so the table checks both ways.
    EXPECT_GT(matched, 1000);
    EXPECT_GT(refused, 1000);
}

// The pieces are what keeps a pass over the word list cheap: a pattern that silently lost them
// would still match rightly, only slowly.
TEST(SearchApproximate, PiecesAreCutAtWildcardsAndGoneWhenOneWouldBeEmpty) {
    struct Case {
        const char* pattern;
        int degree;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"LAINTAL", 1, {"LAI", "NTAL"}},
        {"LAINTAL", 0, {"LAINTAL"}},
        {"SE?RCHING", 1, {"SE", "CHING"}},  // the longest literal run of "SE?R"
        {"SÉANCE", 1, {"SÉA", "NCE"}},
        {"AB", 2, {}},  // more pieces than characters: every word may match
        {"A??B", 1, {"A", "B"}},
        {"A??B", 3, {}},  // "A", "?", "?", "B": two pieces hold no letter
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApproximateMatcher(c.pattern, c.degree).pieces(), c.pieces) << c.pattern;
}

TEST(SearchPattern, PlainStartsWithAndWholeWord) {
    EXPECT_TRUE(match("ARC", "SEARCH"));
    EXPECT_FALSE(match("ARCS", "SEARCH"));
    MatchOptions starts;
    starts.starts_with = true;
    EXPECT_TRUE(match("SEA", "SEARCH", starts));
    EXPECT_FALSE(match("ARC", "SEARCH", starts));
    MatchOptions whole;
    whole.whole_word = true;
    EXPECT_TRUE(match("SEARCH", "SEARCH", whole));
    EXPECT_FALSE(match("SEARCH", "SEARCHES", whole));
    EXPECT_FALSE(match("SEARCH", "RESEARCH", whole));
    EXPECT_TRUE(match("S?ARCH", "SEARCH", whole));
}

TEST(SearchPattern, StarPiecesOccurInOrderWithTheirAnchors) {
    EXPECT_TRUE(match("COMP*ER", "COMPUTER"));
    EXPECT_FALSE(match("COMP*ER", "COMPUTERS"));   // the last piece is tied to the end
    EXPECT_FALSE(match("COMP*ER", "DECOMPOSER"));  // the first piece to the start
    EXPECT_TRUE(match("COMP*", "COMPUTERS"));
    EXPECT_TRUE(match("*PUT*", "COMPUTERS"));
    EXPECT_TRUE(match("*TERS", "COMPUTERS"));
    EXPECT_FALSE(match("*TERS", "COMPUTER"));
    EXPECT_TRUE(match("C*M*R", "COMPUTER"));
    EXPECT_FALSE(match("C*T*M", "COMPUTER"));  // out of order
    EXPECT_FALSE(match("AB*BC", "ABC"));       // pieces may not overlap
    EXPECT_TRUE(match("AB*BC", "ABBC"));
    EXPECT_TRUE(match("C?M*", "COMPUTER"));
    EXPECT_TRUE(match("*", "ANY"));
}

// Accented Latin letters are one character each and code as the letters they are built on;
// other scripts match exactly under approximate matching and have no soundex code.
TEST(SearchMatch, WordsBeyondAscii) {
    MatchOptions soundex;
    soundex.soundex = true;
    MatchOptions one;
    one.approximate = 1;
    MatchOptions whole;
    whole.whole_word = true;
    struct Case {
        std::string search, word;
        MatchOptions options;
        bool matches;
    };
    const Case cases[] = {
        {"MÜLLER", "MULLER", soundex, true},
        {"MILLER", "MÜLLER", soundex, true},
        {"STRASSE", "STRAẞE", soundex, true},
        {"KOLN", "KÖLN", one, true},     // the accent is one substitution
        {"KLN", "KÖLN", one, true},      // Ö is one missing character, not two bytes
        {"KOLM", "KÖLN", one, false},    // two substitutions
        {"ΚΟΣΜΕ", "ΚΌΣΜΕ", one, false},  // Greek matches exactly
        {"ΚΌΣΜΕ", "ΚΌΣΜΕ", one, true},
        {"K?LN", "KÖLN", whole, true},  // "?" takes a character of two bytes
        {"Ж?Ж", "ЖЯЖ", whole, true},
        {"*ÖLN", "KÖLN", {}, true},
        {"KÖ*N", "KÖLN", {}, true},
        {"ÖÖÖ", "ÖÖ", {}, false},  // fewer characters, though as many bytes
        {"東京", "東京タワー", {}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(match(c.search, c.word, c.options), c.matches) << c.search << " " << c.word;
    EXPECT_EQ(soundex_code("ΚΌΣΜΕ"), "");
}

TEST(SearchPattern, AtMostFiftyPieces) {
    std::string search;
    for (int i = 0; i < 60; ++i) search += "A*";
    search += "B";
    // The pieces after the fiftieth are dropped, so the closing B is not required.
    EXPECT_TRUE(match(search, std::string(50, 'A')));
    EXPECT_FALSE(match(search, std::string(49, 'A') + "B"));
}

const WordRules& rules() {
    static const WordRules r = WordRules::defaults();
    return r;
}

TEST(SearchWordPositions, EveryOccurrenceOfTheWholeWord) {
    std::vector<WordPos> q{{99, 99}};
    std::string text = "A search, then another Search.";
    BUILDWORDPOSQ(rules(), q, text.size(), text, "search");
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].first, 3);
    EXPECT_EQ(q[0].last, 8);
    EXPECT_EQ(q[1].first, 24);
    EXPECT_EQ(q[1].last, 29);

    BUILDWORDPOSQ(rules(), q, text.size(), "RESEARCH and researching", "SEARCH");
    EXPECT_TRUE(q.empty());
    BUILDWORDPOSQ(rules(), q, 5, text, "SEARCH");  // the length cuts the text
    EXPECT_TRUE(q.empty());
}

TEST(SearchWordPositions, AnyOfSeveralWords) {
    std::vector<WordPos> q;
    std::string text = "red green blue green   ";
    BUILDWORDPOSQ1(rules(), q, text.size(), text, {"GREEN", "BLUE                 "});
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].first, 5);
    EXPECT_EQ(q[1].first, 11);
    EXPECT_EQ(q[2].first, 16);
    EXPECT_EQ(q[2].last, 20);
}

}  // namespace
}  // namespace qs::words
