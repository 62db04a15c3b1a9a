// SPDX-License-Identifier: MIT
#include "wordindex/index_files.h"

#include "storage/file_access.h"

namespace qs::words {

bool read_database(Session& s) {
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = s.mem.ForumNumber;
    return s.mem.ForumNumber != 0 && Get(s, kForums, keys::ForumKey);
}

bool save_index_state(Session& s, const IndexState& st) {
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = s.mem.ForumNumber;
    if (!HoldRec(s, kForums, keys::ForumKey, true, 0, 5)) return false;
    s.rec.Forums.LASTMSGID = st.position;
    s.rec.Forums.RECSLASTTIME = st.count;
    s.rec.Forums.WORDLISTINDEXNEEDSUPDATE = st.needs_update;
    if (!UppDat(s, kForums, kUpdate, kReport)) return false;
    s.mem.WordListIndexNeedsUpdate = st.needs_update;
    return true;
}

bool is_stop_record(Session& s, std::string_view word) {
    s.rec.STO = STO{};
    s.rec.STO.THEWORD = word;
    return Get(s, kSTO, 0);
}

bool add_stop_record(Session& s, std::string_view word, int mode) {
    if (is_stop_record(s, word)) return true;
    s.rec.STO = STO{};
    s.rec.STO.THEWORD = word;
    return UppDat(s, kSTO, kAdd, mode);
}

std::set<int32_t> pending_deletions(Session& s) {
    std::set<int32_t> ids;
    store::File& h = handle(s, kPUR);
    PUR rec;
    for (int64_t pos = 0; h.fetch_after(pos, &rec); pos = h.position()) ids.insert(rec.WORDID);
    return ids;
}

bool rebuild_count_key(Session& s) {
    store::File& h = handle(s, kWordList);
    return h.drop_key(kWordCountKey) && h.build_key(kWordCountKey);
}

}  // namespace qs::words
