// SPDX-License-Identifier: MIT
#include "wordindex/word_book.h"

#include <algorithm>

namespace qs::words {

CachedWord& WordBook::add_existing(const WordList& rec, int64_t position) {
    auto [it, added] = words_.try_emplace(std::string(rec.THEWORD.trimmed()));
    CachedWord& w = it->second;
    w = CachedWord{};
    w.text = &it->first;
    w.id = rec.WORDID;
    w.count = rec.WORDCOUNT;
    w.position = position;
    last_id_ = std::max(last_id_, rec.WORDID);
    return w;
}

CachedWord* WordBook::find(const std::string& word) {
    auto it = words_.find(word);
    return it == words_.end() ? nullptr : &it->second;
}

CachedWord& WordBook::add_new(std::string_view word) {
    auto [it, added] = words_.try_emplace(std::string(word));
    CachedWord& w = it->second;
    w = CachedWord{};
    w.text = &it->first;
    w.id = ++last_id_;
    return w;
}

bool WordBook::count(CachedWord& w, uint32_t sysid) {
    if (w.counted && w.last_sysid == sysid) return false;
    w.counted = true;
    w.last_sysid = sysid;
    ++w.count;
    if (!w.changed) {
        w.changed = true;
        dirty_.push_back(&w);
    }
    pairs_.push_back({sysid, static_cast<uint32_t>(w.id)});
    return true;
}

void WordBook::stop(std::string_view word, CachedWord& w) {
    stop_.emplace(word);
    w.stopped = true;
    stopped_ids_.insert(static_cast<uint32_t>(w.id));
    // Entries already in the master index go with the cleanup after the run; the word's count
    // is their number.
    if (w.position != 0) {
        deleted_.push_back(w.id);
        deleted_total_ += w.count;
    }
}

std::vector<CachedWord*> WordBook::take_dirty() {
    std::vector<CachedWord*> out;
    out.reserve(dirty_.size());
    for (CachedWord* w : dirty_) {
        w->changed = false;
        if (!w->stopped) out.push_back(w);
    }
    dirty_.clear();
    return out;
}

std::vector<Pair> WordBook::take_pairs() {
    std::vector<Pair> out;
    out.reserve(pairs_.size());
    for (const Pair& p : pairs_)
        if (stopped_ids_.empty() || !stopped_ids_.count(p.word_id)) out.push_back(p);
    pairs_.clear();
    std::sort(out.begin(), out.end(), [](const Pair& a, const Pair& b) {
        return a.sysid != b.sysid ? a.sysid < b.sysid : a.word_id < b.word_id;
    });
    return out;
}

}  // namespace qs::words
