// SPDX-License-Identifier: MIT
// The search that no word can drive (only negated words): every message is examined, newest
// first, and the scan stops at each thousandth hit.
#include "wordindex/search_engine.h"

#include "storage/file_access.h"

namespace qs::words {

SearchOutcome SearchState::run_full_scan(HitQueue& hits, FoundWordsQueue& found) {
    if (!full_pos_.kept && !ask_too_many()) return SearchOutcome::Cancelled;
    ++counters_.blocks;
    full_pos_.reading = false;
    std::vector<Candidate> block;
    uint32_t sysid = 0;
    bool more = true;
    while (block.size() < kFullScanBlock && (more = next_newest(sysid))) {
        ++counters_.messages_scanned;
        if (fits(sysid)) block.push_back({sysid, -1});
    }
    full_done_ = !more;
    note_found(block, found);
    keep_hits(block, hits);
    return SearchOutcome::Hits;
}

// The next message from newest to oldest, by the header's date key; the first call of a block
// goes on after the kept position.
bool SearchState::next_newest(uint32_t& sysid) {
    bool mail = type_ == kMailDb;
    int file = mail ? kMail : kMsgNmbr;
    int key = mail ? static_cast<int>(keys::MaiDateKey) : static_cast<int>(keys::MsgDateKey);
    store::File& f = handle(s_, file);
    void* rec = mail ? static_cast<void*>(&full_pos_.mail) : static_cast<void*>(&full_pos_.msg);
    if (!full_pos_.reading) {
        if (full_pos_.kept) {
            f.set_position(full_pos_.pos);
            f.set_here(key, rec);
        } else {
            f.set(key);
        }
        full_pos_.reading = true;
    }
    if (!f.next(rec).is_ok()) return false;
    full_pos_.kept = true;
    full_pos_.pos = f.position();
    sysid = mail ? full_pos_.mail.MAILID : full_pos_.msg.MSGNUMBER;
    return true;
}

}  // namespace qs::words
