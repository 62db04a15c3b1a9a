// SPDX-License-Identifier: MIT
// The named character references of HTML ("&eacute;", "&euro;", "&NotEqualTilde;" ...), every
// one the HTML standard lists, in the generated html_refs.cpp (scripts/gen_html_refs.py).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace qs {

// The longest name, ";" included, and the longest of the names written without ";".
inline constexpr size_t kHtmlRefNameMax = 32;
inline constexpr size_t kHtmlBareRefNameMax = 6;

// A name and its characters are held in the entry itself: a table of two thousand entries that
// pointed at their texts would be rewritten by the loader at every start of the program (the
// pointers of a position-independent program are set when it is loaded), eighteen pages of
// copied memory for every command, whether it reads HTML or not.
struct HtmlNamedRef {
    char name_bytes[kHtmlRefNameMax + 1];  // NUL-padded
    char value_bytes[8];                   // NUL-padded
    // With its ";" where the standard writes one ("amp;" and "amp").
    std::string_view name() const {
        return {name_bytes, std::char_traits<char>::length(name_bytes)};
    }
    // UTF-8, one or two characters.
    std::string_view value() const {
        return {value_bytes, std::char_traits<char>::length(value_bytes)};
    }
};

// The reference of exactly this name (case matters: "&Eacute;" is not "&eacute;"), or null.
const HtmlNamedRef* find_html_ref(std::string_view name);
// Every name, sorted by its bytes.
std::span<const HtmlNamedRef> html_refs();

struct CharRef {
    std::string text;  // the decoded characters, UTF-8
    size_t used = 0;   // bytes taken from the "&" on; 0 when `at` starts no reference
};
// Decodes the character reference at the start of `at` (which begins with "&") by the rules
// browsers follow: named references with ";" and, for the old names, without it (the longest
// name wins: "&notin;" is one reference, "&notit;" is "&not" and "it;"); decimal and hexadecimal
// numbers, with 0, surrogates and numbers beyond Unicode as U+FFFD and 128 to 159 read as
// Windows-1252. A name that matches only with other letter case ("&EACUTE;", "&NBSP;") is read
// as the name the old mail programs meant. In an attribute value a name without ";" followed by
// "=" or a letter or digit is left as text ("?a=1&copy=2").
CharRef decode_char_ref(std::string_view at, bool in_attribute);

}  // namespace qs
