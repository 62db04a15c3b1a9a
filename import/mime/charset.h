// SPDX-License-Identifier: MIT
// Text of a declared character set to UTF-8, in pieces of any size, and the few UTF-8 measures
// the message parser needs (validity, character count, cuts that never split a character).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/unicode.h"

namespace qs {

// The byte length of the first `chars` characters of `s` (all of it when it is shorter).
size_t utf8_prefix_chars(std::string_view s, size_t chars);
// The longest prefix of at most `bytes` bytes that does not end inside a character.
size_t utf8_prefix_bytes(std::string_view s, size_t bytes);
// Appends `bytes` as UTF-8: as they are where they are valid UTF-8, each other byte read as
// Windows-1252. Header text without a declared charset is read this way.
void append_utf8_or_1252(std::string& out, std::string_view bytes);

// The text of a DOS capture file (the offline readers that ran under DOS wrote code page 437) as
// UTF-8: each byte from 128 up is read through the readers' table of that code page, which keeps
// the letters and signs of Western European text and turns the box-drawing characters into
// blanks; bytes below 128 are ASCII. Every byte gives one character, so the output is NFC.
std::string dos_capture_to_utf8(std::string_view bytes);

// The import log's remark on a charset name that is not known (the name kept readable).
std::string unknown_charset_note(std::string_view name);

// Converts the bytes of one text (a body part, an encoded word) from the character set its
// sender declared to UTF-8. The bytes may come in pieces cut anywhere: a character cut in two is
// joined, and a stateful set (ISO-2022-JP) keeps its shift state from one piece to the next.
//
// Names are matched without regard to case, quotes or blanks around them, and with the aliases
// and mislabels mail carries ("latin1", "ks_c_5601-1987", "x-sjis", "gb2312" for GBK text). No
// name, "us-ascii" and ISO 8859-1 are read as Windows-1252, which agrees with them on every byte
// they define; UTF-8 that is not valid is read as Windows-1252 byte by byte where it breaks, and
// so is every byte another set cannot convert. A name the C library's iconv does not know is
// read as Windows-1252 and known() is false.
class CharsetDecoder {
public:
    explicit CharsetDecoder(std::string_view name = {});
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder&) = delete;
    CharsetDecoder& operator=(const CharsetDecoder&) = delete;

    bool known() const { return known_; }
    // Appends the UTF-8 of `bytes` to `out`.
    void decode(std::string_view bytes, std::string& out);
    // The UTF-8 of `bytes`: `bytes` themselves when they need no conversion (ASCII in a set that
    // agrees with it, nothing held from the last piece), else appended to `scratch`.
    std::string_view decode_view(std::string_view bytes, std::string& scratch);
    // Appends what is left: the bytes of a character the text ended inside, read as
    // Windows-1252, and the return of a stateful set to its initial state.
    void finish(std::string& out);

private:
    enum class Kind { Windows1252, Utf8, Iconv };
    void decode_utf8(std::string_view bytes, std::string& out);
    void decode_iconv(std::string_view bytes, std::string& out);

    Kind kind_ = Kind::Windows1252;
    bool known_ = true;
    void* iconv_ = nullptr;  // iconv_t
    std::string pending_;    // the start of a character cut by the end of a piece
};

}  // namespace qs
