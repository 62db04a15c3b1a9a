// SPDX-License-Identifier: MIT
// Mailboxes without separators ("Generic Mail Type 1", Becky, Agent): a message begins at any
// line that is a known header line once the previous message's body has begun, and its header
// runs to the first empty line.
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
    bool read_message(ParseContext&, LineQueue& q) override {
        while (!buf_.at_end() && !at_known_header(buf_)) skip_line(buf_);
        if (buf_.at_end()) return false;
        start_ = buf_.position() + 1;
        bool body = false;
        const auto next_header = [&body](const StreamBuffer& b) {
            return body && at_known_header(b);
        };
        const LineStop stop = LineStop::at_line_start(next_header);
        for (;;) {
            const size_t before = q.size();
            LineEnd end = read_line(buf_, q, kQuotedLines, stop);
            if (end != LineEnd::Newline) break;
            if (q.size() == before + 1 && q.back().LINE.empty()) body = true;
        }
        return true;
    }
};

}  // namespace

std::unique_ptr<Parser> make_header_run_reader() { return std::make_unique<HeaderRunReader>(); }

}  // namespace qs
