// SPDX-License-Identifier: MIT
// Fixed-width record texts and the 8-bit (Windows-1252) character rules every key and comparison
// of the store uses. Inside the system texts are bytes; UTF-8 exists only at the edges.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qs {

// Upper-cases one Windows-1252 byte, accented letters included (0xE9 -> 0xC9, 0x9A -> 0x8A).
unsigned char upper1252(unsigned char c);
unsigned char lower1252(unsigned char c);
std::string upper1252(std::string_view s);
// The same into `out`, which has room for s.size() bytes: for loops that must not allocate.
void upper1252(std::string_view s, char* out);
std::string lower1252(std::string_view s);

// Compares two texts as keys do: case-insensitively over Windows-1252, trailing blanks ignored.
int compare_nocase(std::string_view a, std::string_view b);
// Exact comparison with trailing blanks ignored.
int compare_exact(std::string_view a, std::string_view b);

std::string_view trim_right(std::string_view s);

// AISINB, the substring search of address splitting and the standard text search: the 1-based
// position of the first occurrence of `pattern` (trailing blanks removed) in `text`, or 0; with
// `whole_word`, only occurrences not joined to word characters count.
size_t AISINB(bool whole_word, std::string_view text, std::string_view pattern);

// Converts at the edges. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which Windows-1252 leaves
// undefined, map to the C1 code points of the same value so that nothing is lost.
std::string to_utf8(std::string_view cp1252);
// Characters with no Windows-1252 form become '?'.
std::string from_utf8(std::string_view utf8);

// text(n): n bytes, blank-padded; trailing blanks carry no meaning.
template <size_t N>
struct Text {
    std::array<char, N> bytes;

    Text() { bytes.fill(' '); }
    Text(std::string_view s) { assign(s); }  // NOLINT: texts convert freely, as in the records
    Text& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void assign(std::string_view s) {
        size_t n = std::min(s.size(), N);
        if (n) std::memcpy(bytes.data(), s.data(), n);  // an empty view may have no data
        std::fill(bytes.begin() + n, bytes.end(), ' ');
    }
    void clear() { bytes.fill(' '); }
    static constexpr size_t size() { return N; }
    std::string_view view() const { return {bytes.data(), N}; }
    // The text without its trailing blanks.
    std::string_view trimmed() const { return trim_right(view()); }
    std::string str() const { return std::string(trimmed()); }
    bool blank() const { return trimmed().empty(); }
    bool operator==(const Text& o) const { return bytes == o.bytes; }
    bool operator==(std::string_view s) const { return compare_exact(view(), s) == 0; }
};

// A group of raw bytes (settings groups, day flags); zero-filled.
template <size_t N>
struct Bytes {
    std::array<uint8_t, N> bytes{};
    static constexpr size_t size() { return N; }
    bool operator==(const Bytes& o) const { return bytes == o.bytes; }
};

// The long text field of a record: at most kMaxMemo bytes, any byte value.
inline constexpr size_t kMaxMemo = 64000;
struct Memo {
    std::string text;
    bool operator==(const Memo& o) const { return text == o.text; }
};

}  // namespace qs
