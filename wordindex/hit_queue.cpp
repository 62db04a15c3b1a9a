// SPDX-License-Identifier: MIT
#include "wordindex/hit_queue.h"

#include <functional>

namespace qs::words {

void HitQueue::insert(uint32_t id) {
    if (ids_.empty() || id > ids_.back()) {
        ids_.push_back(id);
        return;
    }
    auto at = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (*at != id) ids_.insert(at, id);
}

void HitQueue::settle(size_t from) {
    const auto start = ids_.begin() + static_cast<std::ptrdiff_t>(from);
    const bool strictly_rising =
        std::adjacent_find(start, ids_.end(), std::greater_equal<uint32_t>()) == ids_.end();
    if (strictly_rising && (from == 0 || start == ids_.end() || *(start - 1) < *start)) return;
    std::sort(start, ids_.end());
    std::inplace_merge(ids_.begin(), start, ids_.end());
    ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
}

}  // namespace qs::words
