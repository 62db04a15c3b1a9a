// SPDX-License-Identifier: MIT
// From the lines of a message body to the text that is stored: the MIME part selection, the
// text assembly with its 64,000-character limit, HTML and enriched-text conversion, and the
// decoding of character escapes (quoted-printable pairs, HTML references). Mail is read by the
// message parser (message_parser.h); these serve the CompuServe texts that carry mail.
// All functions are pure over their arguments and safe on any bytes, NUL included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "import/mime/line_queue.h"

namespace qs {

enum BodyKind : uint8_t { kPlainBody = 0, kHtmlBody = 1, kEnrichedBody = 2 };

// Every stored text, and every converted one, holds at most this many characters.
inline constexpr size_t kTextLimit = 64000;
inline constexpr size_t kBoundaryMax = 100;

struct BoundaryResult {
    std::string boundary;  // at most 100 characters
    bool go_on = false;    // the search must go on in the next header line
};
// Searches a header line from `start` (1-based) for "BOUNDARY=".
BoundaryResult find_boundary(std::string_view line, size_t start);

// Marks the lines [first, last) that do not belong to the chosen text part; true when the chosen
// part is HTML.
bool select_part(LineQueue& q, size_t first, size_t last, const std::string& boundary);

// True for a queue line overwritten with the removal marker.
bool is_removed(const TQ& line);

// The message text from lines [first, last): at most 64,000 characters, converted by kind.
std::string assemble_text(const LineQueue& q, size_t first, size_t last, BodyKind kind);

// Both at most 64,000 characters whatever the input length.
std::string html_to_text(std::string_view html);
std::string enriched_to_text(std::string_view text);

// The hexadecimal pair rule: the byte of two characters, or nothing when the pair is not decoded.
std::optional<uint8_t> hex_pair(char a, char b);

// Internet mail carried inside a CompuServe message: the body kind and the first body line after
// the header block that starts at `first`; a multipart body has its other parts marked removed.
struct ForumBody {
    BodyKind kind = kPlainBody;
    size_t first_body = 0;
    bool block_ended = false;  // an empty line closed the header block before `last`
};
ForumBody forum_body_mime(LineQueue& q, size_t first, size_t last);

// True when a line (its first 15 characters) starts as an Internet mail header line that a
// forum message text should not keep.
bool is_embedded_mail_header(std::string_view line);

// Cleans a CompuServe message text: line ends and "@b"/"@l" markers off both ends; for mail
// (kind other than 1) an embedded mail header block is dropped and a MIME body reduced to its
// text part.
std::string StripChar(uint8_t kind, std::string_view text);

}  // namespace qs
