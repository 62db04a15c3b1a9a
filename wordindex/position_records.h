// SPDX-License-Identifier: MIT
// Word positions as the master index keeps them beside a word's postings: for each message of
// a block, a record of where the word stands among the message's words.
//
// A record codes its first position p and whether more follow as the number p * 2 + more, in
// 7-bit groups as the block's gaps are; with more, the count of the others follows, then each
// as its gap to the one before. Most words stand once in a message: one or two bytes. A record
// of the one byte 0 says the positions are not known: the message was indexed by a build that
// kept none, or its words could not be numbered as a phrase search reads them (see
// IndexPass::numbered), and a phrase search then reads its text.
//
// Numbering: the words of the subject from 1, then the words of the whole text from two past
// the subject's last, so that no phrase spans the subject and the text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qs::words {

inline constexpr std::string_view kUnknownRecord{"\0", 1};

inline void put_varint(std::string& out, uint32_t v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

// Reads a number at `at` and moves past it; false when it is cut short or longer than 32 bits.
inline bool get_varint(std::string_view in, size_t& at, uint32_t& v) {
    uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
        if (at == in.size() || shift > 28) return false;
        const auto byte = static_cast<unsigned char>(in[at++]);
        n |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) break;
    }
    if (n > UINT32_MAX) return false;
    v = static_cast<uint32_t>(n);
    return true;
}

// Appends the record of `positions` (ascending, distinct, at least one, each from 1 on).
void append_record(std::string& out, std::span<const uint32_t> positions);
// The bytes of the record that `in` begins with; 0 when it is damaged. Each number ends with the
// one byte of its groups that has the top bit clear, so the others are passed over by counting
// such bytes.
inline size_t record_size(std::string_view in) {
    size_t at = 0;
    uint32_t head = 0, others = 0;
    if (!get_varint(in, at, head)) return 0;
    if (!(head & 1)) return at;
    if (!get_varint(in, at, others)) return 0;
    for (uint32_t ends = 0; ends < others; ++at) {
        if (at == in.size()) return 0;
        if (!(static_cast<unsigned char>(in[at]) & 0x80)) ++ends;
    }
    return at;
}
// The positions of a record, into `out` (emptied first); empty for an unknown one. False when it
// is damaged.
bool record_positions(std::string_view record, std::vector<uint32_t>& out);
inline bool record_known(std::string_view record) { return !record.empty() && record[0] != 0; }

// Whether the phrase stands in the message: with positions[k] those of the phrase's k-th word,
// some p has p + k in positions[k] for every k.
bool phrase_stands(const std::vector<const std::vector<uint32_t>*>& positions);

}  // namespace qs::words
