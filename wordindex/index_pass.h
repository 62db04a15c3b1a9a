// SPDX-License-Identifier: MIT
// The indexing passes of one run: message texts are read in file order, tokenized, and their
// words counted into the word book; the book is flushed to the word list and master index in one
// transaction whenever it holds enough pairs, and at the end (wordindex/postings.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "storage/session.h"
#include "wordindex/index_files.h"
#include "wordindex/indexer.h"
#include "wordindex/tokenizer.h"
#include "wordindex/word_book.h"

namespace qs::words {

struct PassSetup {
    Kind kind = Kind::Mail;
    bool auto_stop = false;
    bool keep_footer = false;
    int per_pass = 4;
    uint64_t to_go = 0;  // messages expected, for the share shown
    size_t flush_pairs = kFlushPairs;
    size_t flush_position_bytes = kFlushPositionBytes;
};

enum class PassResult { More, Done, Failed };

class IndexPass {
public:
    // `state` gives the starting point: after `position` (0: from the first text), with `count`
    // messages indexed so far.
    IndexPass(Session& s, const PassSetup& setup, const IndexState& state,
              const IndexProgress& progress);

    // Loads the stop words and the highest word id, and sets aside the word list's keys not
    // needed while indexing: its count key always, the others when the list is empty. False
    // after a reported failure.
    bool prepare();
    // Builds the keys set aside; needed after every run, failed or not.
    bool restore_keys();
    // Tokenizes up to per_pass messages; flushes when due and at the end.
    PassResult step();
    // Ends the passes early: writes what is buffered. Done, or Failed after a reported failure.
    PassResult finish();
    // The share of the messages to go read so far, 0 to 100.
    int percent() const;

    // The point up to which everything is written: the start, or the last flush.
    const IndexState& state() const { return committed_; }
    WordBook& book() { return book_; }
    void fill(IndexOutcome& out) const;

private:
    std::vector<int> read_once_files() const;
    bool index_message(const MsgText& text);
    bool subject_of(uint32_t sysid, std::string& subject);
    bool already_indexed(uint32_t sysid);
    bool numbered(std::string_view subject, std::string_view text, const MessageText& m) const;
    void take_word(const std::string& text, uint32_t place);
    void take_words(std::string_view part, size_t from, size_t to, uint32_t base);
    bool book_words(uint32_t sysid);
    size_t pair_slot(const CachedWord* w) const;
    void number_words();
    CachedWord* book_word(const std::string& word, uint32_t h, uint32_t sysid, bool& ok);
    CachedWord* look_up(const std::string& word, uint32_t sysid);
    bool flush();
    bool write_words();
    void caption(const std::string& c);
    bool write_pairs();
    bool write_word_lists(store::File& h, std::vector<Pair> pairs, std::string records);
    void fail(const std::string& what, uint32_t sysid, const std::string& detail);
    void show_share();

    Session& s_;
    PassSetup setup_;
    IndexState state_;      // the point reached
    IndexState committed_;  // the point written
    const IndexProgress& progress_;
    WordRules rules_;
    WordBook book_;
    MsgText text_;
    // The words of the message being indexed, their hashes, their positions (kNotCounted set on
    // words read only for their positions) and cached records, kept between messages so that
    // their memory is reused.
    std::vector<std::string> words_;
    std::vector<uint32_t> hashes_;
    std::vector<uint32_t> places_;
    std::vector<CachedWord*> cached_;
    std::vector<uint32_t> token_pairs_;  // the pair each word's place goes to
    // The message's pairs by cached word (open addressing): the word, the number of its pair.
    std::vector<const CachedWord*> pair_keys_;
    std::vector<uint32_t> pair_numbers_;
    std::vector<uint32_t> grouped_, starts_;  // the places by pair, as end_message takes them
    size_t word_total_ = 0;
    bool list_had_words_ = false;
    bool check_indexed_ = false;
    uint64_t read_ = 0;
    uint64_t tokenized_ = 0;
    uint64_t pairs_written_ = 0;
    uint64_t new_words_ = 0;
    uint64_t stopped_ = 0;
    uint32_t current_ = 0;                        // sysid being indexed
    int32_t written_id_ = 0;                      // words above this id have no entries written yet
    std::vector<std::pair<int, int>> set_aside_;  // (file, key)
};

}  // namespace qs::words
