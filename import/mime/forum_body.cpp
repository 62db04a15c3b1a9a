// SPDX-License-Identifier: MIT
// Internet mail that reached a CompuServe forum or mailbox: its header block is dropped from the
// message text and a MIME body is reduced to its text part.
#include <algorithm>

#include "import/mime/mime.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

constexpr size_t kHeaderTestWidth = 15;

// Lines beginning with these (upper-cased) are mail headers; any other start is not.
constexpr std::string_view kMailHeaders[] = {
    "FROM:", "DATE:", "SENDER:", "RECEIVED:", "MESSAGE-ID:", "SUBJECT:", "TO:",
};

bool starts_with(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool ends_block(const TQ& line) {
    return line.LINE.empty() || line.LINE[0] == '\r' || line.LINE[0] == '\n';
}

struct HeaderBlock {
    BodyKind kind = kPlainBody;
    std::string boundary;
    bool search_pending = false;
};

void header_line(HeaderBlock& h, std::string_view line) {
    std::string upper = ascii_upper(line);
    if (starts_with(upper, "CONTENT-TYPE: TEXT/HTML")) {
        h.kind = kHtmlBody;
    } else if (starts_with(upper, "CONTENT-TYPE: MULTIPART")) {
        h.search_pending = true;
        if (line.size() > 32) {
            BoundaryResult r = find_boundary(line, 24);
            h.search_pending = r.go_on;
            h.boundary = r.boundary;
        }
    } else if (h.search_pending && line.size() > 9) {
        BoundaryResult r = find_boundary(line, 1);
        h.search_pending = r.go_on;
        h.boundary = r.boundary;
    }
}

// How many characters of a line end or an "@b"/"@l" marker end the text, or start it.
size_t junk_at_end(std::string_view s) {
    if (!s.empty() && (s.back() == '\r' || s.back() == '\n')) {
        return 1;
    }
    if (s.size() >= 2 && s[s.size() - 2] == '@' && (s.back() == 'b' || s.back() == 'l')) {
        return 2;
    }
    return 0;
}

size_t junk_at_start(std::string_view s) {
    if (!s.empty() && (s[0] == '\r' || s[0] == '\n')) {
        return 1;
    }
    if (s.size() >= 2 && s[0] == '@' && (s[1] == 'b' || s[1] == 'l')) {
        return 2;
    }
    return 0;
}

LineQueue split_lines(std::string_view text) {
    LineQueue q;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string_view::npos) {
            push_line(q, text.substr(at));
            break;
        }
        push_line(q, text.substr(at, end - at));
        at = end + 2;
    }
    return q;
}

}  // namespace

ForumBody forum_body_mime(LineQueue& q, size_t first, size_t last) {
    last = std::min(last, q.size());
    HeaderBlock h;
    size_t i = first;
    for (; i < last && !ends_block(q[i]); ++i) {
        header_line(h, q[i].LINE);
    }
    ForumBody fb;
    fb.block_ended = i < last;
    if (fb.block_ended) {
        ++i;
    }
    while (i < last && is_removed(q[i])) {
        ++i;
    }
    fb.first_body = i;
    fb.kind = h.kind;
    if (!h.boundary.empty()) {
        fb.kind = select_part(q, i, last, h.boundary) ? kHtmlBody : kPlainBody;
    } else if (fb.kind != kHtmlBody && i < last) {
        std::string start = ascii_upper(std::string_view(q[i].LINE).substr(0, 20));
        if (start.find("HTML") != std::string::npos) {
            fb.kind = kHtmlBody;
        }
    }
    return fb;
}

bool is_embedded_mail_header(std::string_view line) {
    std::string upper = ascii_upper(line.substr(0, kHeaderTestWidth));
    for (std::string_view h : kMailHeaders) {
        if (starts_with(upper, h)) {
            return true;
        }
    }
    return false;
}

std::string StripChar(uint8_t kind, std::string_view text) {
    while (size_t n = junk_at_end(text)) {
        text.remove_suffix(n);
    }
    while (size_t n = junk_at_start(text)) {
        text.remove_prefix(n);
    }
    if (kind != 1 && is_embedded_mail_header(text)) {
        LineQueue q = split_lines(text);
        ForumBody fb = forum_body_mime(q, 0, q.size());
        // Without an empty line there is no body to tell from the headers: keep it all.
        if (fb.block_ended) {
            return assemble_text(q, fb.first_body, q.size(), fb.kind);
        }
    }
    return std::string(text.substr(0, kTextLimit));
}

}  // namespace qs
