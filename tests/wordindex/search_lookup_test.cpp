// SPDX-License-Identifier: MIT
#include <algorithm>
#include <map>

#include "platform/unicode.h"
#include "search_corpus.h"
#include "wordindex/word_lookup.h"

namespace qs::words {
namespace {

class SearchLookup : public testing::SearchCorpus {
protected:
    void SetUp() override {
        SearchCorpus::SetUp();
        mail(1, 100, "Robert", "Rupert searched the research archive");
        mail(2, 101, "Plans", "computer computers decomposer searching");
        store();
        h.dialog.clear();
    }

    std::vector<std::string> found(const std::string& input, MatchOptions m = {},
                                   bool phrase = false) {
        LookupOutcome out = find_indexed_words(h.s, {input, m, phrase});
        std::vector<std::string> words;
        for (const auto& f : out.found) words.push_back(f.word);
        std::sort(words.begin(), words.end());
        return words;
    }
    using Words = std::vector<std::string>;
};

TEST_F(SearchLookup, FindsByKindOfMatchingWithCountsAndIds) {
    EXPECT_EQ(found("search"), (Words{"RESEARCH", "SEARCHED", "SEARCHING"}));
    MatchOptions whole;
    whole.whole_word = true;
    EXPECT_EQ(found("research", whole), Words{"RESEARCH"});
    MatchOptions starts;
    starts.starts_with = true;
    EXPECT_EQ(found("search", starts), (Words{"SEARCHED", "SEARCHING"}));
    EXPECT_EQ(found("comp*r"), Words{"COMPUTER"});
    EXPECT_EQ(found("*comp*"), (Words{"COMPUTER", "COMPUTERS", "DECOMPOSER"}));
    MatchOptions soundex;
    soundex.soundex = true;
    EXPECT_EQ(found("robert", soundex), (Words{"ROBERT", "RUPERT"}));
    MatchOptions approx;
    approx.approximate = 1;
    EXPECT_EQ(found("archxve", approx), Words{"ARCHIVE"});
    EXPECT_EQ(found("arxhxve", approx), Words{});
    EXPECT_FALSE(h.dialog.saw("Search Problem"));

    LookupOutcome out = find_indexed_words(h.s, {"Rupert computer", {}, false});
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.words, (Words{"RUPERT", "COMPUTER"}));
    for (const auto& f : out.found) {
        EXPECT_EQ(f.id, id_of(f.word));
        EXPECT_EQ(f.count, 1);
    }
}

TEST_F(SearchLookup, WholeWordsLookedUpByKeyMatchWhatAPassFinds) {
    MatchOptions whole;
    whole.whole_word = true;
    LookupOutcome by_key = find_indexed_words(h.s, {"rupert research", whole, false});
    // A "?" cannot be looked up by key, so these go through the whole list.
    LookupOutcome by_pass = find_indexed_words(h.s, {"rup?rt r?search", whole, false});
    ASSERT_TRUE(by_key.ok && by_pass.ok);
    ASSERT_EQ(by_key.found.size(), 2u);
    ASSERT_EQ(by_pass.found.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(by_key.found[i].word, by_pass.found[i].word);
        EXPECT_EQ(by_key.found[i].id, by_pass.found[i].id);
        EXPECT_EQ(by_key.found[i].count, by_pass.found[i].count);
        EXPECT_EQ(by_key.found[i].position, by_pass.found[i].position);
    }
    EXPECT_EQ(found("researc", whole), Words{});  // no prefix match
}

TEST_F(SearchLookup, StopWordsAreDroppedWithTheirMessage) {
    stop_word("THE");
    LookupOutcome out = find_indexed_words(h.s, {"the archive", {}, false});
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.words, Words{"ARCHIVE"});
    ASSERT_EQ(h.dialog.entries.size(), 1u);
    EXPECT_EQ(h.dialog.entries[0].title, "Non-Indexed Word");
    EXPECT_EQ(h.dialog.entries[0].text,
              "The word: THE is a Non-Indexed Word.|It has been removed from the search.");

