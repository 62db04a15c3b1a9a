// SPDX-License-Identifier: MIT
// What each fuzz target feeds the body conversion, shared with the test that replays the corpus
// in every build. Each returns false when an output breaks its promised bounds.
#pragma once

#include <string>
#include <string_view>

#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "import/mime/line_queue.h"
#include "import/mime/mime.h"

namespace qs::fuzz {

// The input as a message body: its lines in the queue, a boundary from the first line that
// names one, part selection, then assembly by every body kind. (The readers' own line reading,
// with its quoted-printable rules, is fuzzed by the mail reader targets.)
inline bool body_conversion(std::string_view in) {
    LineQueue q;
    size_t at = 0;
    while (at < in.size()) {
        size_t end = in.find('\n', at);
        size_t stop = end == std::string_view::npos ? in.size() : end;
        push_line(q, in.substr(at, stop - at));
        at = stop + 1;
    }
    bool ok = true;
    for (const TQ& e : q) {
        ok = ok && e.LINE.size() <= kQueueLine;
    }
    std::string boundary;
    for (const TQ& e : q) {
        BoundaryResult r = find_boundary(e.LINE, 1);
        ok = ok && r.boundary.size() <= kBoundaryMax;
        if (!r.go_on) {
            boundary = r.boundary;
            break;
        }
    }
    LineQueue selected = q;
    select_part(selected, 0, selected.size() + 3, boundary);
    for (BodyKind kind : {kPlainBody, kHtmlBody, kEnrichedBody}) {
        ok = ok && assemble_text(selected, 0, selected.size(), kind).size() <= kTextLimit;
    }
    ForumBody fb = forum_body_mime(q, 0, q.size());
    ok = ok && fb.first_body <= q.size();
    return ok;
}

inline bool html_text(std::string_view in) {
    bool ok = html_to_text(in).size() <= kTextLimit;
    ok = enriched_to_text(in).size() <= kTextLimit && ok;
    return body_conversion(in) && ok;
}

// Header text: encoded words and structured values always give valid UTF-8.
inline bool encoded_words(std::string_view in) {
    bool ok = valid_utf8(decode_header_text(in));
    for (const HeaderParameter& p : parse_header_value(in).params) ok = ok && valid_utf8(p.value);
    ok = StripChar(1, in).size() <= kTextLimit && ok;
    ok = StripChar(2, in).size() <= kTextLimit && ok;
    is_embedded_mail_header(in);
    if (in.size() >= 2) {
        hex_pair(in[0], in[1]);
    }
    return ok;
}

}  // namespace qs::fuzz
