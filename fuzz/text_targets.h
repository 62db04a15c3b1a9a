// SPDX-License-Identifier: MIT
// What the HTML and mail date fuzz targets check, shared with the test that replays the corpus
// in every build. Each returns false when an output breaks its promised bounds.
#pragma once

#include <string>
#include <string_view>

#include "import/mime/html_refs.h"
#include "import/mime/mime.h"
#include "import/mime/utf8_text.h"
#include "import/readers/mail_header.h"
#include "platform/clock.h"

namespace qs::fuzz {

// True when `s` is UTF-8 of at most `limit` characters.
inline bool utf8_within(std::string_view s, size_t limit) {
    size_t chars = 0;
    for (size_t at = 0; at < s.size(); ++chars) {
        size_t len = utf8_length(s.substr(at, 4));
        if (len == 0) return false;
        at += len;
    }
    return chars <= limit;
}

// The converted text is UTF-8 whatever the input, within the text limit, and a reference at
// the start of the input never reads past it.
inline bool html_conversion(std::string_view in) {
    bool ok = utf8_within(html_to_text(in), kTextLimit);
    std::string at = "&" + std::string(in.substr(0, 64));
    for (bool attribute : {false, true}) {
        CharRef r = decode_char_ref(at, attribute);
        ok = ok && r.used <= at.size() && (r.used == 0) == r.text.empty();
        ok = ok && utf8_within(r.text, 2);
    }
    return ok;
}

inline bool valid_mail_date(const MailDate& d) {
    if (d.date == 0) return d.time == 0;
    return !iso_date(d.date).empty() && d.time >= 0 && d.time <= kHundredthsPerDay;
}

// Any text gives a valid local date and time, or none.
inline bool mail_date(std::string_view in) {
    bool ok = valid_mail_date(parse_mail_date(in, DateRule::Shape));
    ok = valid_mail_date(parse_mail_date(in, DateRule::Fixed)) && ok;
    ok = valid_mail_date(parse_separator_date(in)) && ok;
    month_number(in);
    return ok;
}

}  // namespace qs::fuzz
