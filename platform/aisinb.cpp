// SPDX-License-Identifier: MIT
// AISINB: the substring search that address splitting and the standard text search share, with
// its whole-word rule.
#include <algorithm>
#include <array>

#include "platform/text.h"

namespace qs {
namespace {

bool is_digit(char32_t c) { return c >= '0' && c <= '9'; }
bool is_digit_char(char c) { return is_digit(static_cast<unsigned char>(c)); }

// A numeric pattern is a user number or part of one: only another digit may join it, so "12" is
// found in "A12" but not in "123". Any other pattern is joined by letters, the digit 1 and the
// Windows-1252 characters 0x80 to 0x85 of the search's table, and beyond the characters of that
// table by letters, marks and numbers.
bool is_word_char(char32_t c, bool numeric) {
    if (numeric) return is_digit(c);
    const int byte = cp1252_byte(c);
    if (byte < 0) return word_character(c);
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte == '1' ||
           (byte >= 0x80 && byte <= 0x85);
}

bool stands_alone(std::string_view text, size_t at, size_t length, bool numeric) {
    if (at > 0) {
        size_t before = previous_char_start(text, at);
        if (is_word_char(next_code_point(text, before), numeric)) return false;
    }
    size_t end = at + length;
    return end >= text.size() || !is_word_char(next_code_point(text, end), numeric);
}

}  // namespace

size_t AISINB(bool whole_word, std::string_view text, std::string_view pattern) {
    pattern = trim_right(pattern);
    const size_t m = pattern.size();
    if (m == 0 || m > text.size()) return 0;
    std::array<size_t, 256> skip;
    skip.fill(m);
    for (size_t k = 0; k + 1 < m; ++k) skip[static_cast<unsigned char>(pattern[k])] = m - 1 - k;
    const bool numeric = std::all_of(pattern.begin(), pattern.end(), is_digit_char);
    // UTF-8 bytes are searched as bytes: a well-formed pattern can only match whole characters.
    for (size_t at = 0; at + m <= text.size();
         at += skip[static_cast<unsigned char>(text[at + m - 1])]) {
        if (text.substr(at, m) != pattern) continue;
        // A match joined to a word is passed over; the search goes on for one that stands alone.
        if (!whole_word || stands_alone(text, at, m, numeric)) return at + 1;
    }
    return 0;
}

}  // namespace qs
