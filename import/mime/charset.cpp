// SPDX-License-Identifier: MIT
// Character sets to UTF-8: Windows-1252 and UTF-8 by hand (most mail is one of them, and both
// must fall back byte by byte), every other set through the C library's iconv.
#include "import/mime/charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/text.h"

namespace qs {

namespace {

// The UTF-8 of each Windows-1252 byte, at most three bytes.
struct Utf8Of1252 {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<uint8_t, 256> size{};
    Utf8Of1252() {
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            std::string u = to_utf8(std::string_view(&c, 1));
            size[b] = static_cast<uint8_t>(u.size());
            std::memcpy(bytes[b].data(), u.data(), u.size());
        }
    }
};

const Utf8Of1252& table_1252() {
    static const Utf8Of1252 table;
    return table;
}

void append_1252(std::string& out, unsigned char b) {
    const Utf8Of1252& t = table_1252();
    out.append(t.bytes[b].data(), t.size[b]);
}

void append_1252(std::string& out, std::string_view bytes) {
    for (char c : bytes) append_1252(out, static_cast<unsigned char>(c));
}

// The number of bytes below 0x80 from `from` on; eight are looked at together while they can be.
size_t ascii_run(std::string_view s, size_t from) {
    size_t i = from;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
    return i - from;
}

// The length of the UTF-8 character at `i`: its byte count, 0 when the bytes there are not
// UTF-8, or kCut when they are the valid start of a character the text ends inside.
constexpr size_t kCut = static_cast<size_t>(-1);

size_t utf8_at(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) return 1;
    size_t n;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    for (size_t k = 1; k < n; ++k) {
        if (i + k >= s.size()) return kCut;
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return 0;
    }
    return n;
}

// Appends the UTF-8 of `s` from `from`, invalid bytes read as Windows-1252; returns where a
// character cut by the end of `s` begins (s.size() when none is).
size_t append_checked(std::string& out, std::string_view s, size_t from) {
    size_t i = from;
    while (i < s.size()) {
        const size_t run = ascii_run(s, i);
        out.append(s.data() + i, run);
        i += run;
        if (i == s.size()) break;
        const size_t n = utf8_at(s, i);
        if (n == kCut) return i;
        if (n == 0) {
            append_1252(out, static_cast<unsigned char>(s[i]));
            ++i;
        } else {
            out.append(s.data() + i, n);
            i += n;
        }
    }
    return s.size();
}

std::string normalized(std::string_view name) {
    std::string n;
    for (char c : name) {
        if (c == '"' || c == '\'' || c == ' ' || c == '\t') continue;
        n.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    }
    // An encoded word may name a language after the set: "utf-8*en".
    if (size_t star = n.find('*'); star != std::string::npos) n.resize(star);
    return n;
}

struct Alias {
    const char* name;
    const char* is;  // "1252", "utf-8", or the iconv name
};

// Labels mail carries for sets that iconv names otherwise, and labels whose text is mostly in
// a larger set of the same family (Chinese mail labelled GB2312 is GBK, Korean is CP949,
// Japanese Shift_JIS is Microsoft's CP932).
constexpr Alias kAliases[] = {
    {"", "1252"},
    {"us-ascii", "1252"},
    {"ascii", "1252"},
    {"us", "1252"},
    {"ansi_x3.4-1968", "1252"},
    {"iso646-us", "1252"},
    {"iso-8859-1", "1252"},
    {"iso8859-1", "1252"},
    {"iso_8859-1", "1252"},
    {"iso_8859-1:1987", "1252"},
    {"latin1", "1252"},
    {"latin-1", "1252"},
    {"l1", "1252"},
    {"cp819", "1252"},
    {"iso-ir-100", "1252"},
    {"windows-1252", "1252"},
    {"cp1252", "1252"},
    {"x-cp1252", "1252"},
    {"unknown-8bit", "1252"},
    {"x-unknown", "1252"},
    {"utf-8", "utf-8"},
    {"utf8", "utf-8"},
    {"unicode-1-1-utf-8", "utf-8"},
    {"gb2312", "GB18030"},
    {"gbk", "GB18030"},
    {"x-gbk", "GB18030"},
    {"euc-cn", "GB18030"},
    {"cp936", "GB18030"},
    {"windows-936", "GB18030"},
    {"big5", "BIG5-HKSCS"},
    {"x-x-big5", "BIG5-HKSCS"},
    {"cn-big5", "BIG5-HKSCS"},
    {"ks_c_5601-1987", "CP949"},
    {"ks_c_5601", "CP949"},
    {"ksc5601", "CP949"},
    {"euc-kr", "CP949"},
    {"korean", "CP949"},
    {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},
    {"sjis", "CP932"},
    {"x-sjis", "CP932"},
    {"ms_kanji", "CP932"},
    {"iso-2022-jp", "ISO-2022-JP-2"},
    {"iso-8859-8-i", "ISO-8859-8"},
    {"iso-8859-6-i", "ISO-8859-6"},
    {"windows-874", "CP874"},
    {"tis-620", "CP874"},
    {"iso-8859-11", "CP874"},
    {"x-mac-roman", "MACINTOSH"},
    {"unicode-1-1-utf-7", "UTF-7"},
    {"unicode", "UTF-16"},
};

