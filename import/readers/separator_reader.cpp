// SPDX-License-Identifier: MIT
// "Generic Mail Type 2": Unix-style mailboxes, where a message begins at a line "From " that
// names an address. A "From " line of a body without an address stays in the body.
#include "import/readers/mail_reader.h"

namespace qs {

namespace {

constexpr size_t kSeparatorReach = 100;

// At a line start: "From " and an "@" before the line ends, within the first 100 characters.
bool at_separator(const StreamBuffer& b) {
    if (!b.looking_at("From ")) return false;
    for (size_t k = 5; k < kSeparatorReach; ++k) {
        int c = b.peek(k);
        if (c < 0 || c == '\r' || c == '\n') return false;
        if (c == '@') return true;
    }
    return false;
}

class SeparatorReader : public MailReader {
protected:
    Found read_message(ParseContext& ctx) override {
        while (!buf_.at_end() && !at_separator(buf_)) skip_line(buf_);
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        skip_line(buf_);  // the separator is no header line
        const auto separator = [](const StreamBuffer& b) {
            return at_separator(b);
        };
        if (read_lines(kQuotedLines, LineStop::at_line_start(separator))) return Found::Message;
        ctx.skip_message(SkipReason::Damaged, where() + " (nothing after the From line)");
        return Found::Nothing;
    }
};

}  // namespace

std::unique_ptr<Parser> make_separator_reader() { return std::make_unique<SeparatorReader>(); }

}  // namespace qs
