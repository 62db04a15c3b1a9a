// SPDX-License-Identifier: MIT
// The mailboxes of IE Mail and Outlook Express 4 (each message behind the bytes 7F 00 7F) and of
// Netscape ("From - " lines). Status and other program lines before the first header of a
// message are passed over.
#include "import/readers/mail_reader.h"

namespace qs {

namespace {

constexpr std::string_view kIeMarker{"\x7F\x00\x7F", 3};
constexpr std::string_view kNetscapeMarker{"From - "};
constexpr std::string_view kFirstHeaders[] = {"From:", "Date:", "To:", "Subject:"};

bool at_first_header(const StreamBuffer& b) {
    for (auto h : kFirstHeaders)
        if (b.looking_at(h)) return true;
    return false;
}

class MarkerReader : public MailReader {
public:
    MarkerReader(std::string_view marker, bool at_line_start, const LineRules& rules)
        : marker_(marker), at_line_start_(at_line_start), rules_(rules) {}

protected:
    // The mailbox is read in smaller steps: these files hold large messages.
    int batch(int budget) const override { return budget / 8; }

    Found read_message(ParseContext& ctx) override {
        while (!buf_.at_end() && !at_marker(buf_, line_start(buf_))) buf_.advance();
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        buf_.advance(marker_.size());
        while (!buf_.at_end() && !at_marker(buf_, line_start(buf_)) && !at_first_header(buf_))
            buf_.advance();
        if (!at_first_header(buf_)) {
            ctx.skip_message(SkipReason::Damaged, where() + " (no header line)");
            return Found::Nothing;
        }
        const auto marker = [this](const StreamBuffer& b) {
            return b.looking_at(marker_);
        };
        const LineStop stop =
            at_line_start_ ? LineStop::at_line_start(marker) : LineStop::anywhere(marker_);
        read_lines(rules_, stop);
        return Found::Message;
    }

private:
    static bool line_start(const StreamBuffer& b) {
        return b.previous() < 0 || b.previous() == '\n' || b.previous() == '\r';
    }
    bool at_marker(const StreamBuffer& b, bool first) const {
        return (first || !at_line_start_) && b.looking_at(marker_);
    }

    std::string_view marker_;
    bool at_line_start_;
    LineRules rules_;
};

}  // namespace

std::unique_ptr<Parser> make_ie_reader() {
    return std::make_unique<MarkerReader>(kIeMarker, false, kMarkerLines);
}

// Netscape escapes "From " at a line start in bodies, so its separator is only looked for there.
std::unique_ptr<Parser> make_netscape_reader() {
    return std::make_unique<MarkerReader>(kNetscapeMarker, true, kNetscapeLines);
}

}  // namespace qs
