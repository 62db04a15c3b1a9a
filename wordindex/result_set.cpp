// SPDX-License-Identifier: MIT
// The result set file: the sysids of the current search result, replaced as a whole.
#include <algorithm>
#include <vector>

#include "storage/file_access.h"
#include "wordindex/search_engine.h"

namespace qs::words {

namespace {

// Empties the result set inside the transaction. Its file is a scratch file, not checked when
// opened: one too damaged to be emptied is made anew (it only ever holds the last result).
Status empty_result_set(Session& s) {
    Status st = handle(s, kSearch).empty();
    if (st.code() != Code::Corrupt) return st;
    Rollback(s);
    int held = s.slots[kSearch].count;  // whoever holds it open still does afterwards
    OP_CLOSE(s, kOpRemove, {kSearch});
    for (int i = 0; i < std::max(held, 1); ++i) OP_CLOSE(s, kOpOpen, {kSearch});
    st = BeginTransaction(s, {kSearch});
    return st ? handle(s, kSearch).empty() : st;
}

// The hits go in by one statement per slice of a few thousand (one statement per hit was most of
// a frequent word's command), newest first, which is also the order of the file's key. The
// slices pass through one small buffer: all of a frequent word's hits at once were a quarter of
// a megabyte of fresh memory.
Status add_hits(Session& s, const HitQueue& hits) {
    constexpr size_t kSlice = 4096;
    std::vector<int64_t> ids;
    ids.reserve(std::min(kSlice, hits.size()));
    Status st;
    for (auto it = hits.rbegin(); st && it != hits.rend();) {
        ids.clear();
        for (; ids.size() < kSlice && it != hits.rend(); ++it) ids.push_back(*it);
        st = handle(s, kSearch).add_values(0, ids);
    }
    return st;
}

bool fill(Session& s, const HitQueue& hits) {
    Status st = empty_result_set(s);
    if (st) st = add_hits(s, hits);
    if (!st) {
        Rollback(s);
        if (!s.quiet())
            s.dialog.message("Result Set", "The result set cannot be replaced.\r\n" + st.text());
        return false;
    }
    return Commit(s);
}

}  // namespace

bool write_result_set(Session& s, const HitQueue& hits) {
    OP_CLOSE(s, kOpOpen, {kSearch});
    bool ok = !TransactionCheck(s, BeginTransaction(s, {kSearch})) && fill(s, hits);
    OP_CLOSE(s, kOpClose, {kSearch});
    return ok;
}

}  // namespace qs::words
