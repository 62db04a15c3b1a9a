// SPDX-License-Identifier: MIT
// Characters of a message text, for the page breaks of the text view: a well-formed UTF-8
// sequence is one character, and a byte that starts none is one character by itself, so that a
// text of 8-bit bytes (Windows-1252) counts one character per byte and a UTF-8 text counts its
// code points. Positions never fall inside a character.
#pragma once

#include <cstddef>
#include <string_view>

namespace qs::textchars {

// The bytes of the character that starts at s[i] (i < s.size()): 1 to 4.
size_t length_at(std::string_view s, size_t i);

// The number of characters of `s`.
size_t count(std::string_view s);

// The byte offset of character `n` (0-based) of `s`, or s.size() when `s` has no more than `n`
// characters.
size_t offset_of(std::string_view s, size_t n);

}  // namespace qs::textchars
