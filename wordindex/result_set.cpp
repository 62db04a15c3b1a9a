// SPDX-License-Identifier: MIT
// The result set file: the sysids of the current search result, replaced as a whole.
#include <algorithm>

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

bool fill(Session& s, const HitQueue& hits) {
    Status st = empty_result_set(s);
    if (!st) {
        Rollback(s);
        if (!s.quiet())
            s.dialog.message("Result Set", "The result set cannot be replaced.\r\n" + st.text());
        return false;
    }
    for (uint32_t id : hits) {
        s.rec.Search.ID = id;
        if (!UppDat(s, kSearch, kAdd, kRollback)) return false;  // reported and rolled back
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
