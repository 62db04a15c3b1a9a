// SPDX-License-Identifier: MIT
// The master index (MasIdx) as it lies on disk: two lists of sorted numbers per entry, kept in
// compressed blocks in the rows of the one record file.
//
//   KIND 1, ID = word id, FIRST = a sysid:   the messages that hold the word (its postings)
//   KIND 2, ID = sysid,   FIRST = a word id: the words of the message (to delete its entries)
//
// A block holds up to kBlockSize numbers, ascending and distinct: FIRST, and in DATA the gaps to
// the COUNT - 1 numbers after it, each in 7-bit groups, low group first, the top bit set on every
// group but a number's last. A word in a tenth of the messages costs about a byte per message.
// After the gaps, a word's block may hold one position record per number, in the numbers' order
// (wordindex/position_records.h); a block without them knows no positions. They live in the
// postings' own rows so that every change to a word's list (indexing, purge, word deletion,
// auto-stop, rebuild) rewrites them in the same write, and a phrase search reads them with the
// postings it already reads: a separate list would double the rows, the look-ups and the writes.
// The key is (KIND, ID, FIRST descending), unique: a list's last block is one look-up (for a
// word, one read by position, below), and the block a number falls into is the first at or after
// it in key order.
//
// One (word, message) entry lies in both lists. The word's blocks are the truth for searches,
// counts and "is this message indexed for this word"; a message's blocks name the words to visit
// when the message is deleted, and tell that a message was indexed at all. They may name words
// deleted since (deleting a word removes its own blocks only), so a word whose blocks do not hold
// the message is passed over.
//
// Writing: the indexer gathers (message, word) pairs in memory up to a fixed budget and writes
// them in one transaction with the word list: each message's words as new blocks, then each
// word's new messages merged into the blocks they fall into (as a rule all into the word's last
// block, since new messages have the highest numbers), splitting any block that passes
// kBlockSize. A crash undoes the transaction: the index stays as at the last flush.
//
// Hit highlighting tokenizes the hit's own text; phrase matching reads the position records.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string_view>
#include <vector>

#include "platform/record_store.h"
#include "platform/status.h"
#include "storage/session.h"

namespace qs::words {

enum ListKind : uint8_t { kWordMessages = 1, kMessageWords = 2 };
inline constexpr uint32_t kBlockSize = 256;
inline constexpr int kMasBlockKey = 0;  // MAS:by_Block

// Block coding. `numbers` ascending and distinct, 1 to kBlockSize of them; `records` empty, or
// one position record per number (an empty one counts as unknown). A block whose records are all
// unknown is written without them.
void encode_block(std::span<const uint32_t> numbers, MasIdx& row);
void encode_block(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
                  MasIdx& row);
// Appends the block's numbers to `out`; Corrupt when DATA does not hold COUNT - 1 gaps that
// stay ascending and within 32 bits. With `records`, also appends a view into row.DATA of each
// number's position record (empty ones when the block has none); Corrupt when they are not
// COUNT whole records that end the DATA.
Status decode_block(const MasIdx& row, std::vector<uint32_t>& out,
                    std::vector<std::string_view>* records = nullptr);

// Where a word's last block lies: a position of its own, before every other record, in word
// order. A flush rewrites the last blocks of the words it holds, in word order, and so finds them
// side by side (and without their key) instead of each on a page of its own all over the file.
// The position holds the word's last block or nothing: the last block then lies elsewhere (an
// index written before this rule, or a last block removed) and is found by the key, and goes
// there when it next changes.
inline int64_t last_block_position(uint32_t word) { return int64_t{word} - (int64_t{1} << 40); }

// The operations on one list (kind, id) through a MasIdx handle. Writes must run inside a
// transaction over the file. A failure leaves the transaction to be rolled back.
class MasList {
public:
    MasList(store::File& f, ListKind kind, uint32_t id) : f_(f), kind_(kind), id_(id) {}

