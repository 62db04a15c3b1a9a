// SPDX-License-Identifier: MIT
// The hits of a search: message sysids, each once, in ascending order. They lie in one sorted
// array rather than a tree: a frequent word's twenty thousand hits take 80 KB in one block instead
// of a node of 40 bytes each, and every user reads them in order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qs::words {

class HitQueue {
public:
    using value_type = uint32_t;
    using const_iterator = std::vector<uint32_t>::const_iterator;
    using const_reverse_iterator = std::vector<uint32_t>::const_reverse_iterator;

    HitQueue() = default;
    HitQueue(std::initializer_list<uint32_t> ids) { insert(ids.begin(), ids.end()); }

    // Adds one sysid, which is kept once however often it comes. In ascending order this is
    // an append; otherwise it moves the larger hits, so many hits go in with the range form.
    void insert(uint32_t id);
    // Adds sysids in any order. A run above every hit held (a word's index entries, which come
    // ascending) is appended as it is; any other is sorted and merged in.
    template <class It>
    void insert(It first, It last) {
        const size_t old = ids_.size();
        ids_.insert(ids_.end(), first, last);
        settle(old);
    }
    // Removes the hits for which drop(sysid) is true; drop sees each hit once, in ascending order.
    template <class F>
    void erase_if(F drop) {
        ids_.erase(std::remove_if(ids_.begin(), ids_.end(), drop), ids_.end());
    }
    bool contains(uint32_t id) const { return std::binary_search(ids_.begin(), ids_.end(), id); }
    void reserve(size_t n) { ids_.reserve(n); }
    void clear() { ids_.clear(); }

    size_t size() const { return ids_.size(); }
    bool empty() const { return ids_.empty(); }
    const_iterator begin() const { return ids_.begin(); }
    const_iterator end() const { return ids_.end(); }
    const_reverse_iterator rbegin() const { return ids_.rbegin(); }
    const_reverse_iterator rend() const { return ids_.rend(); }
    // The hits as one ascending array.
    const std::vector<uint32_t>& ids() const { return ids_; }

    friend bool operator==(const HitQueue&, const HitQueue&) = default;

private:
    // Puts the sysids added from `from` on into order among those before it, once each.
    void settle(size_t from);

    std::vector<uint32_t> ids_;
};

}  // namespace qs::words
