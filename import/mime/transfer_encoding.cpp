// SPDX-License-Identifier: MIT
// Base64, quoted-printable and uuencoding, undone piece by piece.
#include "import/mime/transfer_encoding.h"

#include <array>
#include <cstring>

#include "import/mime/mime.h"

namespace qs {

namespace {

constexpr size_t kCarryMax = 1024;

bool blank(char c) { return c == ' ' || c == '\t'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr std::array<int8_t, 256> base64_table() {
    std::array<int8_t, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 26; ++i) {
        t['A' + i] = static_cast<int8_t>(i);
        t['a' + i] = static_cast<int8_t>(26 + i);
    }
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<int8_t>(52 + i);
    t['+'] = 62;
    t['/'] = 63;
    return t;
}
constexpr std::array<int8_t, 256> kBase64 = base64_table();

// The value of "7-bit", "Quoted_Printable" and the like: lower case, letters and digits only.
std::string squeezed(std::string_view value) {
    std::string s;
    for (char c : value) {
        if (c == ';' || c == '(') break;  // parameters and comments do not name the encoding
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) s.push_back(c);
    }
    return s;
}

int uu_value(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u <= 0x60 ? (u - 0x20) & 0x3F : -1;
}

}  // namespace

TransferEncoding transfer_encoding(std::string_view value) {
    const std::string s = squeezed(value);
    if (s == "base64" || s == "b64") return TransferEncoding::Base64;
    if (s == "quotedprintable" || s == "qp") return TransferEncoding::QuotedPrintable;
    if (s == "xuuencode" || s == "uuencode" || s == "xuue" || s == "uue")
        return TransferEncoding::Uuencode;
    return TransferEncoding::Identity;
}

void Base64Decoder::decode(std::string_view text, std::string& out) {
    for (char c : text) {
        const int v = kBase64[static_cast<unsigned char>(c)];
        if (v < 0) {
            if (c == '=' && have_ > 0) finish(out);
            continue;
        }
        acc_ = (acc_ << 6) | static_cast<uint32_t>(v);
        if (++have_ == 4) {
            const char b[3] = {static_cast<char>(acc_ >> 16), static_cast<char>(acc_ >> 8),
                               static_cast<char>(acc_)};
            out.append(b, 3);
            acc_ = 0;
            have_ = 0;
        }
    }
}

void Base64Decoder::finish(std::string& out) {
    if (have_ >= 2) {
        const uint32_t v = acc_ << (6 * (4 - have_));
        out.push_back(static_cast<char>(v >> 16));
        if (have_ == 3) out.push_back(static_cast<char>(v >> 8));
    }
    acc_ = 0;
    have_ = 0;
}

bool QuotedPrintableDecoder::decode(std::string_view piece, bool line_end, std::string& out) {
    std::string joined;
    if (!carry_.empty()) {
        joined = carry_;
        joined.append(piece);
        carry_.clear();
        piece = joined;
    }
    size_t end = piece.size();
    while (end > 0 && blank(piece[end - 1])) --end;
    bool soft = end > 0 && piece[end - 1] == '=';
    if (!line_end) {
        // Blanks and an escape at the end of a piece are decided when the rest comes.
        size_t keep = end;
        if (keep > 0 && piece[keep - 1] == '=') {
            --keep;
        } else if (keep > 1 && piece[keep - 2] == '=') {
            keep -= 2;
        }
        if (piece.size() - keep <= kCarryMax) {
            carry_.assign(piece.substr(keep));
            end = keep;
        } else {
            end = piece.size();
        }
        soft = false;
    } else if (soft) {
        --end;
    }
    for (size_t i = 0; i < end;) {
        const void* eq = std::memchr(piece.data() + i, '=', end - i);
        const size_t at =
            eq ? static_cast<size_t>(static_cast<const char*>(eq) - piece.data()) : end;
        out.append(piece.data() + i, at - i);
        if (at == end) break;
        const int hi = at + 2 < end ? hex_value(piece[at + 1]) : -1;
        const int lo = at + 2 < end ? hex_value(piece[at + 2]) : -1;
        if (hi >= 0 && lo >= 0) {
            out.push_back(static_cast<char>(hi * 16 + lo));
            i = at + 3;
        } else {
            out.push_back('=');
            i = at + 1;
        }
    }
    return line_end && !soft;
}

std::optional<uint8_t> hex_pair(char a, char b) {
    if (a == '3' && b == 'D') return '=';
    if ((a == '2' && b == '0') || (a == '0' && b == '9')) return ' ';
    // Other pairs only where they give a byte from 0x80 up, in upper case.
    const int hi = a >= 'a' ? -1 : hex_value(a);
    const int lo = b >= 'a' ? -1 : hex_value(b);
    if (hi < 8 || lo < 0) return std::nullopt;
    return static_cast<uint8_t>(hi * 16 + lo);
}

bool uudecode_line(std::string_view line, std::string& out) {
    if (line.empty()) return false;
    const int n = uu_value(line[0]);
    if (n < 0) return false;
    const size_t chars = (static_cast<size_t>(n) + 2) / 3 * 4;
    if (line.size() < 1 + chars) return false;
    std::string bytes;
    for (size_t i = 1; i < 1 + chars; i += 4) {
        int v[4];
        for (int k = 0; k < 4; ++k) {
            v[k] = uu_value(line[i + k]);
            if (v[k] < 0) return false;
        }
        bytes.push_back(static_cast<char>(v[0] << 2 | v[1] >> 4));
        bytes.push_back(static_cast<char>((v[1] & 0xF) << 4 | v[2] >> 2));
        bytes.push_back(static_cast<char>((v[2] & 0x3) << 6 | v[3]));
    }
    out.append(bytes, 0, static_cast<size_t>(n));
    return true;
}

std::string uuencode_begin(std::string_view line) {
    constexpr std::string_view kBegin = "begin ";
    if (line.substr(0, kBegin.size()) != kBegin) return {};
    size_t i = kBegin.size();
    const size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '7') ++i;
    if (i - digits < 3 || i - digits > 4 || i >= line.size() || line[i] != ' ') return {};
    std::string_view name = line.substr(i + 1);
    while (!name.empty() && (blank(name.back()) || name.back() == '\r')) name.remove_suffix(1);
    while (!name.empty() && blank(name.front())) name.remove_prefix(1);
    return std::string(name);
}

bool uuencode_end(std::string_view line) {
    while (!line.empty() && (blank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
    return line == "end";
}

}  // namespace qs
