// SPDX-License-Identifier: MIT
#include "app/text_chars.h"

#include "platform/unicode.h"

namespace qs::textchars {

size_t length_at(std::string_view s, size_t i) {
    char32_t cp;
    size_t n = utf8_sequence(s, i, cp);
    return n ? n : 1;  // a byte that starts no character is one by itself
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
