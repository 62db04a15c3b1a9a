// SPDX-License-Identifier: MIT
// Choosing where the candidates come from and reading them in blocks.
#include "wordindex/search_engine.h"

#include <algorithm>
#include <memory>

#include "storage/config.h"
#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs::words {

namespace {

constexpr int32_t kDefaultPause = 10000;

// "N13": digits grouped by thousands.
std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

SearchState::SearchState(Session& s, uint8_t db_type) : s_(s), type_(db_type) {}

void SearchState::say(std::string_view title, std::string_view text) {
    if (!s_.quiet()) s_.dialog.message(title, text);
}

bool SearchState::prepare(const SearchLists& lists, const Phrase& phrase) {
    prepared_ = false;
    source_ = Source::None;
    driving_ = -1;
    driving_count_ = 0;
    or_sum_ = 0;
    or_current_ = 0;
    and_pos_ = or_pos_ = MasPosition{};
    whole_.clear();
    full_pos_ = HeaderPosition{};
    and_done_ = or_done_ = full_done_ = false;
    counters_ = SearchCounters{};
    if (lists.empty()) {
        say("No Search Words",
            "Please use the Insert Button to Locate words of Interest!|Then Try Again.");
        return false;
    }
    lists_ = lists;
    phrase_ = phrase;
    int32_t pause = 0;
    pause_ = WSVars(s_, kGetSetting, item::kPauseCount, nullptr, nullptr, &pause) && pause > 0
                 ? pause
                 : kDefaultPause;
    choose_source();
    prepared_ = true;
    return true;
}

void SearchState::choose_source() {
    for (size_t i = 0; i < lists_.ANDQ.size(); ++i) {
        const SearchEntry& e = lists_.ANDQ[i];
        if (e.negated() || (driving_ >= 0 && e.WORDCOUNT >= driving_count_)) continue;
        driving_ = static_cast<int>(i);
        driving_count_ = e.WORDCOUNT;
    }
    for (const auto& e : lists_.ORQ) {
        if (e.negated()) {
            or_sum_ = 0;
            break;
        }
        or_sum_ += e.WORDCOUNT;
    }
    if (driving_ < 0 && or_sum_ == 0)
        source_ = Source::Full;
    else if (driving_ >= 0 && (or_sum_ == 0 || driving_count_ <= or_sum_))
        source_ = Source::And;
    else
        source_ = Source::Or;
}

bool SearchState::finished() const {
    switch (source_) {
        case Source::And: return and_done_;
        case Source::Or: return or_done_;
        case Source::Full: return full_done_;
        case Source::None: return true;
    }
    return true;
}

SearchOutcome SearchState::BUILDSEARCH(HitQueue& hits, FoundWordsQueue& found) {
    hits.clear();
    if (!prepared_) {
        say("No Search Words",
            "Please use the Insert Button to Locate words of Interest!|Then Try Again.");
        return SearchOutcome::NoSearchWords;
    }
    if (finished()) {
        say("No Search", "Nothing (More) to Search for!");
        return SearchOutcome::NothingToSearch;
    }
    std::vector<int> files = message_files(type_, !phrase_.empty());
    files.push_back(kMasIdx);
    OpenFiles open(s_, files);
    ReadSnapshot snapshot(s_, files, true);
    SearchOutcome r =
        source_ == Source::Full ? run_full_scan(hits, found) : run_blocks(hits, found);
    if (r != SearchOutcome::Hits) return r;
    if (!phrase_.empty() && !hits.empty()) {
        match_phrase(hits);
        if (hits.empty()) {
            say("Try again", "No documents contain the phrase. Sorry!");
            return SearchOutcome::NoPhrase;
        }
    }
    if (hits.empty()) {
        say("No Matches", "No Messages Match your Search Criteria. Sorry!");
        return SearchOutcome::NoMatches;
    }
    return SearchOutcome::Hits;
}

SearchOutcome SearchState::run_blocks(HitQueue& hits, FoundWordsQueue& found) {
    for (;;) {
        std::vector<Candidate> block;
        bool paused = read_source(block);
        ++counters_.blocks;
        filter_and(block);
        if (source_ != Source::Or) filter_or(block);
        note_found(block, found);
        keep_hits(block, hits);
        if (!paused || !ask_more(hits.size())) return SearchOutcome::Hits;
    }
}

void SearchState::keep_hits(const std::vector<Candidate>& block, HitQueue& hits) {
    std::vector<uint32_t> ids;
    ids.reserve(block.size());
    for (const auto& c : block) ids.push_back(c.sysid);
    hits.insert(ids.begin(), ids.end());
}

bool SearchState::ask_more(size_t hits) {
    if (questions_.search_more) return questions_.search_more(hits);
    std::string count = hits ? grouped(hits) : "No";
    std::string text = count +
                       " search hits found!|But there are more records to search.|"
                       "Would you like to search more records now?";
    return ask("Search More?", text, false);
}

bool SearchState::ask_too_many() {
    if (questions_.too_many_matches) return questions_.too_many_matches();
    std::string text = "The Search you have requested has too many matches.|The 1st " +
                       std::to_string(kFullScanBlock) +
                       " will be found or try a more restrictive Search.|"
                       "Would you like to Continue or Cancel the Search?";
    return ask("Too Many Matches", text, true);
}

bool SearchState::ask(std::string_view title, const std::string& text, bool default_yes) {
    return s_.quiet() ? default_yes : s_.dialog.ask(title, text, default_yes);
}

bool SearchState::read_source(std::vector<Candidate>& block) {
    if (source_ == Source::Or) return read_or_source(block);
    if (driving_ < 0 || static_cast<size_t>(driving_) >= lists_.ANDQ.size())
        halt(s_.dialog, "Internal Error", "Error Reading AndQ");
    const SearchEntry& e = lists_.ANDQ[static_cast<size_t>(driving_)];
    bool more = read_postings(static_cast<uint32_t>(e.WORDID), and_pos_,
                              static_cast<size_t>(pause_), -1, block);
    and_done_ = !more;
    return more;
}

bool SearchState::read_or_source(std::vector<Candidate>& block) {
    size_t room = static_cast<size_t>(pause_);
    while (or_current_ < lists_.ORQ.size()) {
        const SearchEntry& e = lists_.ORQ[or_current_];
        if (e.negated())
            halt(s_.dialog, "Internal Error",
                 "Logic Error - should not have NOTS on OR list here!");
        size_t before = block.size();
        bool more = read_postings(static_cast<uint32_t>(e.WORDID), or_pos_, room,
                                  static_cast<int>(or_current_), block);
        room -= block.size() - before;
        if (more) return true;
        ++or_current_;
        or_pos_ = MasPosition{};
    }
    or_done_ = true;
    return false;
}

// Takes up to `room` entries of the word after the kept position; true when the word has more
// entries than that (the position then stays at the last one taken).
bool SearchState::read_postings(uint32_t word, MasPosition& at, size_t room, int origin,
                                std::vector<Candidate>& block) {
    std::vector<uint32_t> ids;
    bool more = false;
    Status st = MasList(handle(s_, kMasIdx), kWordMessages, word)
                    .read_after(at.kept ? int64_t{at.last} : -1, room, ids, more);
    if (!st) (void)StoreRead(s_, kMasIdx, st);
    block.reserve(block.size() + ids.size());
    for (uint32_t id : ids) block.push_back({id, origin});
    counters_.postings_read += ids.size();
    if (!ids.empty()) {
        at.kept = true;
        at.last = ids.back();
    }
    return st && more;
}

// A word's entries lie packed in its blocks, where a look-up by message reads and unpacks a whole
// block; so a word with no more than this many entries per candidate is read whole instead of
// looked up for each candidate. A frequent word checked for a few candidates is still looked up
// one by one.
constexpr size_t kWholeWordRatio = 8;

const std::vector<uint32_t>* SearchState::whole_word(const SearchEntry& e, size_t candidates) {
    if (auto it = whole_.find(e.WORDID); it != whole_.end()) return &it->second;
    if (e.WORDCOUNT < 0 || static_cast<size_t>(e.WORDCOUNT) > kWholeWordRatio * candidates)
        return nullptr;
    std::vector<uint32_t> ids;
    ids.reserve(static_cast<size_t>(e.WORDCOUNT));
    Status st =
        MasList(handle(s_, kMasIdx), kWordMessages, static_cast<uint32_t>(e.WORDID)).read_all(ids);
    if (!st) (void)StoreRead(s_, kMasIdx, st);
    counters_.whole_entries += ids.size();
    return &(whole_[e.WORDID] = std::move(ids));
}

bool SearchState::holds(uint32_t sysid, const SearchEntry& e, size_t candidates) {
    if (const auto* ids = whole_word(e, candidates))
        return std::binary_search(ids->begin(), ids->end(), sysid);
    return has(sysid, e.WORDID);
}

bool SearchState::has(uint32_t sysid, int32_t word) {
    ++counters_.lookups;
    bool found = false;
    Status st =
        MasList(handle(s_, kMasIdx), kWordMessages, static_cast<uint32_t>(word)).has(sysid, found);
    if (!st) (void)StoreRead(s_, kMasIdx, st);
    return found;
}

}  // namespace qs::words
