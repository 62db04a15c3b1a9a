// SPDX-License-Identifier: MIT
#include "app/text_chars.h"

namespace qs::textchars {

namespace {

bool continuation(std::string_view s, size_t i, unsigned char low = 0x80,
                  unsigned char high = 0xBF) {
    if (i >= s.size()) return false;
    auto c = static_cast<unsigned char>(s[i]);
    return c >= low && c <= high;
}

}  // namespace

size_t length_at(std::string_view s, size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0xC2 || c > 0xF4) return 1;  // ASCII, a stray continuation byte or no lead at all
    // The second byte's range is narrower after some leads: no overlong forms, no surrogates,
    // nothing past U+10FFFF.
    unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (!continuation(s, i + 1, low, high)) return 1;
    for (size_t k = 2; k < need; ++k)
        if (!continuation(s, i + k)) return 1;
    return need;
}

size_t count(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += length_at(s, i)) ++n;
    return n;
}

size_t offset_of(std::string_view s, size_t n) {
    size_t i = 0;
    for (; i < s.size() && n > 0; --n) i += length_at(s, i);
    return i;
}

}  // namespace qs::textchars
