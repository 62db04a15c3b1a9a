// SPDX-License-Identifier: MIT
// From the lines of a message body to the text that is stored: the MIME part selection, the
// text assembly with its 64,000-character limit, HTML and enriched-text conversion, and the
// decoding of character escapes (quoted-printable pairs, HTML references, encoded words).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "import/readers/line_queue.h"

namespace qs {

enum BodyKind : uint8_t { kPlainBody = 0, kHtmlBody = 1, kEnrichedBody = 2 };

struct BoundaryResult {
    std::string boundary;  // at most 100 characters
    bool go_on = false;    // the search must go on in the next header line
};
// Searches a header line from `start` (1-based) for "BOUNDARY=".
BoundaryResult find_boundary(std::string_view line, size_t start);

// Marks the lines [first, last) that do not belong to the chosen text part; true when the chosen
// part is HTML.
bool select_part(LineQueue& q, size_t first, size_t last, const std::string& boundary);

// The message text from lines [first, last): at most 64,000 characters, converted by kind.
std::string assemble_text(const LineQueue& q, size_t first, size_t last, BodyKind kind);

std::string html_to_text(std::string_view html);
std::string enriched_to_text(std::string_view text);

// The hexadecimal pair rule: the byte of two characters, or nothing when the pair is not decoded.
std::optional<uint8_t> hex_pair(char a, char b);

// The header field with its first encoded word decoded (=?charset?Q|B?...?=).
std::string decode_encoded_word(std::string_view field);

}  // namespace qs
