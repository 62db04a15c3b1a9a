// SPDX-License-Identifier: MIT
// Character references in HTML text and attribute values: "&euro;", "&#8364;", "&#x20AC;".
#include <array>
#include <cctype>

#include "import/mime/html_refs.h"
#include "import/mime/utf8_text.h"

namespace qs {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kBeyondUnicode = 0x110000;

// What browsers make of the numbers 128 to 159, which name C1 controls in Unicode but were
// written meaning the Windows-1252 characters; 0 where Windows-1252 has no character either.
constexpr std::array<uint16_t, 32> kC1 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool is_alnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

int digit_value(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint32_t checked_code_point(uint32_t v) {
    if (v == 0 || v >= kBeyondUnicode || (v >= 0xD800 && v <= 0xDFFF)) return kReplacement;
    if (v >= 0x80 && v <= 0x9F && kC1[v - 0x80] != 0) return kC1[v - 0x80];
    return v;
}

// "&#233;", "&#xE9;", the ";" optional; at least one digit.
CharRef numeric_ref(std::string_view at) {
    size_t i = 2;
    bool hex = i < at.size() && (at[i] == 'x' || at[i] == 'X');
    if (hex) ++i;
    size_t first = i;
    uint32_t v = 0;
    for (int d; i < at.size() && (d = digit_value(at[i], hex)) >= 0; ++i) {
        v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        if (v >= kBeyondUnicode) v = kBeyondUnicode;  // stays out of range, never wraps
    }
    if (i == first) return {};
    if (i < at.size() && at[i] == ';') ++i;
    CharRef r;
    append_utf8(r.text, checked_code_point(v));
    r.used = i;
    return r;
}

std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// "&EACUTE;" as "&Eacute;", "&NBSP;" as "&nbsp;": the first letter keeps its case, or none does.
const HtmlNamedRef* other_case(std::string_view name) {
    std::string first_kept = std::string(name.substr(0, 1)) + lower_ascii(name.substr(1));
    if (const HtmlNamedRef* r = find_html_ref(first_kept)) return r;
    return find_html_ref(lower_ascii(name));
}

CharRef named_ref(std::string_view at, bool in_attribute) {
    size_t end = 1;
    while (end < at.size() && end <= kHtmlRefNameMax && is_alnum(at[end])) ++end;
    std::string_view run = at.substr(1, end - 1);
    if (run.empty()) return {};
    if (end < at.size() && at[end] == ';') {
        std::string name = std::string(run) + ';';
        const HtmlNamedRef* r = find_html_ref(name);
        if (!r) r = other_case(name);
        if (r) return {std::string(r->value()), end + 1};
    }
    // The old names stand without ";" too; the longest that starts the run is the one meant.
    for (size_t len = std::min(run.size(), kHtmlBareRefNameMax); len >= 2; --len) {
        const HtmlNamedRef* r = find_html_ref(run.substr(0, len));
        if (!r) continue;
        size_t next = 1 + len;
        if (in_attribute && next < at.size() && (at[next] == '=' || is_alnum(at[next]))) return {};
        return {std::string(r->value()), next};
    }
    return {};
}

}  // namespace

CharRef decode_char_ref(std::string_view at, bool in_attribute) {
    if (at.size() < 2 || at[0] != '&') return {};
    if (at[1] == '#') return numeric_ref(at);
    return named_ref(at, in_attribute);
}

}  // namespace qs
