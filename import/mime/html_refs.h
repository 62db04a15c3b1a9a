// SPDX-License-Identifier: MIT
// The named character references of HTML ("&eacute;", "&euro;", "&NotEqualTilde;" ...), every
// one the HTML standard lists, in the generated html_refs.cpp (scripts/gen_html_refs.py).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace qs {

struct HtmlNamedRef {
    std::string_view name;   // with its ";" where the standard writes one ("amp;" and "amp")
    std::string_view value;  // UTF-8, one or two characters
};

// The longest name, ";" included, and the longest of the names written without ";".
inline constexpr size_t kHtmlRefNameMax = 32;
inline constexpr size_t kHtmlBareRefNameMax = 6;

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
