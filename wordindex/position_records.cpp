// SPDX-License-Identifier: MIT
#include "wordindex/position_records.h"

#include <algorithm>

namespace qs::words {

void append_record(std::string& out, std::span<const uint32_t> positions) {
    const bool more = positions.size() > 1;
    put_varint(out, positions[0] << 1 | (more ? 1 : 0));
    if (!more) return;
    put_varint(out, static_cast<uint32_t>(positions.size() - 1));
    for (size_t i = 1; i < positions.size(); ++i) put_varint(out, positions[i] - positions[i - 1]);
}

bool record_positions(std::string_view record, std::vector<uint32_t>& out) {
    out.clear();
    size_t at = 0;
    uint32_t head = 0, others = 0;
    if (!get_varint(record, at, head)) return false;
    if (head == 0) return at == record.size();  // not known
    if (head >> 1 == 0) return false;
    out.push_back(head >> 1);
    if ((head & 1) && !get_varint(record, at, others)) return false;
    uint64_t p = head >> 1;
    for (uint32_t i = 0; i < others; ++i) {
        uint32_t gap = 0;
        if (!get_varint(record, at, gap) || gap == 0) return false;
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
