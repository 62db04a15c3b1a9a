// SPDX-License-Identifier: MIT
// Removal of deleted words: the words marked for deletion in the word list (and the words an
// indexing run moved to the stop list) leave the word list and the master index, and the marked
// ones join the stop list. The word list, master index, stop list and pending deletions files
// must be open; the whole removal is one transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs::words {

// Up to this share (in percent) of the master index, a deleted word's entries are removed one by
// one through the word-id key; above it the master index is read once and written anew without
// them. Removing an entry touches the record and both keys at scattered places, several times
// the work of appending one in order, so once about a fifth of the file goes, rewriting the rest
// in order is cheaper, and it leaves the file compact.
inline constexpr int64_t kKeyedDeletePercent = 20;

using Caption = std::function<void(const std::string&)>;

// Moves the pending deletions to the stop list and queues their words; empties the pending
// deletions file. `total` grows by the word counts.
bool take_pending_deletions(Session& s, std::vector<int32_t>& ids, int64_t& total,
                            const Caption& caption);

// Removes the queued words' master index entries (unless `words_only`, after a full rebuild
// emptied it) and their word list records.
bool remove_words(Session& s, const std::vector<int32_t>& ids, int64_t total, bool words_only,
                  const Caption& caption);

// The cleanup pass before indexing: both of the above in one transaction. False after a failure
// was reported and the transaction rolled back.
bool word_delete_cleanup(Session& s, bool full, const Caption& caption);

// Removes words queued during a run (already in the stop list) in one transaction.
bool remove_stopped_words(Session& s, const std::vector<int32_t>& ids, int64_t total,
                          const Caption& caption);

}  // namespace qs::words
