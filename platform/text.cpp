// SPDX-License-Identifier: MIT
// Windows-1252 case rules, key comparison and the UTF-8 conversion used at the system's edges.
// compare_nocase is the collation of every text key, so it allocates nothing and folds by table.
#include "platform/text.h"

namespace qs {

namespace {

using ByteMap = std::array<unsigned char, 256>;

struct CaseMaps {
    ByteMap upper;
    ByteMap lower;
};

constexpr CaseMaps make_case_maps() {
    CaseMaps m{};
    for (unsigned c = 0; c < 256; ++c) {
        m.upper[c] = static_cast<unsigned char>(c);
        m.lower[c] = static_cast<unsigned char>(c);
    }
    auto pair = [&m](unsigned up, unsigned low) {
        m.upper[low] = static_cast<unsigned char>(up);
        m.lower[up] = static_cast<unsigned char>(low);
    };
    for (unsigned c = 'A'; c <= 'Z'; ++c) pair(c, c + 0x20);
    pair(0x8A, 0x9A);  // S caron
    pair(0x8C, 0x9C);  // OE ligature
    pair(0x8E, 0x9E);  // Z caron
    pair(0x9F, 0xFF);  // Y diaeresis: the capital lives in the 0x80 block, far from its small
    // 0xD7 and 0xF7 are the multiplication and division signs, not letters; 0xDF (sharp s) has no
    // capital in this code page and 0xFF was paired above.
    for (unsigned c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) pair(c, c + 0x20);
    }
    return m;
}

constexpr CaseMaps kCase = make_case_maps();

struct NoFold {
    unsigned char operator()(unsigned char c) const { return c; }
};
struct UpperFold {
    unsigned char operator()(unsigned char c) const { return kCase.upper[c]; }
};

// What the rest of the longer text weighs against the blanks the shorter one is padded with.
template <class Fold>
int tail_against_blanks(std::string_view tail, Fold fold) {
    for (char ch : tail) {
        unsigned char c = fold(static_cast<unsigned char>(ch));
        if (c != ' ') return c < ' ' ? -1 : 1;
    }
    return 0;
}

// Fields are blank-padded to their width, so two texts compare as if the shorter were padded to
// the longer one: "ab" and "ab   " are equal, and "ab" sorts after "ab\t" exactly as the padded
// fields would. This keeps keys of different widths in one consistent order.
template <class Fold>
int compare_padded(std::string_view a, std::string_view b, Fold fold) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb) continue;
        ca = fold(ca);
        cb = fold(cb);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() > n) return tail_against_blanks(a.substr(n), fold);
    return -tail_against_blanks(b.substr(n), fold);
}

std::string map_bytes(std::string_view s, const ByteMap& map) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(map[static_cast<unsigned char>(c)]);
    return out;
}

// Code points of 0x80..0x9F. The five bytes the code page leaves undefined keep their C1 code
// point so that a text survives the trip out to UTF-8 and back unchanged.
// clang-format off
constexpr char32_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

char32_t code_point_of(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighBlock[c - 0x80] : c; }

char byte_of(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (unsigned i = 0; i < 32; ++i) {
        if (kHighBlock[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // Nothing in the code page lies beyond the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Length of the well-formed sequence starting at s[i], or 0 when the lead byte cannot start one
// there. Overlong forms, surrogates and values past U+10FFFF are rejected: they are damage, not
// characters.
size_t decode_utf8(std::string_view s, size_t i, char32_t& cp) {
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    auto lead = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (cp < kSmallest[len] || cp > 0x10FFFF || surrogate) return 0;
    return len;
}

}  // namespace

unsigned char upper1252(unsigned char c) { return kCase.upper[c]; }
unsigned char lower1252(unsigned char c) { return kCase.lower[c]; }
std::string upper1252(std::string_view s) { return map_bytes(s, kCase.upper); }
void upper1252(std::string_view s, char* out) {
    for (char c : s) *out++ = static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]);
}
std::string lower1252(std::string_view s) { return map_bytes(s, kCase.lower); }

int compare_nocase(std::string_view a, std::string_view b) {
    return compare_padded(a, b, UpperFold{});
}

int compare_exact(std::string_view a, std::string_view b) { return compare_padded(a, b, NoFold{}); }

std::string_view trim_right(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

std::string to_utf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 2);
    for (char c : cp1252) append_utf8(out, code_point_of(static_cast<unsigned char>(c)));
    return out;
}

std::string from_utf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t len = decode_utf8(utf8, i, cp);
        // A broken sequence costs one '?' per byte and resynchronises at the next byte, so one
        // damaged character never swallows the text that follows it.
        out.push_back(len == 0 ? '?' : byte_of(cp));
        i += len == 0 ? 1 : len;
    }
    return out;
}

}  // namespace qs