// Only names made of the characters charset names use go to iconv: it would read "//" in a
// name as options of its own, and passes some junk after a name it knows.
iconv_t open_iconv(const std::string& name) {
    const bool plain =
        !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ||
                   c == '.' || c == ':' || c == '(' || c == ')' || c == '+';
        });
    return plain ? iconv_open("UTF-8", name.c_str()) : reinterpret_cast<iconv_t>(-1);
}

bool opened(iconv_t cd) { return cd != reinterpret_cast<iconv_t>(-1); }

}  // namespace

size_t utf8_prefix_chars(std::string_view s, size_t chars) {
    size_t i = 0;
    for (size_t seen = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == chars) break;
    }
    return i;
}

size_t utf8_prefix_bytes(std::string_view s, size_t bytes) {
    if (bytes >= s.size()) return s.size();
    while (bytes > 0 && (static_cast<unsigned char>(s[bytes]) & 0xC0) == 0x80) --bytes;
    return bytes;
}

void append_utf8_or_1252(std::string& out, std::string_view bytes) {
    const size_t cut = append_checked(out, bytes, 0);
    append_1252(out, bytes.substr(cut));
}

std::string unknown_charset_note(std::string_view name) {
    std::string note = "unknown charset \"";
    append_utf8_or_1252(note, name.substr(0, 40));
    return note + "\" read as Windows-1252";
}

CharsetDecoder::CharsetDecoder(std::string_view name) {
    std::string n = normalized(name);
    for (const Alias& a : kAliases) {
        if (n != a.name) continue;
        if (std::strcmp(a.is, "1252") == 0) return;
        if (std::strcmp(a.is, "utf-8") == 0) {
            kind_ = Kind::Utf8;
            return;
        }
        n = a.is;
        break;
    }
    iconv_t cd = open_iconv(n);
    // "x-" names a set that is not registered; iconv may know it without the prefix.
    if (!opened(cd) && n.rfind("x-", 0) == 0) cd = open_iconv(n.substr(2));
    if (!opened(cd)) {
        known_ = false;
        return;
    }
    kind_ = Kind::Iconv;
    iconv_ = cd;
}

CharsetDecoder::~CharsetDecoder() {
    if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
}

void CharsetDecoder::decode(std::string_view bytes, std::string& out) {
    switch (kind_) {
        case Kind::Windows1252:
            for (size_t i = 0; i < bytes.size();) {
                const size_t run = ascii_run(bytes, i);
                out.append(bytes.data() + i, run);
                i += run;
                if (i < bytes.size()) append_1252(out, static_cast<unsigned char>(bytes[i++]));
            }
            return;
        case Kind::Utf8: return decode_utf8(bytes, out);
        case Kind::Iconv: return decode_iconv(bytes, out);
    }
}

