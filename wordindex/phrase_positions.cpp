// SPDX-License-Identifier: MIT
#include "wordindex/phrase_positions.h"

#include <algorithm>

#include "wordindex/position_records.h"

namespace qs::words {

PhrasePositions::PhrasePositions(store::File& mas, const std::vector<uint32_t>& words, bool skipped)
    : skipped_(skipped) {
    std::vector<uint32_t> distinct;
    for (uint32_t w : words) {
        auto it = std::find(distinct.begin(), distinct.end(), w);
        cursor_of_.push_back(static_cast<size_t>(it - distinct.begin()));
        if (it == distinct.end()) {
            distinct.push_back(w);
            cursors_.emplace_back(mas, w);
        }
    }
    positions_.resize(distinct.size());
}

Status PhrasePositions::answer(uint32_t sysid, Answer& a) {
    a = Answer::Unknown;
    if (cursors_.empty()) return Status::ok();
    for (size_t i = 0; i < cursors_.size(); ++i) {
        std::string_view record;
        bool found = false;
        if (Status st = cursors_[i].find(sysid, record, found); !st) return st;
        // A word missing from the message's postings can still stand in a part of the text that
        // is not indexed (a mail's header block): only the text can tell.
        if (!found || !record_known(record) || !record_positions(record, positions_[i]))
            return Status::ok();
    }
    phrase_.clear();
    for (size_t k : cursor_of_) phrase_.push_back(&positions_[k]);
    if (phrase_stands(phrase_))
        a = Answer::Stands;
    else if (!skipped_)
        a = Answer::Absent;
    return Status::ok();
}

}  // namespace qs::words
