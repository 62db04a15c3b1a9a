// SPDX-License-Identifier: MIT
// The word index files of the current database and the index state kept in its database record:
// reading and saving that state, the stop list, the pending deletions and the count key.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qs::words {

// The files an indexing run works on, besides the message files of the database type.
inline constexpr int kIndexFiles[] = {kWordList, kMasIdx, kSTO, kPUR};

// The database record of the current database into s.rec.Forums; false when it cannot be read.
bool read_database(Session& s);

// Index state of the current database.
struct IndexState {
    uint32_t position = 0;  // FOR:LASTMSGID, 0 = unknown
    uint32_t count = 0;     // FOR:RECSLASTTIME
    int32_t needs_update = 0;
};
// Writes the state into the database record (held while it is written) and mirrors the flag in
// Mem:WordListIndexNeedsUpdate. Forums must be open. False after the failure was reported.
bool save_index_state(Session& s, const IndexState& st);

// Adds a word to the stop list unless it is there; STO must be open. False on a write failure.
bool add_stop_record(Session& s, std::string_view word, int mode);
bool is_stop_record(Session& s, std::string_view word);

// The word ids of the pending deletions file (PUR open).
std::set<int32_t> pending_deletions(Session& s);

// Keys by number within their files.
inline constexpr int kWordIdKey = 0;     // WOR:by_WordId
inline constexpr int kTheWordKey = 1;    // WOR:by_theWord
inline constexpr int kWordCountKey = 2;  // WOR:by_WordCount

// Builds the word list's count key anew (the word list open).
bool rebuild_count_key(Session& s);

}  // namespace qs::words
