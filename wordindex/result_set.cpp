// SPDX-License-Identifier: MIT
// The result set file: the sysids of the current search result, replaced as a whole.
#include "storage/file_access.h"
#include "wordindex/search_engine.h"

namespace qs::words {

namespace {

bool fill(Session& s, const HitQueue& hits) {
    Status st = handle(s, kSearch).empty();
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