    h.dialog.clear();
    EXPECT_FALSE(find_indexed_words(h.s, {"the", {}, false}).ok);
    EXPECT_TRUE(
        h.dialog.saw("All of the words are on the stoplist (non-indexed).|Please type "
                     "valid words or cancel!"));
}

TEST_F(SearchLookup, InputChecksStopTheLookupWithTheirMessages) {
    struct Case {
        std::string input;
        MatchOptions m;
        bool phrase;
        const char* title;
        const char* text;
    };
    MatchOptions soundex, approx;
    soundex.soundex = true;
    approx.approximate = 1;
    const Case cases[] = {
        {"comp*",
         {},
         true,
         "Search Problem",
         "Wildcards can not be used in|phrases, soundex or approximate searches."},
        {"rob*", soundex, false, "Search Problem", nullptr},
        {"rob*", approx, false, "Search Problem", nullptr},
        {"   ",
         {},
         false,
         "Blank Search",
         "No searchwords!|Please type a what you want to find or press cancel."},
        {"r", approx, false, "Too Few Letters",
         "To use Approximate Matching you must type at least 2 letters."},
        {"r", soundex, false, "Too Few Letters",
         "To use Soundex you must type at least 2 letters."},
        {"r2d2", soundex, false, "Only Letters Please",
         "Soundex Search Requests May Only Contain Letters and Must be a Single Word."},
        {"robert rupert", soundex, false, "Only Letters Please", nullptr},
        {"computer nowhere",
         {},
         true,
         "No matches",
         "One of the words in the phrase was not found in any document.|Word:NOWHERE"},
    };
    for (const auto& c : cases) {
        h.dialog.clear();
        EXPECT_FALSE(find_indexed_words(h.s, {c.input, c.m, c.phrase}).ok) << c.input;
        ASSERT_EQ(h.dialog.entries.size(), 1u) << c.input;
        EXPECT_EQ(h.dialog.entries[0].title, c.title) << c.input;
        if (c.text) {
            EXPECT_EQ(h.dialog.entries[0].text, c.text) << c.input;
        }
    }
}

TEST_F(SearchLookup, MissingWordListIsReportedNotCreated) {
    OP_CLOSE(h.s, kOpRemove, {kWordList});
    EXPECT_FALSE(find_indexed_words(h.s, {"archive", {}, false}).ok);
    EXPECT_TRUE(h.dialog.saw("The File to be Searched Does Not Exist!"));
    EXPECT_FALSE(fs::exists(full_name(h.s, kWordList)));
}

TEST_F(SearchLookup, ProgressCanStopTheScan) {
    std::vector<int> seen;
    std::vector<WordMatcher> m{WordMatcher("A", {})};
    std::vector<std::vector<FoundWord>> f;
    EXPECT_EQ(scan_word_list(h.s, m, f,
                             [&](int p) {
                                 seen.push_back(p);
                                 return seen.size() < 2;
                             }),
              ScanResult::Stopped);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(scan_word_list(h.s, m, f), ScanResult::Done);
    EXPECT_EQ(f.size(), 1u);
}

// A pass over the list reads the words alone and their ids and counts afterwards: one look-up
// each for a few words, a second pass for many. Without progress to tell, the words are tested
// inside the statement that reads them (perhaps from the words' key). Whatever the way, the same
// words come out in list order, each with its own id and count.
class SearchManyWords : public testing::SearchCorpus {
protected:
    void SetUp() override {
        SearchCorpus::SetUp();
        const char* letters[] = {"A", "E", "L", "N", "S", "T", "É", "Ø"};
        std::string texts[3];
        for (int k = 1; k <= 3000; ++k) {
            std::string w = "Q";
            for (int n = k; n > 0; n /= 8) w += letters[n % 8];
            for (int m = 0; m <= k % 3; ++m) texts[m] += w + " ";
            counts[w] = k % 3 + 1;
        }
        for (uint32_t m = 0; m < 3; ++m) mail(m + 1, 100, "Many", texts[m]);
        counts["MANY"] = 3;  // the subject
        list_backwards = true;
        store();
    }
    std::map<std::string, int32_t> counts;
};

