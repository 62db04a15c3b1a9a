// SPDX-License-Identifier: MIT
// Fixed-width record texts, the collation every case-insensitive key uses, the substring search
// of the standard text search, and the Windows-1252 conversions of the system's edges. Inside the
// system every text is UTF-8 in NFC (see platform/unicode.h).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/unicode.h"

namespace qs {

// Compares two texts as keys do: by full Unicode case folding ("STRASSE" equals "straße", "ÄRGER"
// equals "ärger"), in code point order, trailing blanks ignored. Texts of ASCII compare without
// folding anything beyond ASCII; the collation of every case-insensitive key.
int compare_nocase(std::string_view a, std::string_view b);
// Exact comparison with trailing blanks ignored.
int compare_exact(std::string_view a, std::string_view b);

std::string_view trim_right(std::string_view s);

// AISINB, the substring search of address splitting and the standard text search: the 1-based
// byte position of the first occurrence of `pattern` (trailing blanks removed) in `text`, or 0;
// with `whole_word`, only occurrences not joined to word characters count. Among the first 256
// characters the word characters are those of the search's table (letters A to Z, the digit 1 and
// the Windows-1252 characters 128 to 133); beyond them letters, marks and numbers.
size_t AISINB(bool whole_word, std::string_view text, std::string_view pattern);

// ---- Windows-1252, at the edges only: 8-bit input that declares no charset, and files written
// for programs that expect it. Nothing inside the system holds Windows-1252. ----

// Upper-cases one Windows-1252 byte, accented letters included (0xE9 -> 0xC9, 0x9A -> 0x8A).
unsigned char upper1252(unsigned char c);
unsigned char lower1252(unsigned char c);
std::string upper1252(std::string_view s);
// The same into `out`, which has room for s.size() bytes: for loops that must not allocate.
void upper1252(std::string_view s, char* out);
std::string lower1252(std::string_view s);

// The code point of a Windows-1252 byte. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which the code
// page leaves undefined, map to the C1 code points of the same value so that nothing is lost.
char32_t cp1252_code_point(unsigned char c);
// The Windows-1252 byte of a code point, or -1 when the code page has none.
int cp1252_byte(char32_t cp);
// Windows-1252 to UTF-8.
std::string to_utf8(std::string_view cp1252);
// UTF-8 to Windows-1252; characters with no Windows-1252 form become '?'.
std::string from_utf8(std::string_view utf8);

// text(n): at most n characters of UTF-8 (so up to 4n bytes), never cut inside a character;
// trailing blanks carry no meaning and are not kept. A text is assigned UTF-8: the import's
// hand-over converts whatever it is given first, and bytes of another charset are kept as they
// are (cut at their n-th byte that is no UTF-8 continuation byte) for it to convert.
template <size_t N>
class Text {
public:
    static constexpr size_t kMaxBytes = 4 * N;
    static_assert(kMaxBytes <= UINT16_MAX);

    Text() = default;
    Text(std::string_view s) { assign(s); }  // NOLINT: texts convert freely, as in the records
    Text& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    void assign(std::string_view s) {
        s = trim_right(s.substr(0, utf8_prefix_bytes(s, N, kMaxBytes)));
        if (!s.empty()) std::memcpy(bytes_.data(), s.data(), s.size());
        size_ = static_cast<uint16_t>(s.size());
    }
    void clear() { size_ = 0; }
    // The width in characters.
    static constexpr size_t size() { return N; }
    // The text without trailing blanks.
    std::string_view view() const { return {bytes_.data(), size_}; }
    std::string_view trimmed() const { return view(); }
    std::string str() const { return std::string(view()); }
    bool blank() const { return size_ == 0; }
    bool operator==(const Text& o) const { return view() == o.view(); }
    bool operator==(std::string_view s) const { return compare_exact(view(), s) == 0; }

private:
    uint16_t size_ = 0;
    std::array<char, kMaxBytes> bytes_{};
};

// A group of raw bytes (settings groups, day flags); zero-filled.
template <size_t N>
struct Bytes {
    std::array<uint8_t, N> bytes{};
    static constexpr size_t size() { return N; }
    bool operator==(const Bytes& o) const { return bytes == o.bytes; }
};

// The long text field of a record: a text of at most kMaxMemo characters (the store itself keeps
// any bytes it is given).
inline constexpr size_t kMaxMemo = 64000;
struct Memo {
    std::string text;
    bool operator==(const Memo& o) const { return text == o.text; }
};

}  // namespace qs
