// SPDX-License-Identifier: MIT
// The indexer's memory during a run: the stop words, the words met so far (from the word list
// or new), the (word, message) pairs waiting to be written with their position records, and the
// words queued for deletion. A word is counted once per message: each cached word remembers the
// last message it was counted for.
//
// Pairs take 8 bytes each; their position records lie in one byte buffer of their own, in the
// pairs' order, so that a pair costs no more than its record's one to few bytes
// (wordindex/position_records.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "storage/records.h"
#include "wordindex/word_cache.h"

namespace qs::words {

// Word list entries count messages; a word whose count passes a quarter of the indexed
// messages is moved to the stop list once more than this many messages are indexed.
inline constexpr uint32_t kAutoStopMinimum = 10000;

struct CachedWord {
    const std::string* text = nullptr;  // the word, owned by the book
    int32_t id = 0;
    int32_t count = 0;
    int64_t position = 0;     // in the word list; 0 for a word not written yet
    uint32_t last_sysid = 0;  // the message it was last counted for
    bool counted = false;     // last_sysid is meaningful
    bool changed = false;     // count differs from the word list
    bool stopped = false;     // moved to the stop list during the run
};

// Pairs one message adds at most as a rule: a 64,000-character text holds fewer words.
inline constexpr size_t kMessagePairs = 32000;

struct Pair {
    uint32_t sysid;
    uint32_t word_id;
};

class WordBook {
public:
    // Stop words, upper-case.
    void add_stop(std::string_view word) { stop_.insert(word); }
    bool is_stop(const std::string& word) { return stop_.find(word) != nullptr; }
    // The same and find below, with `h` = hash_of(word): a word is hashed once for both tables.
    bool is_stop(std::string_view word, uint32_t h) { return stop_.find(word, h) != nullptr; }
    static uint32_t hash_of(std::string_view word) { return WordCache<bool>::hash(word); }
    // Asks for the cached word's slot (stage 1) or record (stage 2) to be fetched into the
    // processor's cache ahead of its look-up; changes nothing.
    void prefetch(uint32_t h, int stage) const {
        if (stage == 1)
            words_.prefetch_slot(h);
        else
            words_.prefetch_value(h);
    }

    // A word of the word list as it stands; its id raises the last allocated id.
    CachedWord& add_existing(const WordList& rec, int64_t position);
    void set_last_id(int32_t id) { last_id_ = id; }
    int32_t last_id() const { return last_id_; }

    // The word, or nullptr when it is not cached.
    CachedWord* find(const std::string& word);
    CachedWord* find(std::string_view word, uint32_t h) { return words_.find(word, h); }
    // Caches a word met for the first time: the next id, not yet counted.
    CachedWord& add_new(std::string_view word);

    // Counts the word for the message unless already counted there; true when it was new to
    // the message (a pair was buffered).
    bool count(CachedWord& w, uint32_t sysid);

    // Moves a cached word to the stop words and queues its id for deletion; its buffered pairs
    // are dropped at the next flush.
    void stop(std::string_view word, CachedWord& w);

    // Ends the message whose pairs were counted since the last end and writes their records, in
    // the pairs' order (the order in which the message's words were first counted): pair j has
    // the positions places[starts[j], starts[j + 1]), ascending. With `known` false the records
    // say that no positions are known, and the pairs are put in (sysid, word id) order.
    void end_message(std::span<const uint32_t> places, std::span<const uint32_t> starts,
                     bool known);
    // Pairs counted since the last end_message.
    size_t message_pairs() const { return pairs_.size() - ended_; }

    size_t pair_count() const { return pairs_.size(); }
    size_t position_bytes() const { return positions_.size(); }
    // Room for a flush's pairs and records and the message that passes the mark, taken with the
    // first pair after a flush, so that the buffers do not double (and copy themselves) on the
    // way.
    void reserve_pairs(size_t flush_pairs, size_t flush_position_bytes = 0) {
        reserve_ = flush_pairs + kMessagePairs;
        reserve_bytes_ = flush_position_bytes ? flush_position_bytes + 8 * kMessagePairs : 0;
    }
    // Pairs of words not stopped, in sysid order (a message's pairs together, in the order that
    // end_message left them), and with `records` their position records in the same order;
    // empties the buffers (and gives up their memory). Pairs counted since the last end_message
    // get unknown records.
    std::vector<Pair> take_pairs(std::string* records = nullptr);

    // Words whose record must be added or rewritten (not the stopped ones); marks them clean.
    std::vector<CachedWord*> take_dirty();

    std::vector<int32_t>& deleted() { return deleted_; }
    int64_t deleted_total() const { return deleted_total_; }
    void clear_deleted() {
        deleted_.clear();
        deleted_total_ = 0;
    }
    size_t word_count() const { return words_.size(); }

private:
    WordCache<bool> stop_;
    WordCache<CachedWord> words_;
    void sort_by_sysid(std::vector<Pair>& pairs, std::string& records) const;
    void drop_stopped(std::vector<Pair>& pairs, std::string& records) const;

    std::vector<Pair> pairs_;
    std::string positions_;  // one record per pair of pairs_[0, ended_)
    size_t ended_ = 0;       // pairs of ended messages
    size_t reserve_ = 0;
    size_t reserve_bytes_ = 0;
    std::vector<CachedWord*> dirty_;
    std::unordered_set<uint32_t> stopped_ids_;  // since the last take_pairs
    std::vector<int32_t> deleted_;
    int64_t deleted_total_ = 0;
    int32_t last_id_ = 0;
};

// Whether the word is to be moved to the stop list: more than kAutoStopMinimum messages
// indexed and the word in more than a quarter of them.
inline bool over_auto_stop(uint32_t indexed, int32_t count) {
    return indexed > kAutoStopMinimum && count > static_cast<int32_t>(indexed / 4);
}

}  // namespace qs::words
