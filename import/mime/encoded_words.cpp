// SPDX-License-Identifier: MIT
// Quoted-printable pairs and the encoded words of mail headers ("=?charset?Q|B?text?="), decoded
// into the Windows Western code page.
#include <array>

#include "import/mime/mime.h"
#include "platform/text.h"

namespace qs {

namespace {

constexpr size_t kFieldMax = 100;

// ISO 8859-2 bytes 160 to 255 in the Western code page: letters it shares keep their code,
// others lose their accent or become "?".
constexpr std::array<uint8_t, 96> kLatin2 = {
    160, 65,  63,  76,  164, 76,  83,  167, 168, 138, 83,  84,  90,  173, 90,  90,
    176, 97,  63,  108, 180, 108, 115, 63,  184, 154, 115, 116, 122, 63,  122, 122,
    82,  193, 194, 65,  196, 76,  67,  199, 67,  201, 69,  203, 69,  205, 206, 68,
    68,  78,  78,  211, 212, 79,  214, 215, 82,  85,  218, 85,  220, 221, 84,  223,
    114, 225, 226, 97,  228, 108, 99,  231, 99,  233, 101, 235, 101, 237, 238, 100,
    100, 110, 110, 243, 244, 111, 246, 247, 114, 117, 250, 117, 252, 253, 116, 63,
};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int base64_value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    return c == '/' ? 63 : -1;
}

// Padding ends the data and yields no bytes; characters outside the alphabet (folding blanks)
// are passed over rather than turned into NUL bytes.
std::string decode_b(std::string_view text) {
    std::string out;
    uint32_t acc = 0;
    int have = 0;
    for (char c : text) {
        if (c == '=') {
            break;
        }
        int v = base64_value(c);
        if (v < 0) {
            continue;
        }
        acc = (acc << 6) | static_cast<uint32_t>(v);
        if (++have == 4) {
            out.push_back(static_cast<char>(acc >> 16));
            out.push_back(static_cast<char>(acc >> 8));
            out.push_back(static_cast<char>(acc));
            acc = 0;
            have = 0;
        }
    }
    // A short last group is padded: two characters give one byte, three give two.
    if (have >= 2) {
        acc <<= 6 * (4 - have);
        out.push_back(static_cast<char>(acc >> 16));
        if (have == 3) {
            out.push_back(static_cast<char>(acc >> 8));
        }
    }
    return out;
}

std::string decode_q(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '_') {
            out.push_back(' ');
            continue;
        }
        if (c == '=' && i + 2 < text.size()) {
            if (auto b = hex_pair(text[i + 1], text[i + 2])) {
                out.push_back(static_cast<char>(*b));
                i += 2;
                continue;
            }
        }
        out.push_back(c);
    }
    return out;
}

enum class Charset { kUnknown, kWestern, kLatin2 };

Charset charset_of(std::string_view after_start) {
    std::string cs = upper1252(after_start.substr(0, 10));
    if (cs.substr(0, 8) == "US-ASCII") {
        return Charset::kWestern;
    }
    if (cs.size() < 10 || cs.substr(0, 9) != "ISO-8859-") {
        return Charset::kUnknown;
    }
    if (cs[9] == '1') {
        return Charset::kWestern;
    }
    return cs[9] == '2' ? Charset::kLatin2 : Charset::kUnknown;
}

std::string_view without_trailing_blanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

std::optional<uint8_t> hex_pair(char a, char b) {
    if (a == '3' && b == 'D') {
        return '=';
    }
    if ((a == '2' && b == '0') || (a == '0' && b == '9')) {
        return ' ';
    }
    int hi = hex_digit(a);
    int lo = hex_digit(b);
    if (hi < 8 || lo < 0) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(hi * 16 + lo);
}

std::string decode_encoded_word(std::string_view field) {
    size_t start = field.find("=?");
    if (start == std::string_view::npos) {
        return std::string(field);
    }
    Charset cs = charset_of(field.substr(start + 2));
    // The charset names end ten characters after the start at the earliest ("US-ASCII").
    size_t q1 = field.find('?', start + 10);
    if (cs == Charset::kUnknown || q1 == std::string_view::npos || q1 + 2 >= field.size()) {
        return std::string(field);
    }
    char kind = static_cast<char>(upper1252(static_cast<unsigned char>(field[q1 + 1])));
    size_t q2 = field.find('?', q1 + 2);
    // The end is looked for after the text starts: a Q text may itself begin "=".
    size_t end = q2 == std::string_view::npos ? q2 : field.find("?=", q2 + 1);
    if ((kind != 'B' && kind != 'Q') || end == std::string_view::npos) {
        return std::string(field);
    }
    std::string_view text = field.substr(q2 + 1, end - q2 - 1);
    std::string word = kind == 'B' ? decode_b(text) : decode_q(text);
    if (cs == Charset::kLatin2) {
        for (char& c : word) {
            auto u = static_cast<uint8_t>(c);
            c = u >= 160 ? static_cast<char>(kLatin2[u - 160]) : c;
        }
    }
    std::string out(field.substr(0, start));
    out.append(without_trailing_blanks(word));
    out.append(without_trailing_blanks(field.substr(end + 2)));
    if (out.size() > kFieldMax) {
        out.resize(kFieldMax);
    }
    return out;
}

}  // namespace qs
