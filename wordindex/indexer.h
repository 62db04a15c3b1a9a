// SPDX-License-Identifier: MIT
// The word indexer of the current database: tokenizes every message text that is not yet in the
// master index (or all of them on a full rebuild), keeps the word list's message counts, moves
// very common words to the stop list, and writes words and (word, message) pairs in batches.
//
//   cleanup of marked words (1, 2 or 4, 5) --> 8 preparation --> 9 indexing passes --+
//                                                     ^                                |
//                                                     +------ flush at 50000 pairs ----+
//   9 (no text left) --> final flush --> removal of words stopped meanwhile --> count key
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "storage/session.h"

namespace qs::words {

// A flush happens once this many pairs are buffered (and more than 50 messages remain).
inline constexpr size_t kFlushPairs = 50000;

struct IndexRequest {
    uint8_t type = 0;        // database type: 1 forum, 2 mail, 3 newsgroup
    int per_pass = 4;        // messages tokenized per pass
    bool full = false;       // rebuild the whole index
    bool confirmed = false;  // the caller already had the rebuild confirmed
};

// What a run tells its window: a caption, and the share done of the messages to go.
struct IndexProgress {
    std::function<void(const std::string& caption)> caption;
    std::function<void(int percent, uint64_t done, uint64_t to_go)> percent;
};

struct IndexOutcome {
    uint64_t tokenized = 0;  // messages tokenized in this run
    uint64_t pairs = 0;      // pairs written
    uint64_t new_words = 0;
    uint64_t stopped = 0;  // words moved to the stop list automatically
};

// Runs one indexing of the current database. Returns 1 when it ended normally and the count key
// was rebuilt, 2 otherwise (the rebuild was declined, a failure was reported, or the key could
// not be built). While the session is unattended no message box is shown.
uint8_t INDEXFILE1(Session& s, const IndexRequest& request, const IndexProgress& progress = {},
                   IndexOutcome* outcome = nullptr);

// Messages per pass from the pace settings; 4 when they cannot be read.
int messages_per_pass(Session& s);

// The window title of a run.
std::string index_title(const Session& s);

}  // namespace qs::words
