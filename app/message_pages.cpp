// SPDX-License-Identifier: MIT
#include "app/message_pages.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/text_chars.h"
#include "platform/text.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr size_t kOnePage = 24000;
constexpr size_t kTwoPages = 48000;

// Where a page break is searched: the first blank from character `from` to `to` (1-based, both
// included) breaks there; without one the break follows character `to`.
struct BreakWindow {
    size_t from, to;
};
constexpr std::array<BreakWindow, 2> kBreaks{{{23950, 23980}, {47060, 47100}}};

// The byte offset of a break: the blank's own offset, so that the next page starts with it.
size_t break_offset(std::string_view text, const BreakWindow& w) {
    size_t at = textchars::offset_of(text, w.from - 1);
    for (size_t c = w.from; c <= w.to && at < text.size(); ++c) {
        if (text[at] == ' ') return at;
        at += textchars::length_at(text, at);
    }
    return at;
}

}  // namespace

MessagePage PageText(std::string_view text, std::string_view subject, int page) {
    text = trim_right(text);
    const size_t chars = textchars::count(text);
    MessagePage p;
    p.count = chars <= kOnePage ? 1 : chars <= kTwoPages ? 2 : 3;
    p.number = std::clamp(page, 1, p.count);
    // Byte offsets where the pages start, and the end of the text.
    std::vector<size_t> cuts{0};
    for (int b = 0; b + 1 < p.count; ++b) cuts.push_back(break_offset(text, kBreaks[b]));
    cuts.push_back(text.size());
    const auto i = static_cast<size_t>(p.number - 1);
    if (i == 0) {
        subject = trim_right(subject);
        if (!subject.empty()) p.text = "Subject: " + std::string(subject) + "\r\n\r\n";
    } else {
        p.text = kContinuedMarker;
    }
    const size_t body = textchars::count(p.text);
    p.text.append(text.substr(cuts[i], cuts[i + 1] - cuts[i]));
    if (p.number < p.count) p.text += kMoreMarker;
    p.start = p.end = p.cursor = p.count == 1 ? textchars::count(p.text) : i == 0 ? 0 : body;
    return p;
}

MessagePage PageMessage(Session& s, uint32_t number, std::string_view subject, int page) {
    OP_CLOSE(s, kOpOpen, {kMsgText});
    s.rec.MsgText = MsgText{};
    s.rec.MsgText.MSGNUMBER = number;
    std::string text = Get(s, kMsgText, keys::TxtIdKey) ? s.rec.MsgText.MSGTEXT.text : "";
    OP_CLOSE(s, kOpClose, {kMsgText});
    return PageText(text, subject, page);
}

}  // namespace qs
