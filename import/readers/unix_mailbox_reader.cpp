// SPDX-License-Identifier: MIT
// "Unix Mailbox": the mailboxes the mail programs of today write, one "From " line before each
// message, in every style. A body line ">From ..." (any number of ">") loses one ">", which
// reads back what both quoting writers stored; a Content-Length header is trusted when the
// next message (or the end of the file) stands where it says, and ignored otherwise; a message
// the mail program has deleted but not yet removed from its folder is not imported.
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>

#include "import/readers/mail_places.h"
#include "import/readers/mail_reader.h"
#include "import/readers/mbox_envelope.h"

namespace qs {

namespace {

bool starts_nocase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// The number after a header name, in base `base`; nullopt when there is none.
std::optional<uint64_t> header_number(std::string_view line, size_t name_size, int base) {
    std::string_view v = line.substr(name_size);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    if (base == 16 && (v.starts_with("0x") || v.starts_with("0X"))) v.remove_prefix(2);
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, base);
    if (ec != std::errc() || end == v.data()) return std::nullopt;
    return n;
}

// The mail program's mark of a message deleted but still in the folder file.
constexpr uint64_t kExpungedFlag = 0x0008;

class UnixMailboxReader : public MailReader {
public:
    bool open(ParseContext& ctx, const std::string& path) override {
        // A mailbox bundle is a directory holding the mailbox as the file "mbox".
        std::error_code ec;
        const std::string bundle = path + "/mbox";
        const std::string file =
            std::filesystem::is_directory(path, ec) && std::filesystem::is_regular_file(bundle, ec)
                ? bundle
                : path;
        if (!MailReader::open(ctx, file)) return false;
        places_.clear();
        if (std::string folder = mailbox_folder(file); !folder.empty()) places_.push_back(folder);
        side_.open(file, std::ios::binary);
        prev_blank_ = true;
        at_envelope_ = false;
        // A directory walk meets the other files of a mail profile too (indexes, settings):
        // only mailboxes are read there, a file the user named always is.
        passed_over_ = ctx.settings().selection != kSelectedFiles && !mailbox_file(file);
        if (passed_over_) ctx.note(file + passed_over_why(file));
        return true;
    }

protected:
    Found read_message(ParseContext& ctx) override {
        if (passed_over_) return Found::None;
        if (!at_envelope_) skip_to_envelope();
        at_envelope_ = false;
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        separator_ = first_line(buf_.ahead());
        skip_line(buf_);
        prev_blank_ = false;
        header_ = true;
        length_.reset();
        end_at_.reset();
        deleted_ = false;
        const bool any = read_body();
        if (deleted_) {
            ctx.skip_message(SkipReason::NotImported, where() + " (deleted in the mail program)");
            return Found::Nothing;
        }
        if (any) return Found::Message;
        ctx.skip_message(SkipReason::Damaged, where() + " (nothing after the From line)");
        return Found::Nothing;
    }

    MailOptions options() const override {
        MailOptions o;
        o.envelope_date = true;
        return o;
    }

private:
    // A mailbox begins with a "From " line, or is a mail folder beside its index (an empty
    // folder, or one whose first bytes are damaged).
    bool mailbox_file(const std::string& file) const {
        std::error_code ec;
        return envelope_here(buf_) || std::filesystem::is_regular_file(file + ".msf", ec);
    }

    static std::string passed_over_why(const std::string& file) {
        std::error_code ec;
        const bool index = file.ends_with(".msf");
        if (index && !std::filesystem::exists(file.substr(0, file.size() - 4), ec))
            return ": an index without its mailbox, passed over";
        return index ? ": the index of a mailbox, passed over" : ": not a mailbox, passed over";
    }

    bool envelope_here(const StreamBuffer& b) const {
        return mbox_envelope(first_line(b.ahead()), prev_blank_);
    }

    void skip_to_envelope() {
        while (!buf_.at_end() && !envelope_here(buf_)) {
            prev_blank_ = line_end_at(buf_) > 0;
            skip_line(buf_);
        }
    }

