// SPDX-License-Identifier: MIT
#include "wordindex/index_status.h"

#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs::words {

namespace {

bool text_at(Session& s, uint32_t position) {
    MsgText rec;
    return position != 0 && handle(s, kMsgText).fetch(position, &rec).is_ok();
}

bool text_after(Session& s, uint32_t position) {
    MsgText rec;
    return handle(s, kMsgText).fetch_after(position, &rec).is_ok();
}

// The position of the text of the highest indexed sysid that still has one; 0 when none.
uint32_t last_indexed_position(Session& s) {
    store::File& texts = handle(s, kMsgText);
    uint64_t below = uint64_t{UINT32_MAX} + 1;
    uint32_t sysid = 0;
    bool found = false;
    while (indexed_below(s, below, sysid, found) && found) {
        MsgText key, text;
        key.MSGNUMBER = sysid;
        if (texts.get(0, &key, &text)) return static_cast<uint32_t>(texts.position());
        below = sysid;
    }
    return 0;
}

uint8_t status_of(Session& s, IndexState& st) {
    uint64_t texts = 0, pending = 0;
    bool entries = false;
    if (!RecordCount(s, kMsgText, texts) || !RecordCount(s, kPUR, pending) ||
        !any_entries(s, entries))
        return kIndexUnreadable;
    const bool deletions = pending > 0;
    if (texts == 0 || !entries) {
        st.position = st.count = 0;
        return texts == 0 ? kNothingToIndex : kFullIndexing;
    }
    if (st.position != 0 && text_at(s, st.position) && st.count <= texts / 2) {
        if (text_after(s, st.position)) return kPartialIndexing;
        return deletions ? kDeletionsPending : kNothingToIndex;
    }
    st.position = last_indexed_position(s);
    if (st.position == 0) {
        st.count = 0;
        return kFullIndexing;
    }
    uint64_t after = 0;
    if (!StoreRead(s, kMsgText, handle(s, kMsgText).count_after(st.position, after)))
        return kIndexUnreadable;
    st.count = static_cast<uint32_t>(texts - after);
    if (after > 0) return kPartialIndexing;
    return deletions ? kDeletionsPending : kNothingToIndex;
}

}  // namespace

uint8_t WSIndexFixup(Session& s) {
    OP_CLOSE(s, kOpOpen, {kForums, kMsgText, kMasIdx, kPUR});
    uint8_t status = kIndexUnreadable;
    if (read_database(s)) {
        IndexState st{s.rec.Forums.LASTMSGID, s.rec.Forums.RECSLASTTIME,
                      s.rec.Forums.WORDLISTINDEXNEEDSUPDATE};
        status = status_of(s, st);
        if (status != kIndexUnreadable) save_index_state(s, st);
    }
    OP_CLOSE(s, kOpClose, {kForums, kMsgText, kMasIdx, kPUR});
    return status;
}

std::string index_status_text(uint8_t status) {
    switch (status) {
        case kNothingToIndex: return "No indexing needed!";
        case kFullIndexing: return "Full indexing needed!";
        case kIndexUnreadable: return "The word index cannot be read!";
        default: return "Partial indexing recommended!";
    }
}

}  // namespace qs::words
