// SPDX-License-Identifier: MIT
#include "wordindex/word_book.h"

#include <algorithm>

#include "wordindex/position_records.h"

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

void WordBook::end_message(std::span<const uint32_t> places, std::span<const uint32_t> starts,
                           bool known) {
    if (positions_.capacity() < reserve_bytes_) positions_.reserve(reserve_bytes_);
    if (!known) {
        std::sort(pairs_.begin() + static_cast<std::ptrdiff_t>(ended_), pairs_.end(),
                  [](const Pair& a, const Pair& b) {
                      return a.sysid != b.sysid ? a.sysid < b.sysid : a.word_id < b.word_id;
                  });
        positions_.append(pairs_.size() - ended_, kUnknownRecord[0]);
        ended_ = pairs_.size();
        return;
    }
    for (size_t j = 0; ended_ < pairs_.size(); ++ended_, ++j) {
        if (j + 1 < starts.size() && starts[j] < starts[j + 1])
            append_record(positions_, places.subspan(starts[j], starts[j + 1] - starts[j]));
        else
            positions_ += kUnknownRecord;
    }
}

// The pairs in sysid order with their records: messages mostly come in sysid order, and then
// nothing moves.
void WordBook::sort_by_sysid(std::vector<Pair>& pairs, std::string& records) const {
    auto by_sysid = [](const Pair& a, const Pair& b) {
        return a.sysid < b.sysid;
    };
    if (std::is_sorted(pairs.begin(), pairs.end(), by_sysid)) return;
    struct At {
        Pair pair;
        uint32_t offset, size;
    };
    std::vector<At> all(pairs.size());
    std::string_view in(records);
    size_t offset = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const size_t size = record_size(in.substr(offset));
        all[i] = {pairs[i], static_cast<uint32_t>(offset), static_cast<uint32_t>(size)};
        offset += size;
    }
    std::sort(all.begin(), all.end(), [](const At& a, const At& b) {
        return a.pair.sysid != b.pair.sysid ? a.pair.sysid < b.pair.sysid
                                            : a.pair.word_id < b.pair.word_id;
    });
    std::string sorted;
    sorted.reserve(records.size());
    for (size_t i = 0; i < all.size(); ++i) {
        pairs[i] = all[i].pair;
        sorted.append(in.substr(all[i].offset, all[i].size));
    }
    records.swap(sorted);
}

void WordBook::drop_stopped(std::vector<Pair>& pairs, std::string& records) const {
    // Only words stopped since the last flush can have pairs here, and words are stopped
    // seldom: most flushes look nothing up, and nothing is moved.
    auto stopped = [&](const Pair& p) {
        return stopped_ids_.count(p.word_id) > 0;
    };
    if (stopped_ids_.empty() || std::none_of(pairs.begin(), pairs.end(), stopped)) return;
    size_t kept = 0, from = 0, to = 0;
    for (const Pair& p : pairs) {
        const size_t size = record_size(std::string_view(records).substr(from));
        if (!stopped(p)) {
            pairs[kept++] = p;
            std::copy(records.begin() + static_cast<std::ptrdiff_t>(from),
                      records.begin() + static_cast<std::ptrdiff_t>(from + size),
                      records.begin() + static_cast<std::ptrdiff_t>(to));
            to += size;
        }
        from += size;
    }
    pairs.resize(kept);
    records.resize(to);
}

std::vector<Pair> WordBook::take_pairs(std::string* records) {
    if (ended_ < pairs_.size()) end_message({}, {}, false);
    std::vector<Pair> out;
    std::string taken;
    out.swap(pairs_);
    taken.swap(positions_);
    ended_ = 0;
    // The buffers are taken again by the next count and end_message, once these are written
    // and freed: the next flush's pairs then lie where these did.
    sort_by_sysid(out, taken);
    drop_stopped(out, taken);
    // A stopped word is not counted again, so later flushes hold no pairs of these.
    stopped_ids_.clear();
    if (records) records->swap(taken);
    return out;
}

}  // namespace qs::words
