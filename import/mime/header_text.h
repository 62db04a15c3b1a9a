// SPDX-License-Identifier: MIT
// Header fields as the user reads them: encoded words ("=?charset?Q|B?text?=") decoded in any
// character set, and the parameters of structured fields ("type/subtype; name=value"), with
// their quoted and extended forms ("filename*=utf-8''%E2%82%AC.pdf", "name*0=...").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qs {

// The text of a header field in UTF-8. Every encoded word is decoded, wherever it stands and in
// any character set iconv knows; adjacent encoded words are joined without the blanks and line
// breaks between them, and the bytes of a character split between two words of one set are
// joined before conversion. A malformed word stays as written. Bytes outside encoded words are
// kept where they are UTF-8 and read as Windows-1252 where they are not. `unknown` (when given)
// receives the name of a character set that is not known, whose words were read as
// Windows-1252.
std::string decode_header_text(std::string_view raw, std::string* unknown = nullptr);

struct HeaderParameter {
    std::string name;   // lower case, without the "*" and section numbers of the extended forms
    std::string value;  // UTF-8: quotes, extended forms and encoded words undone
    std::string raw;    // the bytes as written, only quotes and section joins undone
};

struct HeaderValue {
    std::string value;  // before the first ";": lower case, blanks around it removed
    std::vector<HeaderParameter> params;
    // The parameter of that name (lower case), nullptr when there is none.
    const HeaderParameter* param(std::string_view name) const;
};

// Splits a structured field's value ("multipart/mixed; boundary=ABC=="). A parameter value runs
// to the next ";" unless it is quoted; a quote never closed runs to the end.
HeaderValue parse_header_value(std::string_view raw);

}  // namespace qs