    // Adds the numbers (ascending, distinct; those already there are kept once, with the new
    // record unless it is unknown). `records` is empty (no positions known) or holds one record
    // per number. `fresh` says the list has no block yet, which spares the look-ups.
    Status add(std::span<const uint32_t> numbers, bool fresh = false) {
        return add(numbers, {}, fresh);
    }
    Status add(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
               bool fresh = false);
    // Removes one number; `removed` tells whether it was there.
    Status remove(uint32_t number, bool& removed);
    // Removes every block; `numbers` counts what they held.
    Status remove_all(uint64_t& numbers);
    Status has(uint32_t number, bool& found);
    Status read_all(std::vector<uint32_t>& out);
    // Up to `room` numbers above `after` (all, with after = -1), ascending; `more` tells whether
    // further numbers follow.
    Status read_after(int64_t after, size_t room, std::vector<uint32_t>& out, bool& more);
    // Up to `room` numbers below `before`, descending; `more` tells whether lower ones follow.
    Status read_before(uint32_t before, size_t room, std::vector<uint32_t>& out, bool& more);
    // Whether the list has a block.
    Status exists(bool& found);

private:
    bool mine(const MasIdx& r) const { return r.KIND == kind_ && r.ID == id_; }
    bool tailed() const { return kind_ == kWordMessages; }
    int64_t tail() const { return last_block_position(id_); }
    // Writes the numbers as new blocks; with `ends` they end the list, whose tail position is
    // free, and the last block goes there.
    Status write(std::span<const uint32_t> numbers, std::span<const std::string_view> records,
                 bool ends);
    Status add_at_tail(MasIdx& row);
    Status block_of(uint32_t number, MasIdx& block, bool& found);
    // `last`: the block is the list's last.
    Status merge_into(MasIdx& block, std::span<const uint32_t> numbers,
                      std::span<const std::string_view> records, bool last);
    Status rewrite_tail(std::span<const uint32_t> all, std::span<const std::string_view> records);

    store::File& f_;
    ListKind kind_;
    uint32_t id_;
};

// A word's position records for messages asked for in ascending order: each block is read and
// decoded once. The views stay valid until the next call.
class PositionCursor {
public:
    PositionCursor(store::File& f, uint32_t word) : f_(f), word_(word) {}
    // The message's record; found is false when the word's list does not hold the message.
    Status find(uint32_t sysid, std::string_view& record, bool& found);

private:
    store::File& f_;
    uint32_t word_;
    MasIdx block_;
    std::vector<uint32_t> numbers_;
    std::vector<std::string_view> records_;
};

// Whole-index questions, through the session's MasIdx handle (the file open).
// The number of (word, message) entries: a pass over the file.
[[nodiscard]] bool entry_count(Session& s, uint64_t& n);
// Whether any word has an entry.
[[nodiscard]] bool any_entries(Session& s, bool& any);
// The entries of every word that has one.
[[nodiscard]] bool entries_per_word(Session& s, std::map<uint32_t, int32_t>& counts);
// The highest indexed sysid below `below` (all with below = 2^32); found false when none.
[[nodiscard]] bool indexed_below(Session& s, uint64_t below, uint32_t& sysid, bool& found);
[[nodiscard]] bool message_indexed(Session& s, uint32_t sysid, bool& indexed);
// The highest word id with entries; 0 when none.
[[nodiscard]] bool highest_word(Session& s, uint32_t& id);
// Adds the message's entries for the words (any order; repeats count once), merged into what the
// index holds. For writers of a few messages; the indexer writes its pairs in bulk. Runs inside
// the caller's transaction.
[[nodiscard]] Status add_message(Session& s, uint32_t sysid, std::vector<uint32_t> words);
// Every entry as (sysid, word id), by word, then sysid: a pass over the file.
[[nodiscard]] Status all_entries(Session& s, std::vector<std::pair<uint32_t, uint32_t>>& out);
// Deletes every entry of the message; `words` receives the words whose entry was removed, so
// that their counts in the word list can follow. Runs inside the caller's transaction.
[[nodiscard]] Status remove_message(Session& s, uint32_t sysid, std::vector<uint32_t>& words);

}  // namespace qs::words
