// SPDX-License-Identifier: MIT
#include "wordindex/word_book.h"

#include <algorithm>

namespace qs::words {

CachedWord& WordBook::add_existing(const WordList& rec, int64_t position) {
    auto [text, cached] = words_.insert(rec.THEWORD.trimmed());
    CachedWord& w = *cached;
    w = CachedWord{};
    w.text = text;
    w.id = rec.WORDID;
    w.count = rec.WORDCOUNT;
    w.position = position;
    last_id_ = std::max(last_id_, rec.WORDID);
    return w;
}

CachedWord* WordBook::find(const std::string& word) { return words_.find(word); }

CachedWord& WordBook::add_new(std::string_view word) {
    auto [text, cached] = words_.insert(word);
    CachedWord& w = *cached;
    w = CachedWord{};
    w.text = text;
    w.id = ++last_id_;
    return w;
}

bool WordBook::count(CachedWord& w, uint32_t sysid) {
    if (pairs_.capacity() == 0) pairs_.reserve(reserve_);
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
    stop_.insert(word);
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
    out.swap(pairs_);
    pairs_.reserve(reserve_);
    if (!stopped_ids_.empty())
        std::erase_if(out, [&](const Pair& p) { return stopped_ids_.count(p.word_id) > 0; });
    // A message's pairs come together; messages mostly come in sysid order, and then sorting
    // each message's words is enough.
    auto by_sysid = [](const Pair& a, const Pair& b) {
        return a.sysid < b.sysid;
    };
    auto by_word = [](const Pair& a, const Pair& b) {
        return a.word_id < b.word_id;
    };
    if (!std::is_sorted(out.begin(), out.end(), by_sysid)) {
        std::sort(out.begin(), out.end(), [](const Pair& a, const Pair& b) {
            return a.sysid != b.sysid ? a.sysid < b.sysid : a.word_id < b.word_id;
        });
        return out;
    }
    for (auto at = out.begin(); at != out.end();) {
        auto end = std::upper_bound(at, out.end(), *at, by_sysid);
        std::sort(at, end, by_word);
        at = end;
    }
    return out;
}

}  // namespace qs::words
