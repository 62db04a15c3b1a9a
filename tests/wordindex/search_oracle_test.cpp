// SPDX-License-Identifier: MIT
// Searches over an index the indexer built in several runs and flushes, against the messages'
// own words: every search finds exactly the messages that a plain scan of the texts finds.
#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <sstream>

#include "indexer_fixture.h"
#include "wordindex/search_engine.h"

namespace qs::words {
namespace {

class SearchOracle : public IndexedDb {
protected:
    // Words 0 to 39 of falling frequency; each message holds a few of them.
    static std::string word(int i) {
        return "w" + std::string(1, static_cast<char>('a' + i / 26)) +
               std::string(1, static_cast<char>('a' + i % 26));
    }
    void add_batch(uint32_t first_id, int n, std::mt19937& rng) {
        next_id = first_id;
        std::vector<std::pair<std::string, std::string>> msgs;
        for (int m = 0; m < n; ++m) {
            std::set<std::string> held;
            std::ostringstream text;
            for (int i = 0; i < 40; ++i)
                if (rng() % 40 < static_cast<uint32_t>(40 - i)) {
                    text << word(i) << ' ';
                    held.insert(word(i));
                }
            const uint32_t id = next_id + static_cast<uint32_t>(m);
            for (const auto& w : held) oracle[to_upper(w)].insert(id);
            msgs.push_back({"", text.str()});
        }
        add(msgs);
    }
    std::set<uint32_t> search(const std::vector<std::string>& and_words,
                              const std::vector<std::string>& or_words) {
        std::map<std::string, int32_t> ids;
        std::vector<WordList> list;
        EXPECT_TRUE(list_words(h.s, WordOrder::ByWord, SIZE_MAX, list));
        SearchLists l;
        auto found = [&](const std::string& w) {
            for (const auto& r : list)
                if (r.THEWORD.str() == w.substr(w[0] == '-'))
                    return FoundWord{r.THEWORD.str(), r.WORDID, r.WORDCOUNT, 0};
            ADD_FAILURE() << w;
            return FoundWord{};
        };
        for (const auto& w : and_words) l.add_and(found(w), w[0] == '-');
        for (const auto& w : or_words) l.add_or(found(w), w[0] == '-');
        SearchState st(h.s, type);
        st.set_questions({[] { return true; },
                          [](size_t) {
                              return true;
                          }});
        EXPECT_TRUE(st.prepare(l));
        HitQueue hits;
        FoundWordsQueue seen;
        st.BUILDSEARCH(hits, seen);
        return {hits.begin(), hits.end()};
    }
    std::set<uint32_t> expected(const std::vector<std::string>& and_words,
                                const std::vector<std::string>& or_words) {
        std::set<uint32_t> all;
        for (const auto& [w, ids] : oracle) all.insert(ids.begin(), ids.end());
        std::set<uint32_t> out;
        for (uint32_t id : all) {
            auto holds = [&](const std::string& w) {
                const bool neg = w[0] == '-';
                return (oracle[w.substr(neg)].count(id) == 1) != neg;
            };
            bool ok = std::all_of(and_words.begin(), and_words.end(), holds);
            if (!or_words.empty()) ok = ok && std::any_of(or_words.begin(), or_words.end(), holds);
            if (ok) out.insert(id);
        }
        return out;
    }
    static std::string to_upper(std::string w) {
        for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return w;
    }
    std::map<std::string, std::set<uint32_t>> oracle;  // upper-case word -> its messages
};

TEST_F(SearchOracle, EverySearchFindsWhatAScanOfTheTextsFinds) {
    open_mail();
    std::mt19937 rng(5);
    // Three runs: the second's messages have lower numbers than the first's, so they go into the
    // front and middle of the words' blocks; the third's go behind them.
    const std::pair<uint32_t, int> batches[] = {{5000, 700}, {1000, 300}, {9000, 150}};
    for (const auto& [first, n] : batches) {
        add_batch(first, n, rng);
        IndexRequest rq;
        rq.type = type;
        rq.per_pass = 50;
        rq.flush_pairs = 3000;
        ASSERT_EQ(INDEXFILE1(h.s, rq), kIndexFinished);
    }
    struct Query {
        std::vector<std::string> and_words, or_words;
    };
    const Query queries[] = {
        {{"WAA"}, {}},                 // in most messages: many blocks
        {{"WBN"}, {}},                 // the rarest
        {{"WAA", "WBM"}, {}},          // frequent checked per hit of a rare one
        {{"WAK", "WAL", "-WAC"}, {}},  // two mid words, one negated
        {{}, {"WBM", "WBN", "WBL"}},   // OR as the source
        {{"WAB"}, {"WBK", "-WAA"}},    // OR filtering with a negated entry
    };
    for (const Query& q : queries) {
        const auto want = expected(q.and_words, q.or_words);
        EXPECT_FALSE(want.empty());
        EXPECT_EQ(search(q.and_words, q.or_words), want) << q.and_words.size() << q.or_words.size();
    }
}

}  // namespace
}  // namespace qs::words