std::string_view CharsetDecoder::decode_view(std::string_view bytes, std::string& scratch) {
    if (kind_ != Kind::Iconv && pending_.empty() && ascii_run(bytes, 0) == bytes.size())
        return bytes;
    const size_t at = scratch.size();
    decode(bytes, scratch);
    return std::string_view(scratch).substr(at);
}

void CharsetDecoder::decode_utf8(std::string_view bytes, std::string& out) {
    // A character cut at the end of the last piece takes the bytes it lacks from this one.
    size_t i = 0;
    while (!pending_.empty() && i < bytes.size()) {
        pending_.push_back(bytes[i++]);
        const size_t n = utf8_at(pending_, 0);
        if (n == kCut) continue;
        std::string held;
        held.swap(pending_);
        if (n == 0) {  // not a character after all: its first byte is Windows-1252
            append_1252(out, static_cast<unsigned char>(held[0]));
            held.erase(0, 1);
        }
        const size_t cut = append_checked(out, held, 0);
        pending_.assign(held, cut);
    }
    const size_t cut = append_checked(out, bytes, i);
    pending_.append(bytes.substr(cut));
}

void CharsetDecoder::decode_iconv(std::string_view bytes, std::string& out) {
    auto cd = static_cast<iconv_t>(iconv_);
    std::string in;
    std::string_view src = bytes;
    if (!pending_.empty()) {
        in = pending_ + std::string(bytes);
        pending_.clear();
        src = in;
    }
    char* from = const_cast<char*>(src.data());
    size_t left = src.size();
    const size_t start = out.size();
    while (left > 0) {
        const size_t at = out.size();
        const size_t room = left * 4 + 16;
        out.resize(at + room);
        char* to = out.data() + at;
        size_t to_left = room;
        const size_t r = iconv(cd, &from, &left, &to, &to_left);
        out.resize(at + (room - to_left));
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        if (errno == EINVAL) {  // a character cut by the end of the piece
            pending_.assign(from, left);
            break;
        }
        // A byte the set cannot convert.
        append_1252(out, static_cast<unsigned char>(*from));
        ++from;
        --left;
    }
    // Some converters pass through what they do not check (code points past U+10FFFF).
    if (!valid_utf8(std::string_view(out).substr(start))) {
        const std::string produced = out.substr(start);
        out.resize(start);
        append_utf8_or_1252(out, produced);
    }
}

void CharsetDecoder::finish(std::string& out) {
    append_1252(out, pending_);
    pending_.clear();
    if (kind_ != Kind::Iconv) return;
    auto cd = static_cast<iconv_t>(iconv_);
    char buf[64];
    char* to = buf;
    size_t to_left = sizeof buf;
    iconv(cd, nullptr, nullptr, &to, &to_left);
    out.append(buf, sizeof buf - to_left);
}

namespace {

// Bytes 128 to 255 of a DOS capture, as the Windows-1252 characters they stand for.
constexpr unsigned char kDosCapture[128] = {
    199, 252, 233, 226, 228, 224, 229, 231, 234, 235, 232, 239, 238, 236, 196, 197,  // 128
    201, 230, 198, 244, 246, 242, 251, 249, 255, 214, 220, 248, 163, 216, 215, 131,  // 144
    225, 237, 243, 250, 241, 209, 170, 186, 191, 174, 172, 189, 188, 161, 171, 187,  // 160
    32,  32,  32,  32,  32,  193, 194, 192, 169, 32,  32,  32,  32,  162, 165, 32,   // 176
    32,  32,  32,  32,  32,  32,  227, 195, 32,  32,  32,  32,  32,  32,  32,  164,  // 192
    240, 208, 202, 203, 200, 32,  205, 206, 207, 32,  32,  32,  32,  166, 204, 32,   // 208
    211, 223, 212, 210, 245, 213, 181, 254, 222, 218, 219, 217, 253, 221, 175, 180,  // 224
    173, 177, 61,  190, 182, 167, 247, 32,  32,  168, 183, 185, 179, 178, 32,  32,   // 240
};

}  // namespace

std::string dos_capture_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 128) {
            out += c;
            continue;
        }
        append_1252(out, kDosCapture[b - 128]);
    }
    return out;
}

}  // namespace qs
