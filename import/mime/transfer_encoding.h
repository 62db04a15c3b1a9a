// SPDX-License-Identifier: MIT
// The transfer encodings of message parts, undone in pieces as the lines of a part go by:
// base64, quoted-printable and uuencoding. Every decoder takes any bytes: what does not belong to
// its encoding is passed over or kept as written, never a reason to stop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

enum class TransferEncoding { Identity, QuotedPrintable, Base64, Uuencode };

// The encoding a Content-Transfer-Encoding value names, broken spellings included ("7-bit",
// "quoted_printable", "Base 64"); an unknown value is read as 8bit, which leaves the bytes alone.
TransferEncoding transfer_encoding(std::string_view value);

// Base64 in pieces of any size. Characters outside the alphabet (line ends, blanks, garbage)
// are passed over; padding ends a group early, and data after it starts a new group.
class Base64Decoder {
public:
    void decode(std::string_view text, std::string& out);
    // Writes the bytes of a last group cut short (two or three characters).
    void finish(std::string& out);

private:
    uint32_t acc_ = 0;
    int have_ = 0;
};

// Quoted-printable, one source line (or a piece of a long one) at a time: "=XX" in either
// letter case is the byte XX, "=" at the end of a line (blanks after it allowed) joins the next
// line, blanks at the end of a line are dropped, and an "=" that starts no escape is kept.
class QuotedPrintableDecoder {
public:
    // Appends the bytes of `piece`; `line_end` says the source line ends with it. Returns true
    // when the line ended with a line break that belongs to the text (not a soft break).
    bool decode(std::string_view piece, bool line_end, std::string& out);

private:
    std::string carry_;  // an escape or blanks cut by the end of a piece
};

// One line of uuencoded data (its first character gives the byte count): appends the bytes and
// returns true, or returns false when the line is not uuencoded data.
bool uudecode_line(std::string_view line, std::string& out);
// The file name of a line "begin MODE NAME" that starts a uuencoded block (MODE three or four
// octal digits); empty when the line is not one.
std::string uuencode_begin(std::string_view line);
// True for the line "end" that closes a uuencoded block.
bool uuencode_end(std::string_view line);

}  // namespace qs
