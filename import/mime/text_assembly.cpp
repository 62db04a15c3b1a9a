// SPDX-License-Identifier: MIT
// Joining the kept body lines into the message text, cut at the store's text limit.
#include <algorithm>

#include "import/mime/mime.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

// Room for the CR LF that ends the last line taken.
constexpr size_t kLineRoom = kTextLimit - 2;

bool looks_like_html(std::string_view text) {
    return ascii_upper(text.substr(0, 8)).find("HTML") != std::string::npos;
}

std::string join_lines(const LineQueue& q, size_t first, size_t last) {
    std::string text;
    bool leading = true;
    last = std::min(last, q.size());
    size_t room = 0;
    for (size_t i = first; i < last && room < kTextLimit; ++i) room += q[i].LINE.size() + 2;
    text.reserve(std::min(room, kTextLimit));
    for (size_t i = first; i < last; ++i) {
        const TQ& e = q[i];
        if (is_removed(e) || (leading && e.LINE.empty())) {
            continue;
        }
        leading = false;
        if (text.size() >= kLineRoom) {
            break;
        }
        if (text.size() + e.LINE.size() + 2 >= kTextLimit) {
            text.append(e.LINE, 0, kLineRoom - text.size());
            text.append("\r\n");
            break;
        }
        text.append(e.LINE);
        if (e.SPLITLINE == 0) {
            text.append("\r\n");
        }
    }
    return text;
}

}  // namespace

std::string assemble_text(const LineQueue& q, size_t first, size_t last, BodyKind kind) {
    std::string text = join_lines(q, first, last);
    if (kind == kHtmlBody || (kind == kPlainBody && looks_like_html(text))) {
        return html_to_text(text);
    }
    if (kind == kEnrichedBody) {
        return enriched_to_text(text);
    }
    return text;
}

}  // namespace qs
