// SPDX-License-Identifier: MIT
// Word index search on a generated mail database: mails with Zipf-like texts, their word list and
// master index written straight through the record layer, then the median time of a word lookup
// plus search for a rare word, an AND of a frequent and a rare word, and a two-word phrase.
//
//   search_bench [MAILS=100000] [WORK_DIR=/tmp/qs-search-bench] [RUNS=15] [keep]
// With "keep" the archive home stays in WORK_DIR (database "Bench") for timing the command line.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "app/startup.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "wordindex/postings.h"
#include "wordindex/search_engine.h"
#include "wordindex/tokenizer.h"
#include "wordindex/word_lookup.h"

namespace {

using Steady = std::chrono::steady_clock;
using namespace qs;

struct Corpus {
    std::mt19937 rng{20261208};
    std::vector<std::string> vocab;
    Corpus() {
        for (int i = 0; i < 30000; ++i) vocab.push_back("w" + std::to_string(i));
    }
    std::string text(uint32_t id) {
        std::uniform_real_distribution<double> u(0, 1);
        int n = std::uniform_int_distribution<int>(30, 200)(rng);
        std::string t;
        for (int i = 0; i < n; ++i) {
            size_t k =
                static_cast<size_t>(std::pow(u(rng), 4.0) * static_cast<double>(vocab.size()));
            t += vocab[std::min(k, vocab.size() - 1)] + " ";
        }
        if (id % 997 == 0) t += "quarterly figures ";        // the phrase, about 0.1 %
        if (id % 1009 == 0) t += "figures were quarterly ";  // both words, not adjacent
        if (id % 4999 == 0) t += "zebracrossing ";           // a rare word
        return t;
    }
};

bool add(Session& s, int file) { return UppDat(s, file, kAdd, kRollback); }

void build(Session& s, uint32_t mails) {
    Corpus c;
    auto rules = words::WordRules::defaults();
    std::map<std::string, std::vector<uint32_t>> postings;
    OP_CLOSE(s, kOpOpen, {kMail, kMsgText, kWordList, kMasIdx});
    for (uint32_t id = 1; id <= mails; id += 2000) {
        if (BeginTransaction(s, {kMail, kMsgText}).code() != Code::Ok) std::exit(1);
        for (uint32_t i = id; i < id + 2000 && i <= mails; ++i) {
            std::string t = c.text(i);
            s.rec.Mail = Mail{};
            s.rec.Mail.MAILID = i;
            s.rec.Mail.DATE = 70000 + static_cast<int32_t>(i / 10);
            s.rec.Mail.SUBJECT = "Subject " + std::to_string(i % 500);
            s.rec.MsgText = MsgText{};
            s.rec.MsgText.MSGNUMBER = i;
            s.rec.MsgText.MSGTEXT.text = t;
            if (!add(s, kMail) || !add(s, kMsgText)) std::exit(1);
            std::set<std::string> seen;
            words::for_each_word(rules, words::MessageText{s.rec.Mail.SUBJECT.trimmed(), t},
                                 [&](const words::Word& w) { seen.insert(w.text); });
            for (const auto& w : seen) postings[w].push_back(i);
        }
        if (!Commit(s)) std::exit(1);
    }
    int32_t wid = 0;
    std::map<uint32_t, std::vector<uint32_t>> words_of;
    if (BeginTransaction(s, {kWordList, kMasIdx}).code() != Code::Ok) std::exit(1);
    store::File& mas = handle(s, kMasIdx);
    for (const auto& [w, ids] : postings) {
        s.rec.WordList = {++wid, std::string_view(w), static_cast<int32_t>(ids.size())};
        if (!add(s, kWordList)) std::exit(1);
        if (!words::MasList(mas, words::kWordMessages, static_cast<uint32_t>(wid)).add(ids, true))
            std::exit(1);
        for (uint32_t id : ids) words_of[id].push_back(static_cast<uint32_t>(wid));
    }
    for (const auto& [id, wids] : words_of)
        if (!words::MasList(mas, words::kMessageWords, id).add(wids, true)) std::exit(1);
    if (!Commit(s)) std::exit(1);
    OP_CLOSE(s, kOpClose, {kMail, kMsgText, kWordList, kMasIdx});
    std::printf("built %u mails, %zu words\n", mails, postings.size());
}

// One search as the command line runs it: look the words up, then collect the hits.
size_t search(Session& s, const std::vector<std::string>& and_words, bool phrase) {
    words::SearchLists lists;
    words::MatchOptions whole;
    whole.whole_word = true;
    words::Phrase p;
    for (const auto& w : and_words) {
        auto out = words::find_indexed_words(s, {w, whole, phrase});
        for (const auto& f : out.found) lists.add_and(f);
        if (phrase) p.words.push_back(out.words.front());
    }
    words::SearchState st(s, kMailDb);
    words::HitQueue hits;
    words::FoundWordsQueue found;
    if (!st.prepare(lists, p)) return 0;
    st.BUILDSEARCH(hits, found);
    return hits.size();
}

size_t lookup(Session& s, const std::string& w) {
    words::MatchOptions whole;
    whole.whole_word = true;
    return words::find_indexed_words(s, {w, whole, false}).found.size();
}

template <class F>
void measure(const char* name, int runs, F&& f) {
    std::vector<double> ms;
    size_t hits = 0;
    for (int i = 0; i < runs; ++i) {
        auto t0 = Steady::now();
        hits = f();
        ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-22s hits %6zu  median %8.2f ms  min %8.2f ms\n", name, hits, ms[ms.size() / 2],
                ms.front());
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t mails = argc > 1 ? static_cast<uint32_t>(std::stoul(argv[1])) : 100000;
    std::string dir = argc > 2 ? argv[2] : "/tmp/qs-search-bench";
    int runs = argc > 3 ? std::stoi(argv[3]) : 15;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    CliDialog dialog;
    SystemClock clock;
    Session s(dialog, clock);
    if (!StartUp(s, dir).ok) return 1;
    uint32_t db = AddMailDatabase(s, {"Bench", "me@example.org", {}});
    if (!db || !MakeCurrent(s, db)) return 1;
    auto t0 = Steady::now();
    build(s, mails);
    std::printf("build %.1f s\n", std::chrono::duration<double>(Steady::now() - t0).count());
    measure("word lookup only", runs, [&] { return lookup(s, "zebracrossing"); });
    measure("rare word", runs, [&] { return search(s, {"zebracrossing"}, false); });
    measure("frequent AND rare", runs, [&] { return search(s, {"w0", "zebracrossing"}, false); });
    measure("phrase", runs, [&] { return search(s, {"quarterly", "figures"}, true); });
    if (argc <= 4 || std::string(argv[4]) != "keep") std::filesystem::remove_all(dir);
    return 0;
}
