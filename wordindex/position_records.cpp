// SPDX-License-Identifier: MIT
#include "wordindex/position_records.h"

#include <algorithm>

namespace qs::words {

void append_record(std::string& out, std::span<const uint32_t> positions) {
    put_varint(out, static_cast<uint32_t>(positions.size()));
    uint32_t last = 0;
    for (uint32_t p : positions) {
        put_varint(out, p - last);
        last = p;
    }
}

bool record_positions(std::string_view record, std::vector<uint32_t>& out) {
    out.clear();
    size_t at = 0;
    uint32_t n = 0;
    if (!get_varint(record, at, n)) return false;
    uint64_t p = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t gap = 0;
        if (!get_varint(record, at, gap) || (i > 0 && gap == 0)) return false;
        p += gap;
        if (p > UINT32_MAX) return false;
        out.push_back(static_cast<uint32_t>(p));
    }
    return at == record.size();
}

bool phrase_stands(const std::vector<const std::vector<uint32_t>*>& positions) {
    if (positions.empty()) return false;
    for (uint32_t start : *positions[0]) {
        bool all = true;
        for (size_t k = 1; k < positions.size() && all; ++k)
            all = std::binary_search(positions[k]->begin(), positions[k]->end(),
                                     start + static_cast<uint32_t>(k));
        if (all) return true;
    }
    return false;
}

}  // namespace qs::words
