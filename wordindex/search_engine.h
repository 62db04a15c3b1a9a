// SPDX-License-Identifier: MIT
// The search of the professional word index: the messages of the current database that hold a
// combination of indexed words, collected from the master index in blocks. One SearchState lives
// as long as its search window: "Get Msgs" prepares it and runs BUILDSEARCH, "Next Block" runs
// BUILDSEARCH again, which goes on where the previous block stopped.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "storage/session.h"
#include "wordindex/phrase.h"
#include "wordindex/search_lists.h"

namespace qs::words {

enum class SearchOutcome {
    Hits,             // the hit queue holds the block's hits
    NoMatches,        // "No Matches"
    NoPhrase,         // every hit lacked the phrase
    NothingToSearch,  // "No Search": every scan is finished
    NoSearchWords,    // both lists are empty
    Cancelled,        // the user declined the too-many-matches question
};

// The work a search did, for status lines and for checking what was read.
struct SearchCounters {
    uint64_t postings_read = 0;     // master index entries taken from a source word
    uint64_t lookups = 0;           // (message, word) look-ups while filtering
    uint64_t whole_entries = 0;     // entries of words read whole for filtering
    uint64_t messages_scanned = 0;  // messages examined by the full message scan
    uint64_t phrase_texts = 0;      // hits read for the phrase: their records could not tell
    int blocks = 0;
};

inline constexpr size_t kFullScanBlock = 1000;

class SearchState {
public:
    SearchState(Session& s, uint8_t db_type);

    // "Get Msgs": forgets every scan position and takes the lists and the phrase request
    // (empty for none). Returns false after "No Search Words" when both lists are empty.
    bool prepare(const SearchLists& lists, const Phrase& phrase = {});
    // Collects the next block of hits into `hits` (emptied first) and the words seen in them
    // into `found`. A block of the master index pauses after the pause count of entries and
    // asks "Search More?"; the full message scan stops at 1000 hits.
    SearchOutcome BUILDSEARCH(HitQueue& hits, FoundWordsQueue& found);

    bool finished() const;  // nothing (more) to search for
    const SearchCounters& counters() const { return counters_; }
    int32_t pause_count() const { return pause_; }

    // Who answers the two questions of a search; an answer left unset is asked through the
    // session's dialog with the question's own title and text (while the session is unattended
    // the default is taken: Continue for the first, Cancel for the second).
    struct Questions {
        // "Too Many Matches": no word can drive the search, so every message is to be read,
        // a thousand hits per block. True to go on.
        std::function<bool()> too_many_matches;
        // "Search More?": a block of the master index paused with `hits` found so far. True to
        // read the next block now.
        std::function<bool(size_t hits)> search_more;
    };
    void set_questions(Questions q) { questions_ = std::move(q); }

    // Status texts while working ("Phrase Matching..."); may be empty.
    std::function<void(std::string_view)> status;

private:
    enum class Source { None, And, Or, Full };
    struct Candidate {
        uint32_t sysid;
        int origin;  // the OR entry it was read for, -1 otherwise
    };
    struct MasPosition {
        bool kept = false;
        uint32_t last = 0;  // the last message number taken
    };
    struct HeaderPosition {
        bool kept = false;
        MsgNmbr msg;
        Mail mail;
        int64_t pos = 0;
        bool reading = false;  // the header file's key order is set for this block
    };

    void choose_source();
    SearchOutcome run_blocks(HitQueue& hits, FoundWordsQueue& found);
    SearchOutcome run_full_scan(HitQueue& hits, FoundWordsQueue& found);
    bool read_source(std::vector<Candidate>& block);
    bool read_or_source(std::vector<Candidate>& block);
    bool read_postings(uint32_t word, MasPosition& at, size_t room, int origin,
                       std::vector<Candidate>& block);
    void filter_and(std::vector<Candidate>& block);
    void filter_or(std::vector<Candidate>& block);
    bool fits(uint32_t sysid);  // the full scan's test of one message
    bool next_newest(uint32_t& sysid);
    void note_found(const std::vector<Candidate>& block, FoundWordsQueue& found);
    static void keep_hits(const std::vector<Candidate>& block, HitQueue& hits);
    void match_phrase(HitQueue& hits);
    std::vector<uint32_t> phrase_word_ids() const;
    bool text_holds_phrase(const WordRules& rules, uint32_t sysid);
    bool has(uint32_t sysid, int32_t word);
    bool holds(uint32_t sysid, const SearchEntry& e, size_t candidates);
    const std::vector<uint32_t>* whole_word(const SearchEntry& e, size_t candidates);
    bool ask_more(size_t hits);
    bool ask_too_many();
    bool ask(std::string_view title, const std::string& text, bool default_yes);
    void say(std::string_view title, std::string_view text);

    Session& s_;
    Questions questions_;
    uint8_t type_;
    int32_t pause_ = 10000;
    bool prepared_ = false;
    SearchLists lists_;
    Phrase phrase_;
    Source source_ = Source::None;
    int driving_ = -1;  // index of the driving AND entry
    int32_t driving_count_ = 0;
    int64_t or_sum_ = 0;
    size_t or_current_ = 0;
    MasPosition and_pos_, or_pos_;
    std::map<int32_t, std::vector<uint32_t>> whole_;  // words read whole, their messages sorted
    HeaderPosition full_pos_;
    bool and_done_ = false, or_done_ = false, full_done_ = false;
    SearchCounters counters_;
};

// Replaces the result set of the current database with the hits, in one transaction; false
// after the failure was reported (the old result set is then kept).
bool write_result_set(Session& s, const HitQueue& hits);

}  // namespace qs::words
