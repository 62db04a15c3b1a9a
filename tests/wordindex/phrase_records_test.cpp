// SPDX-License-Identifier: MIT
// Phrase searches answered from the position records, against the answer of reading each
// candidate's text: generated mails and forum messages with header blocks, HTML parts, footers,
// stop words, circumflex words and over-long words; an index without records; and messages
// deleted since.
#include <random>
#include <set>

#include "indexer_fixture.h"
#include "wordindex/search_engine.h"
#include "wordindex/search_expression.h"

namespace qs::words {
namespace {

// Words of the generated texts; "the" is a stop word, and a header block or a text/html part
// repeats some of them outside the indexed body.
const char* const kWords[] = {
    "alpha", "beta",  "gamma", "delta",  "the",
    "type",  "plain", "text",  "^gamma", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz"};

class PhraseRecords : public IndexedDb {
protected:
    std::mt19937 rng{11};

    std::string words(size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i) {
            if (!out.empty()) out += rng() % 9 == 0 ? ",\n" : " ";
            out += kWords[rng() % (std::size(kWords) - 2)];
        }
        return out;
    }

    // A message text in one of the forms the indexer cuts its body from.
    std::string text(int form) {
        switch (form) {
            case 0: return words(1 + rng() % 12);
            case 1:  // a header block, whose words are not indexed
                return "Content-Type: text/plain\nX-Note: " + words(3) + "\n\n" + words(8);
            case 2:  // a plain part and an HTML part that goes on where it ends
                return "Content-Type: multipart/alternative; boundary=\"b1\"\n\n--b1\n"
                       "Content-Type: text/plain\n\n" +
                       words(6) + "\n--b1\nContent-Type: text/html\n\n<p>" + words(5) +
                       "</p>\n--b1--\n";
            case 3: return words(4) + " " + kWords[8] + " " + words(4);  // never numbered
            case 4: return words(3) + " " + kWords[9] + " " + words(3);  // cut to 40 letters
            default:  // a signature that a forum's index leaves out
                return words(6) + "\n\n--\n" + words(3);
        }
    }

    void generate(size_t n) {
        std::vector<std::pair<std::string, std::string>> msgs;
        for (size_t i = 0; i < n; ++i) msgs.push_back({words(rng() % 4), text(rng() % 6)});
        const auto ids = add(msgs);
        for (size_t i = 0; i < n; ++i) messages_[ids[i]] = msgs[i];
    }

    void stop(const std::string& word) {
        OP_CLOSE(h.s, kOpOpen, {kSTO});
        h.s.rec.STO.THEWORD = word;
        ASSERT_TRUE(UppDat(h.s, kSTO, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kSTO});
    }

    std::set<uint32_t> search(const std::string& phrase, SearchCounters& counters) {
        SearchInput in;
        in.phrase = phrase;
        SearchExpression e = build_search_expression(h.s, in);
        if (e.result != ExpressionResult::Ready) return {};
        SearchState st(h.s, type);
        EXPECT_TRUE(st.prepare(e.lists, e.phrase));
        HitQueue hits;
        FoundWordsQueue found;
        st.BUILDSEARCH(hits, found);
        counters = st.counters();
        return {hits.begin(), hits.end()};
    }

    struct Expected {
        std::set<uint32_t> hits;
        uint64_t reads = 0;  // candidates whose records cannot answer
    };

    // The candidates are the messages that hold every word of the phrase in the index; the hits
    // those with the phrase in their subject or text as read there. Candidates without records,
    // or with a circumflex word, are read.
    Expected expected(const std::string& phrase) {
        const WordRules rules = WordRules::from(h.s.settings);
        Phrase p;
        for (const std::string& typed : split(phrase)) {
            const std::string w = indexed_form(typed);
            (w == "THE" ? p.skipped : p.words).push_back(w);
        }
        std::map<uint32_t, std::set<std::string>> indexed;
        for (const auto& [sysid, word] : entries()) indexed[sysid].insert(word);
        Expected out;
        for (const auto& [sysid, msg] : messages_) {
            bool all = !p.words.empty();
            for (const auto& w : p.words) all = all && indexed[sysid].count(w);
            if (!all) continue;
            out.reads += without_records_.count(sysid) || msg.second.find('^') != std::string::npos;
            if (contains_phrase(rules, msg.second, p) || contains_phrase(rules, msg.first, p))
                out.hits.insert(sysid);
        }
        return out;
    }

    static std::vector<std::string> split(const std::string& s) {
        std::vector<std::string> out;
        size_t at = 0;
        while (at < s.size()) {
            size_t space = s.find(' ', at);
            if (space == std::string::npos) space = s.size();
            if (space > at) out.push_back(s.substr(at, space - at));
            at = space + 1;
        }
        return out;
    }

    // Every phrase of two words of the texts, and some of three with a stop word or a word cut
    // to 40 letters: the answer read from the records is the answer read from the texts, and
    // only the candidates that the records cannot answer for are read (with a stop word typed in
    // the phrase, also those where the phrase does not stand as typed).
    void compare_all(const std::string& when) {
        std::vector<std::string> phrases;
        for (const char* a : {"alpha", "beta", "gamma", "type", "text", "plain", "content"})
            for (const char* b : {"alpha", "beta", "gamma", "delta", "type", "plain", "text"})
                phrases.push_back(std::string(a) + " " + b);
        phrases.insert(phrases.end(), {"alpha the beta", "gamma the the delta", "alpha beta gamma",
                                       std::string(40, 'z') + " alpha", "content type text"});
        for (const std::string& phrase : phrases) {
            SearchCounters c;
            const Expected want = expected(phrase);
            EXPECT_EQ(search(phrase, c), want.hits) << when << ": " << phrase;
            if (phrase.find(" the ") == std::string::npos)
                EXPECT_EQ(c.phrase_texts, want.reads) << when << ": " << phrase;
            else
                EXPECT_GE(c.phrase_texts, want.reads) << when << ": " << phrase;
        }
    }

    std::set<uint32_t> without_records_;
    std::map<uint32_t, std::pair<std::string, std::string>> messages_;
};

TEST_F(PhraseRecords, MailsAnswerAsTheirTextsDo) {
    open_mail();
    stop("THE");
    generate(300);
    ASSERT_EQ(index(true), kIndexFinished);
    compare_all("indexed");
}

TEST_F(PhraseRecords, ForumMessagesAnswerAsTheirTextsDo) {
    open_forum();
    stop("THE");
    generate(300);
    ASSERT_EQ(index(true), kIndexFinished);
    compare_all("indexed");
}

// An index written without records (by an earlier build) is answered from the texts, and so is
// the part of it indexed before when newer messages come with records; messages deleted take
// their records along.
TEST_F(PhraseRecords, OlderEntriesAndDeletedMessagesAnswerAlike) {
    open_mail();
    stop("THE");
    generate(150);
    ASSERT_EQ(index(true), kIndexFinished);
    OP_CLOSE(h.s, kOpOpen, {kMasIdx});
    ASSERT_TRUE(BeginTransaction(h.s, {kMasIdx}));
    store::File& f = handle(h.s, kMasIdx);
    std::vector<MasIdx> rows;
    ASSERT_TRUE(f.scan([&](int64_t, const void* rec) {
        rows.push_back(*static_cast<const MasIdx*>(rec));
        return true;
    }));
    ASSERT_TRUE(f.empty());
    for (MasIdx& r : rows) {
        std::vector<uint32_t> ids;
        ASSERT_TRUE(decode_block(r, ids));
        encode_block(ids, r);
        ASSERT_TRUE(f.add(&r));
    }
    ASSERT_TRUE(Commit(h.s));
    OP_CLOSE(h.s, kOpClose, {kMasIdx});
    for (const auto& m : messages_) without_records_.insert(m.first);
    compare_all("without records");
    generate(150);
    ASSERT_EQ(index(), kIndexFinished);
    compare_all("half without records");

    OP_CLOSE(h.s, kOpOpen, {kMasIdx});
    ASSERT_TRUE(BeginTransaction(h.s, {kMasIdx}));
    for (auto it = messages_.begin(); it != messages_.end();) {
        std::vector<uint32_t> gone;
        if (it->first % 3 == 0) {
            ASSERT_TRUE(remove_message(h.s, it->first, gone));
            it = messages_.erase(it);
        } else {
            ++it;
        }
    }
    ASSERT_TRUE(Commit(h.s));
    OP_CLOSE(h.s, kOpClose, {kMasIdx});
    compare_all("after deletions");
}

}  // namespace
}  // namespace qs::words