    // Asked at the start of every line of a message: notes the header lines that decide where
    // the message ends, and says whether it ends here.
    bool ends_here(const StreamBuffer& b) {
        if (header_) header_line(b);
        const bool ends = end_at_ ? b.position() >= *end_at_ : envelope_here(b);
        // A right Content-Length vouches for the "From " line after it, whatever its shape.
        if (ends) at_envelope_ = !end_at_;
        if (ends && end_at_) prev_blank_ = true;
        return ends;
    }

    void header_line(const StreamBuffer& b) {
        const std::string_view line = first_line(b.ahead());
        if (line.empty()) {
            header_ = false;
            const uint64_t body = b.position() + line_end_at(b);
            if (length_ && length_fits(body, *length_)) end_at_ = body + *length_;
        } else if (starts_nocase(line, "content-length:")) {
            length_ = header_number(line, 15, 10);
        } else if (starts_nocase(line, "x-mozilla-status:")) {
            auto flags = header_number(line, 17, 16);
            deleted_ = flags && (*flags & kExpungedFlag) != 0;
        }
    }

    // A Content-Length is right when the file ends there or the next "From " line stands at
    // the start of a line there, after at most an empty line.
    bool length_fits(uint64_t body, uint64_t length) {
        if (length > buf_.size() - std::min(body, buf_.size()) || !side_.is_open()) return false;
        const uint64_t end = body + length;
        const uint64_t from = end > body ? end - 1 : end;  // with the byte before, if in the body
        side_.clear();
        side_.seekg(static_cast<std::streamoff>(from));
        char bytes[10];
        side_.read(bytes, sizeof bytes);
        const auto got = static_cast<size_t>(side_.gcount());
        std::string_view v(bytes, got);
        const bool line_start = from == end || (!v.empty() && v.front() == '\n');
        if (from != end && !v.empty()) v.remove_prefix(1);
        if (v.starts_with("From ")) return line_start;
        for (int i = 0; i < 2; ++i) {
            if (v.starts_with("\r\n"))
                v.remove_prefix(2);
            else if (v.starts_with("\n"))
                v.remove_prefix(1);
        }
        return v.starts_with("From ") || (v.empty() && got < sizeof bytes);
    }

    bool read_body() {
        const auto stop = [this](const StreamBuffer& b) {
            return ends_here(b);
        };
        const LineStop at = LineStop::at_line_start(stop);
        parser_.begin();
        line_.goes_on = false;
        bool any = false;
        for (;;) {
            const bool going_on = line_.goes_on;
            const LineEnd end = read_line(buf_, line_, kPlainLines, at);
            if (!going_on && !end_at_) unquote(line_.bytes);
            if (end == LineEnd::Newline || end == LineEnd::Piece) {
                parser_.line(line_.bytes, line_.eol, end == LineEnd::Piece);
                prev_blank_ = end == LineEnd::Newline && !going_on && line_.bytes.empty();
                any = true;
                continue;
            }
            if (!line_.bytes.empty() || going_on) {
                parser_.line(line_.bytes, {});
                any = true;
            }
            return any;
        }
    }

    static void unquote(std::string& line) {
        const size_t marks = line.find_first_not_of('>');
        if (marks != 0 && marks != std::string::npos && line.compare(marks, 5, "From ") == 0)
            line.erase(0, 1);
    }

    std::ifstream side_;  // looks where a Content-Length points, ahead of the reading window
    SourceLine line_;
    bool prev_blank_ = true;    // the last line read was empty, or nothing was read yet
    bool at_envelope_ = false;  // the last message ended at the next one's "From " line
    bool header_ = false;       // in the message's own header block
    bool deleted_ = false;
    bool passed_over_ = false;        // not a mailbox, met in a directory walk
    std::optional<uint64_t> length_;  // the Content-Length of the message being read
    std::optional<uint64_t> end_at_;  // where it ends, when the Content-Length is right
};

}  // namespace

std::unique_ptr<Parser> make_unix_mailbox_reader() { return std::make_unique<UnixMailboxReader>(); }

}  // namespace qs
