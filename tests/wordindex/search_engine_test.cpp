// SPDX-License-Identifier: MIT
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

#include "platform/vfs.h"
#include "search_corpus.h"
#include "wordindex/search_engine.h"

namespace qs::words {
namespace {

class SearchEngine : public testing::SearchCorpus {
protected:
    FoundWord word(const std::string& w) {
        OP_CLOSE(h.s, kOpOpen, {kWordList});
        WordList r;
        r.THEWORD = w;
        EXPECT_TRUE(handle(h.s, kWordList).get(1, &r, &r).is_ok()) << w;
        OP_CLOSE(h.s, kOpClose, {kWordList});
        return {w, r.WORDID, r.WORDCOUNT, 0};
    }
    SearchLists lists(std::vector<std::string> and_words, std::vector<std::string> or_words = {}) {
        SearchLists l;
        for (const auto& w : and_words) {
            bool neg = w[0] == '-';
            l.add_and(word(neg ? w.substr(1) : w), neg);
        }
        for (const auto& w : or_words) {
            bool neg = w[0] == '-';
            l.add_or(word(neg ? w.substr(1) : w), neg);
        }
        return l;
    }
    SearchOutcome run(SearchState& st, const SearchLists& l, const Phrase& p = {}) {
        EXPECT_TRUE(st.prepare(l, p));
        return st.BUILDSEARCH(hits, found);
    }
    HitQueue hits;
    FoundWordsQueue found;
    using Hits = HitQueue;
};

TEST_F(SearchEngine, RareAndWordDrivesAndTheFrequentOneIsCheckedPerHit) {
    for (uint32_t i = 1; i <= 60; ++i)
        mail(i, static_cast<int32_t>(i), "note", i % 20 == 0 ? "common rare" : "common words");
    store();
    SearchState st(h.s, kMailDb);
    EXPECT_EQ(run(st, lists({"COMMON", "RARE"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{20, 40, 60}));
    EXPECT_EQ(st.counters().postings_read, 3u);  // RARE's entries only
    EXPECT_EQ(st.counters().lookups, 3u);        // COMMON looked up once per hit
    EXPECT_EQ(found, (FoundWordsQueue{"COMMON", "RARE"}));

    EXPECT_EQ(run(st, lists({"RARE", "-WORDS"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{20, 40, 60}));
    EXPECT_EQ(run(st, lists({"WORDS", "-COMMON"})), SearchOutcome::NoMatches);
    EXPECT_TRUE(h.dialog.saw("No Messages Match your Search Criteria. Sorry!"));
    EXPECT_EQ(st.counters().postings_read, 57u);  // WORDS (57) is rarer than COMMON (60)
}

TEST_F(SearchEngine, WordsOfLikeFrequencyAreReadWholeInsteadOfLookedUpPerHit) {
    for (uint32_t i = 1; i <= 40; ++i) {
        std::string text = i <= 30 ? "alpha" : "other";
        if (i > 20) text += " beta";  // BETA: 21 to 40, so ALPHA and BETA meet in 21 to 30
        mail(i, static_cast<int32_t>(i), "x", text);
    }
    store();
    SearchState st(h.s, kMailDb);
    EXPECT_EQ(run(st, lists({"ALPHA", "BETA"})), SearchOutcome::Hits);
    Hits both;
    for (uint32_t i = 21; i <= 30; ++i) both.insert(i);
    EXPECT_EQ(hits, both);
    EXPECT_EQ(st.counters().postings_read, 20u);  // BETA drives
    EXPECT_EQ(st.counters().whole_entries, 30u);  // ALPHA read once, whole
    EXPECT_EQ(st.counters().lookups, 0u);

    EXPECT_EQ(run(st, lists({"BETA", "-ALPHA"})), SearchOutcome::Hits);
    Hits beta_only;
    for (uint32_t i = 31; i <= 40; ++i) beta_only.insert(i);
    EXPECT_EQ(hits, beta_only);
    EXPECT_EQ(run(st, lists({"BETA"}, {"ALPHA", "OTHER"})), SearchOutcome::Hits);
    EXPECT_EQ(hits.size(), 20u);  // 21 to 30 hold ALPHA, 31 to 40 OTHER
}

TEST_F(SearchEngine, OrListIsTheSourceWhenItYieldsFewerEntries) {
    for (uint32_t i = 1; i <= 30; ++i) mail(i, 1, "x", "big");
    mail(3, 1, "x", "big red");
    mail(4, 1, "x", "big blue red");
    mail(40, 1, "x", "blue");
    store();
    SearchState st(h.s, kMailDb);
    EXPECT_EQ(run(st, lists({"BIG"}, {"RED", "BLUE"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{3, 4}));
    EXPECT_EQ(st.counters().postings_read, 4u);  // RED 2 + BLUE 2, not BIG's 32
    EXPECT_EQ(found, (FoundWordsQueue{"BIG", "BLUE", "RED"}));
}

// A prefix or soundex search ORs many words; the words of the first block's hits are told
// without asking the index once per hit and word.
TEST_F(SearchEngine, WordsOfABlockAreFoundWithoutALookUpPerHit) {
    for (uint32_t i = 1; i <= 6; ++i) mail(i, 1, "x", i <= 3 ? "one two" : "one");
    mail(20, 1, "x", "three");
    store();
    set_pause_count(4);
    SearchState st(h.s, kMailDb);
    st.set_questions({[] { return true; },
                      [](size_t) {
                          return false;
                      }});
    EXPECT_EQ(run(st, lists({}, {"ONE", "TWO", "THREE"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{1, 2, 3, 4}));  // the first block only
    EXPECT_EQ(found, (FoundWordsQueue{"ONE", "TWO"}));
    EXPECT_EQ(st.counters().lookups, 0u);
}

TEST_F(SearchEngine, OrWithNot) {
    mail(1, 1, "x", "apple pear");
    mail(2, 2, "x", "apple");
    mail(3, 3, "x", "plum pear");
    mail(4, 4, "x", "plum");
    mail(5, 5, "x", "pear");
    store();
    SearchState st(h.s, kMailDb);
    // Driven by APPLE; a hit stays when it has PLUM or lacks PEAR.
    EXPECT_EQ(run(st, lists({"APPLE"}, {"PLUM", "-PEAR"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, Hits{2});
    // No word can drive: every message is examined, after the question.
    h.dialog.script({true});
    EXPECT_EQ(run(st, lists({}, {"PLUM", "-PEAR"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{2, 3, 4}));
    EXPECT_TRUE(h.dialog.saw("Too Many Matches"));
    EXPECT_EQ(found, (FoundWordsQueue{"APPLE", "PLUM"}));
}

TEST_F(SearchEngine, NegatedWordAloneScansNewestFirstInBlocksOfAThousand) {
    for (uint32_t i = 1; i <= 2300; ++i)
        mail(i, static_cast<int32_t>(i), "x", i % 2 ? "odd" : "even");
    store();
    SearchState st(h.s, kMailDb);
    h.dialog.script({false, true});  // declined, then accepted
    EXPECT_EQ(run(st, lists({"-ODD"})), SearchOutcome::Cancelled);
    EXPECT_TRUE(hits.empty());
    ASSERT_EQ(h.dialog.entries.size(), 1u);
    EXPECT_EQ(h.dialog.entries[0].title, "Too Many Matches");
    EXPECT_EQ(h.dialog.entries[0].text,
              "The Search you have requested has too many matches.|The 1st 1000 will be found or "
              "try a more restrictive Search.|Would you like to Continue or Cancel the Search?");

    h.dialog.clear();
    EXPECT_EQ(run(st, lists({"-ODD"})), SearchOutcome::Hits);
    ASSERT_EQ(hits.size(), 1000u);
    EXPECT_EQ(*hits.rbegin(), 2300u);
    EXPECT_EQ(*hits.begin(), 302u);  // the 1000 newest even mails
    EXPECT_EQ(st.counters().messages_scanned, 1999u);

    h.dialog.clear();
    EXPECT_EQ(st.BUILDSEARCH(hits, found), SearchOutcome::Hits);  // "Next Block": no question
    EXPECT_TRUE(h.dialog.entries.empty());
    ASSERT_EQ(hits.size(), 150u);
    EXPECT_EQ(*hits.rbegin(), 300u);
    EXPECT_EQ(*hits.begin(), 2u);
    EXPECT_EQ(st.BUILDSEARCH(hits, found), SearchOutcome::NothingToSearch);
    EXPECT_TRUE(h.dialog.saw("Nothing (More) to Search for!"));
}

// The window or the command line answers the two questions itself; the dialog sees neither.
TEST_F(SearchEngine, QuestionsGoToTheirCallbacks) {
    for (uint32_t i = 1; i <= 12; ++i)
        mail(i, static_cast<int32_t>(i), "x", i % 2 ? "odd" : "even");
    store();
    set_pause_count(4);
    SearchState st(h.s, kMailDb);
    int too_many = 0;
    std::vector<size_t> asked;
    st.set_questions({[&] { return ++too_many > 1; },
                      [&](size_t hits) {
                          asked.push_back(hits);
                          return asked.size() < 2;
                      }});
    EXPECT_EQ(run(st, lists({"-ODD"})), SearchOutcome::Cancelled);
    EXPECT_EQ(run(st, lists({"-ODD"})), SearchOutcome::Hits);
    EXPECT_EQ(hits.size(), 6u);
    EXPECT_EQ(too_many, 2);
    EXPECT_EQ(run(st, lists({}, {"ODD", "EVEN"})), SearchOutcome::Hits);
    EXPECT_EQ(asked,
              (std::vector<size_t>{4, 8}));  // Yes after the first block, No after the second
    EXPECT_EQ(hits.size(), 8u);
    EXPECT_FALSE(st.finished());
    EXPECT_TRUE(h.dialog.entries.empty());
}

TEST_F(SearchEngine, PauseCountEndsBlocksThatAskToSearchMore) {
    for (uint32_t i = 1; i <= 12; ++i) mail(i, 1, "x", "topic");
    mail(20, 1, "x", "other");
    store();
    set_pause_count(5);
    SearchState st(h.s, kMailDb);
    h.dialog.script({false, true});  // "Search More?": Cancel, then Yes after "Next Block"
    EXPECT_EQ(run(st, lists({"TOPIC"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{1, 2, 3, 4, 5}));
    ASSERT_EQ(h.dialog.entries.size(), 1u);
    EXPECT_EQ(h.dialog.entries[0].title, "Search More?");
    EXPECT_EQ(h.dialog.entries[0].text,
              "5 search hits found!|But there are more records to search.|Would you like to "
              "search more records now?");

    h.dialog.clear();
    EXPECT_EQ(st.BUILDSEARCH(hits, found), SearchOutcome::Hits);  // "Next Block", then Yes
    EXPECT_EQ(hits, (Hits{6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(h.dialog.entries.size(), 1u);  // the last block ends without asking
    EXPECT_TRUE(st.finished());
    EXPECT_EQ(st.counters().postings_read, 12u);
    EXPECT_EQ(st.BUILDSEARCH(hits, found), SearchOutcome::NothingToSearch);
}

TEST_F(SearchEngine, BlockOfExactlyThePauseCountDoesNotAsk) {
    for (uint32_t i = 1; i <= 5; ++i) mail(i, 1, "x", "topic");
    mail(9, 1, "x", "none");
    store();
    set_pause_count(5);
    SearchState st(h.s, kMailDb);
    EXPECT_EQ(run(st, lists({"TOPIC"})), SearchOutcome::Hits);
    EXPECT_EQ(hits.size(), 5u);
    EXPECT_FALSE(h.dialog.saw("Search More?"));
}

TEST_F(SearchEngine, PausedBlockWithNoHitsLeftAfterFilteringSaysNo) {
    for (uint32_t i = 1; i <= 8; ++i) mail(i, 1, "x", i > 6 ? "topic extra" : "topic");
    store();
    set_pause_count(3);
    SearchState st(h.s, kMailDb);
    EXPECT_EQ(run(st, lists({"TOPIC", "EXTRA"})), SearchOutcome::Hits);  // EXTRA drives
    EXPECT_EQ(hits, (Hits{7, 8}));
    EXPECT_FALSE(h.dialog.saw("Search More?"));
    h.dialog.clear();
    set_pause_count(1);
    h.dialog.script({false});
    EXPECT_EQ(run(st, lists({"EXTRA", "-TOPIC"})), SearchOutcome::NoMatches);
    EXPECT_TRUE(h.dialog.saw("No search hits found!|But there are more records to search."));
}

TEST_F(SearchEngine, PhraseWordsMustStandSideBySide) {
    mail(1, 1, "Weekly report", "the quarterly sales went up");
    mail(2, 2, "sales", "figures for the quarterly meeting");
    mail(3, 3, "quarter", "quarterly quarterly sales figures");
    store();
    SearchState st(h.s, kMailDb);
    std::string notice;
    st.status = [&](std::string_view t) {
        notice = t;
    };
    EXPECT_EQ(run(st, lists({"SALES", "FIGURES"}), Phrase{{"SALES", "FIGURES"}, {}}),
              SearchOutcome::Hits);
    EXPECT_EQ(hits, Hits{3});
    EXPECT_EQ(notice, "Phrase Matching...");
    EXPECT_EQ(run(st, lists({"QUARTERLY", "SALES"}), Phrase{{"QUARTERLY", "SALES"}, {}}),
              SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{1, 3}));  // 3: the repeated first word does not lose the match
    EXPECT_EQ(run(st, lists({"WEEKLY", "REPORT"}), Phrase{{"WEEKLY", "REPORT"}, {}}),
              SearchOutcome::Hits);
    EXPECT_EQ(hits, Hits{1});  // in the subject

    h.dialog.clear();
    EXPECT_EQ(run(st, lists({"FIGURES", "QUARTERLY"}), Phrase{{"FIGURES", "QUARTERLY"}, {}}),
              SearchOutcome::NoPhrase);
    EXPECT_TRUE(hits.empty());
    ASSERT_EQ(h.dialog.entries.size(), 1u);
    EXPECT_EQ(h.dialog.entries[0].title, "Try again");
    EXPECT_EQ(h.dialog.entries[0].text, "No documents contain the phrase. Sorry!");
    // A stop word typed inside the phrase is passed over in the text.
    EXPECT_EQ(
        run(st, lists({"FIGURES", "QUARTERLY"}), Phrase{{"FIGURES", "QUARTERLY"}, {"FOR", "THE"}}),
        SearchOutcome::Hits);
    EXPECT_EQ(hits, Hits{2});
}

TEST_F(SearchEngine, ForumMessagesByThreadHeadingAndDate) {
    use_forum();
    mail(501, 10, "Lens cleaning tips", "use a soft cloth");
    mail(502, 30, "Tripods", "a soft case for the lens");
    mail(503, 20, "Filters", "cleaning the lens filter");
    store();
    SearchState st(h.s, kForumDb);
    EXPECT_EQ(run(st, lists({"LENS", "CLEANING"}), Phrase{{"LENS", "CLEANING"}, {}}),
              SearchOutcome::Hits);
    EXPECT_EQ(hits, Hits{501});  // the phrase stands in the thread heading only
    h.dialog.script({true});
    EXPECT_EQ(run(st, lists({"-CLOTH"})), SearchOutcome::Hits);
    EXPECT_EQ(hits, (Hits{502, 503}));
    EXPECT_EQ(st.counters().messages_scanned, 3u);
}

TEST_F(SearchEngine, NothingToSearchForWithoutWords) {
    mail(1, 1, "x", "word");
    store();
    SearchState st(h.s, kMailDb);
    EXPECT_FALSE(st.prepare(SearchLists{}));
    EXPECT_TRUE(
        h.dialog.saw("Please use the Insert Button to Locate words of Interest!|Then Try Again."));
    EXPECT_EQ(st.BUILDSEARCH(hits, found), SearchOutcome::NoSearchWords);
}

TEST_F(SearchEngine, ResultSetIsReplacedAsAWhole) {
    ASSERT_TRUE(write_result_set(h.s, {5, 9, 7}));
    ASSERT_TRUE(write_result_set(h.s, {3, 11}));
    OP_CLOSE(h.s, kOpOpen, {kSearch});
    std::vector<uint32_t> ids;
    Set(h.s, kSearch, 0);
    while (Next(h.s, kSearch)) ids.push_back(h.s.rec.Search.ID);
    OP_CLOSE(h.s, kOpClose, {kSearch});
    EXPECT_EQ(ids, (std::vector<uint32_t>{11, 3}));
}

// A write failing anywhere while the result set is replaced keeps the one before, whole.
TEST_F(SearchEngine, FailedWriteKeepsThePreviousResultSet) {
    HitQueue before, after;
    for (uint32_t i = 1; i <= 300; ++i) before.insert(i);
    for (uint32_t i = 1000; i <= 1200; ++i) after.insert(i);
    ASSERT_TRUE(write_result_set(h.s, before));
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    h.s.engine.forget(full_name(h.s, kSearch));  // the transaction's connection opens anew
    auto read_back = [&] {
        OP_CLOSE(h.s, kOpOpen, {kSearch});
        HitQueue ids;
        Set(h.s, kSearch, 0);
        while (Next(h.s, kSearch)) ids.insert(h.s.rec.Search.ID);
        OP_CLOSE(h.s, kOpClose, {kSearch});
        return ids;
    };
    bool replaced = false;
    for (int n = 1; n < 200 && !replaced; ++n) {
        fault.fail_after(n);
        replaced = write_result_set(h.s, after);
        fault.fail_after(0);
        ASSERT_EQ(read_back(), replaced ? after : before) << "failing write " << n;
        EXPECT_EQ(h.dialog.entries.empty(), replaced) << "a failure is reported: " << n;
        h.dialog.entries.clear();
    }
    vfs::set_base(nullptr);
    h.s.engine.forget(full_name(h.s, kSearch));
    EXPECT_TRUE(replaced);
}

TEST_F(SearchEngine, DamagedResultSetIsMadeAnew) {
    HitQueue many;
    for (uint32_t i = 1; i <= 3000; ++i) many.insert(i);
    ASSERT_TRUE(write_result_set(h.s, many));
    // Garbage over the records' first page; the file's schema stays readable.
    std::string path = full_name(h.s, kSearch);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    int root = 0, page = 0;
    sqlite3_exec(
        db, "SELECT rootpage FROM sqlite_master WHERE name = 'rec'",
        [](void* out, int, char** v, char**) {
            return *static_cast<int*>(out) = std::atoi(v[0]), 0;
        },
        &root, nullptr);
    sqlite3_exec(
        db, "PRAGMA page_size",
        [](void* out, int, char** v, char**) {
            return *static_cast<int*>(out) = std::atoi(v[0]), 0;
        },
        &page, nullptr);
    sqlite3_close(db);
    ASSERT_GT(root, 1);
    std::string garbage(static_cast<size_t>(page), '\x5A');
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_TRUE(f);
    std::fseek(f, static_cast<long>(root - 1) * page, SEEK_SET);
    std::fwrite(garbage.data(), 1, garbage.size(), f);
    std::fclose(f);
    h.s.engine.forget(path);  // as in a later run: no connection keeps the old pages

    OP_CLOSE(h.s, kOpOpen, {kSearch});  // held open by the caller, as a search command does
    ASSERT_TRUE(write_result_set(h.s, {3, 11}));
    EXPECT_EQ(h.s.slots[kSearch].count, 1) << "still open for the caller";
    std::vector<uint32_t> ids;
    Set(h.s, kSearch, 0);
    while (Next(h.s, kSearch)) ids.push_back(h.s.rec.Search.ID);
    OP_CLOSE(h.s, kOpClose, {kSearch});
    EXPECT_EQ(ids, (std::vector<uint32_t>{11, 3}));
    EXPECT_FALSE(h.dialog.saw("Result Set"));
}

TEST(SearchListsTest, WordsAreNotAddedTwiceAndNotToggles) {
    SearchLists l;
    EXPECT_TRUE(l.add_and({"A", 1, 5, 0}));
    EXPECT_FALSE(l.add_and({"A", 1, 5, 0}));
    EXPECT_TRUE(l.add_or({"A", 1, 5, 0}));
    SearchLists::toggle_not(l.ANDQ[0]);
    EXPECT_TRUE(l.ANDQ[0].negated());
    SearchLists::toggle_not(l.ANDQ[0]);
    EXPECT_FALSE(l.ANDQ[0].negated());

    testing::TempHome home;
    EXPECT_FALSE(l.delete_marked(home.s));
    EXPECT_TRUE(
        home.dialog.saw("Please Pick an Entry in one of the Lists Above to Delete and Try Again."));
    l.ORQ[0].MARKFLAG = 1;
    EXPECT_TRUE(l.delete_marked(home.s));
    EXPECT_EQ(l.ANDQ.size(), 1u);
    EXPECT_TRUE(l.ORQ.empty());
}

}  // namespace
}  // namespace qs::words
