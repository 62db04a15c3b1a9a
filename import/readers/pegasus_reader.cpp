// SPDX-License-Identifier: MIT
// Pegasus folders: a binary folder header, then messages each ended by a line end and Ctrl-Z.
// The first message is found by its first header line; every later one begins after the
// Ctrl-Z of the one before.
#include "import/readers/mail_reader.h"

namespace qs {

namespace {

constexpr int kCtrlZ = 0x1A;
constexpr size_t kHeaderReach = 50;

// A line, for finding the first header, begins after a line end, a Ctrl-Z or a zero byte of the
// folder header.
bool line_start(const StreamBuffer& b) {
    int p = b.previous();
    return p < 0 || p == '\n' || p == '\r' || p == kCtrlZ || p == 0;
}

std::string line_ahead(const StreamBuffer& b) {
    std::string line;
    for (size_t k = 0; k < kHeaderReach; ++k) {
        int c = b.peek(k);
        if (c < 0 || c == '\r' || c == '\n' || c == 0) break;
        line.push_back(static_cast<char>(c));
    }
    return line;
}

bool is_padding(int c) { return c == 0 || c == kCtrlZ || c == '\r' || c == '\n'; }

class PegasusReader : public MailReader {
protected:
    MailOptions options() const override { return {HeaderVariant::Mail, DateRule::Fixed}; }

    Found read_message(ParseContext&) override {
        if (!found_first_) {
            while (!buf_.at_end() && !(line_start(buf_) && known_header(line_ahead(buf_))))
                buf_.advance();
            found_first_ = true;
        } else {
            // Padding and blank lines between messages belong to neither.
            while (!buf_.at_end() && is_padding(buf_.peek())) buf_.advance();
        }
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        const auto ctrl_z = [](const StreamBuffer& b) {
            return b.peek() == kCtrlZ;
        };
        const bool any = read_lines(kQuotedLines, LineStop::at_line_start(ctrl_z));
        if (buf_.peek() == kCtrlZ) buf_.advance();
        if (any) return Found::Message;
        return buf_.at_end() ? Found::None : Found::Nothing;
    }

private:
    bool found_first_ = false;
};

}  // namespace

std::unique_ptr<Parser> make_pegasus_reader() { return std::make_unique<PegasusReader>(); }

}  // namespace qs
