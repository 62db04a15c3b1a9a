// SPDX-License-Identifier: MIT
// The key collation, and the Windows-1252 case rules and conversions of the system's edges.
// compare_nocase is the collation of every case-insensitive key: it compares ASCII in place and
// folds only from the first character where two texts differ outside ASCII, on the stack.
#include "platform/text.h"

#include <unicode/casemap.h>
#include <unicode/uchar.h>

namespace qs {

namespace {

// What the rest of the longer text weighs against the blanks the shorter one is padded with.
int tail_against_blanks(std::string_view tail) {
    for (char ch : tail) {
        auto c = static_cast<unsigned char>(ch);
        if (c != ' ') return c < ' ' ? -1 : 1;
    }
    return 0;
}

// Fields are blank-padded to their width, so two texts compare as if the shorter were padded to
// the longer one: "ab" and "ab   " are equal, and "ab" sorts after "ab\t" exactly as the padded
// fields would. This keeps keys of different widths in one consistent order. UTF-8 bytes compare
// in the order of their code points.
int compare_padded(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    if (a.size() > n) return tail_against_blanks(a.substr(n));
    return -tail_against_blanks(b.substr(n));
}

// The case-folded form of a text, in a buffer of the caller's or on the heap when that is small.
class Folded {
public:
    Folded(std::string_view s, char* buffer, size_t capacity) {
        UErrorCode status = U_ZERO_ERROR;
        const auto length = static_cast<int32_t>(s.size());
        int32_t n = icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT, s.data(), length, buffer,
                                           static_cast<int32_t>(capacity), nullptr, status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            heap_.resize(static_cast<size_t>(n));
            status = U_ZERO_ERROR;
            n = icu::CaseMap::utf8Fold(U_FOLD_CASE_DEFAULT, s.data(), length, heap_.data(), n,
                                       nullptr, status);
            buffer = heap_.data();
        }
        text_ = U_SUCCESS(status) ? std::string_view(buffer, static_cast<size_t>(n)) : s;
    }
    std::string_view text() const { return text_; }

private:
    std::string heap_;
    std::string_view text_;
};

int compare_folded(std::string_view a, std::string_view b) {
    char buffer_a[512], buffer_b[512];
    const Folded fa(a, buffer_a, sizeof buffer_a), fb(b, buffer_b, sizeof buffer_b);
    return compare_padded(fa.text(), fb.text());
}

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

}  // namespace

unsigned char upper1252(unsigned char c) { return kCase.upper[c]; }
unsigned char lower1252(unsigned char c) { return kCase.lower[c]; }
std::string upper1252(std::string_view s) { return map_bytes(s, kCase.upper); }
std::string lower1252(std::string_view s) { return map_bytes(s, kCase.lower); }
void upper1252(std::string_view s, char* out) {
    for (char c : s) *out++ = static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]);
}

char32_t cp1252_code_point(unsigned char c) {
    return c >= 0x80 && c < 0xA0 ? kHighBlock[c - 0x80] : c;
}

int cp1252_byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    if (cp > 0x2122) return -1;
    for (unsigned i = 0; i < 32; ++i)
        if (kHighBlock[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

int compare_nocase(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca == cb) continue;
        if ((ca | cb) & 0x80) break;
        ca = static_cast<unsigned char>(ascii_lower(static_cast<char>(ca)));
        cb = static_cast<unsigned char>(ascii_lower(static_cast<char>(cb)));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i == n) {
        // The rest of the longer text is weighed against blanks. Folding never turns a character
        // into a blank or a control, so only a rest that folds to nothing would need folding.
        const std::string_view tail = a.size() > n ? a.substr(n) : b.substr(n);
        const int t = tail_against_blanks(tail);
        return a.size() > n ? t : -t;
    }
    // Up to i the texts are alike but for the case of ASCII letters. They are folded from the
    // start of the character that holds the first difference, which is the same place in both.
    if (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) i = previous_char_start(a, i);
    return compare_folded(a.substr(i), b.substr(i));
}

int compare_exact(std::string_view a, std::string_view b) { return compare_padded(a, b); }

std::string_view trim_right(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

std::string to_utf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 2);
    for (char c : cp1252) append_utf8(out, cp1252_code_point(static_cast<unsigned char>(c)));
    return out;
}

std::string from_utf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t len = utf8_sequence(utf8, i, cp);
        // A broken sequence costs one '?' per byte and resynchronises at the next byte, so one
        // damaged character never swallows the text that follows it.
        const int byte = len == 0 ? -1 : cp1252_byte(cp);
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
        i += len == 0 ? 1 : len;
    }
    return out;
}

}  // namespace qs
