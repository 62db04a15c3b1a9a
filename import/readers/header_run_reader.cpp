// SPDX-License-Identifier: MIT
// Mailboxes without separators ("Generic Mail Type 1", Becky, Agent): a message begins at any
// line that is a known header line once the previous message's body has begun (outside the header
// block of a part or of a forwarded message), and its header runs to the first empty line.
#include "import/readers/mail_reader.h"

namespace qs {

namespace {

constexpr size_t kHeaderReach = 50;

// The first 50 characters of the line at the cursor.
std::string line_ahead(const StreamBuffer& b) {
    std::string line;
    for (size_t k = 0; k < kHeaderReach; ++k) {
        int c = b.peek(k);
        if (c < 0 || c == '\r' || c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    return line;
}

bool at_known_header(const StreamBuffer& b) { return known_header(line_ahead(b)) != kNotHeader; }

class HeaderRunReader : public MailReader {
protected:
    Found read_message(ParseContext&) override {
        while (!buf_.at_end() && !at_known_header(buf_)) skip_line(buf_);
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        // The header lines of a part, or of a forwarded message inside this one, begin no
        // message: only a known header line met in a body does.
        const MessageParser& p = parser_;
        const auto next_header = [&p](const StreamBuffer& b) {
            if (p.body_started()) return !p.in_header() && at_known_header(b);
            return p.repeats_after_stray(line_ahead(b));
        };
        read_lines(kQuotedLines, LineStop::at_line_start(next_header));
        return Found::Message;
    }
};

}  // namespace

std::unique_ptr<Parser> make_header_run_reader() { return std::make_unique<HeaderRunReader>(); }

}  // namespace qs