TEST_F(SearchManyWords, EveryWayOfPassingFindsTheSameWordsWithTheirIdsAndCounts) {
    MatchOptions approx[3];
    for (int d = 0; d < 3; ++d) approx[d].approximate = d;
    const std::pair<const char*, MatchOptions> cases[] = {
        {"*", {}},           {"*É*", {}},         {"*AL", {}},         {"Q?Ø*", {}},
        {"LENA", approx[1]}, {"SÉAN", approx[2]}, {"L?NT", approx[1]}, {"ETA", approx[0]}};
    for (const auto& [input, options] : cases) {
        const WordMatcher m(input, options);
        const auto expected = static_cast<size_t>(std::count_if(
            counts.begin(), counts.end(), [&](const auto& c) { return m.matches(c.first); }));
        std::vector<std::vector<FoundWord>> tested, passed;
        ASSERT_EQ(scan_word_list(h.s, {m}, tested), ScanResult::Done);
        ASSERT_EQ(scan_word_list(h.s, {m}, passed, [](int) { return true; }), ScanResult::Done);
        EXPECT_EQ(tested[0].size(), expected) << input;
        ASSERT_EQ(passed[0].size(), tested[0].size()) << input;
        for (size_t i = 0; i < tested[0].size(); ++i) {
            const FoundWord &t = tested[0][i], &p = passed[0][i];
            EXPECT_EQ(t.word, p.word) << input;
            EXPECT_EQ(t.position, p.position) << input;
            EXPECT_EQ(t.id, id_of(t.word)) << input << " " << t.word;
            EXPECT_EQ(t.count, counts.at(t.word)) << input << " " << t.word;
            EXPECT_EQ(p.id, t.id) << input << " " << t.word;
            EXPECT_EQ(p.count, t.count) << input << " " << t.word;
        }
    }
}

// Words anchored at their start, and soundex codes, are read as key ranges of the word list; the
// ranges must find exactly what a pass over the whole list finds, in the same order.
class SearchRange : public testing::SearchCorpus {
protected:
    void SetUp() override {
        SearchCorpus::SetUp();
        mail(1, 100, "Sea", "searché search searcg searchi searc research seas seb");
        mail(2, 101, "Sea", "sea\xC3\xBF searchers sea-bed séance élan eland ölan");
        store();
    }
};

TEST_F(SearchRange, AnchoredWordsFoundByKeyRangeMatchAPassOverTheList) {
    struct Case {
        const char* word;
        bool starts_with, whole_word, soundex = false;
    };
    const Case cases[] = {
        {"SEARCH", true, false},      {"SEA", true, false},         {"SEARCH", false, true},
        {"SEA?CH", true, false},      {"SEARCH*", false, false},    {"SEA*S", false, false},
        {"SÉ", true, false},          {"SEAÿ", false, true},        {"ZZZ", true, false},
        {"ELAN", false, false, true}, {"ÉLAN", false, false, true}, {"SEAS", false, false, true},
    };
    const WordMatcher everything("*", {});
    for (const auto& c : cases) {
        MatchOptions o;
        o.starts_with = c.starts_with;
        o.whole_word = c.whole_word;
        o.soundex = c.soundex;
        WordMatcher m(nfc(upper_case(c.word)), o);
        ASSERT_FALSE(m.key_ranges().empty()) << c.word;
        std::vector<std::vector<FoundWord>> ranged, passed;
        ASSERT_EQ(scan_word_list(h.s, {m}, ranged), ScanResult::Done);
        ASSERT_EQ(scan_word_list(h.s, {m, everything}, passed), ScanResult::Done);
        ASSERT_EQ(ranged[0].size(), passed[0].size()) << c.word;
        for (size_t i = 0; i < ranged[0].size(); ++i) {
            EXPECT_EQ(ranged[0][i].word, passed[0][i].word) << c.word;
            EXPECT_EQ(ranged[0][i].position, passed[0][i].position) << c.word;
        }
    }
}

}  // namespace
}  // namespace qs::words
