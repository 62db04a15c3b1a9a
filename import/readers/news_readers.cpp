// SPDX-License-Identifier: MIT
// Where the messages of each news program's files begin: Unix news files and Agent's ("From "
// lines, or lines of eight "="), VirtualAccess (ten "=", a title line and ten "-"), the news
// stores of IE, Outlook Express 4 and Netscape (a header line, the body bounded by "Lines:"),
// and Gravity (a known header line).
#include <optional>

#include "import/address.h"
#include "import/mime/header_text.h"
#include "import/readers/mbox_envelope.h"
#include "import/readers/news_reader.h"
#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/files.h"

namespace qs {

namespace {

bool line_end(int c) { return c < 0 || c == '\r' || c == '\n'; }

// The line at the cursor without its end, at most `reach` bytes.
std::string line_at(const StreamBuffer& b, size_t reach) {
    std::string line;
    for (size_t k = 0; k < reach && !line_end(b.peek(k)); ++k)
        line.push_back(static_cast<char>(b.peek(k)));
    return line;
}

// Reads the line at the cursor and moves past it.
std::string take_line(StreamBuffer& b) {
    constexpr size_t kReach = 1000;
    std::string line = line_at(b, kReach);
    skip_line(b);
    return line;
}

bool line_start(const StreamBuffer& b) {
    return b.previous() < 0 || b.previous() == '\n' || b.previous() == '\r';
}

// "From " and an "@" before the line ends, within the first 100 characters; or a "From " line
// with the full envelope date, as the UUCP sites wrote it with a bang path for the sender
// ("From host!relay!user Mon May 03 19:13:55 1993").
bool at_from_line(const StreamBuffer& b) {
    constexpr size_t kReach = 100;
    constexpr size_t kEnvelopeReach = 256;
    if (!b.looking_at("From ")) return false;
    for (size_t k = 5; k < kReach && !line_end(b.peek(k)); ++k)
        if (b.peek(k) == '@') return true;
    return mbox_envelope(line_at(b, kEnvelopeReach), false);
}

// A line of exactly eight "=".
bool at_agent_line(const StreamBuffer& b) {
    return b.looking_at("========") && line_end(b.peek(8));
}

bool repeated(std::string_view line, char c, size_t n) {
    return line.size() >= n && line.find_first_not_of(c) >= n;
}

std::optional<uint32_t> number_of(std::string_view digits) {
    constexpr size_t kMaxDigits = 10;
    if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(v);
}

class UnixNewsReader : public NewsReader {
protected:
    // The first 300 bytes tell the style: lines of eight "=" (Agent) or "From " lines with an
    // address (Unix).
    bool prepare(ParseContext& ctx, const std::string& path) override {
        constexpr size_t kStyleReach = 300;
        const std::string_view head = buf_.ahead().substr(0, kStyleReach);
        if (head.find("=====") != std::string_view::npos &&
            head.find("========") != std::string_view::npos) {
            agent_ = true;
            return true;
        }
        agent_ = false;
        if (mbox_envelope(first_line(head), true)) return true;
        for (size_t at = head.find("From "); at != std::string_view::npos;
             at = head.find("From ", at + 1)) {
            const size_t end = head.find_first_of("\r\n", at);
            if (head.substr(at, end - at).find('@') != std::string_view::npos) return true;
        }
        ctx.report(" Import Error ", "The file " + path +
                                         " holds no news articles of the Unix or Agent style "
                                         "and will be skipped!");
        return false;
    }
    bool splits_like_mail() const override { return agent_; }

    Found find_message(ParseContext&) override {
        while (!buf_.at_end() && !at_separator(buf_)) skip_line(buf_);
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        skip_line(buf_);  // the separator is no header line
        return Found::Message;
    }
    bool ends_here(const StreamBuffer& b) const override { return at_separator(b); }

private:
    bool at_separator(const StreamBuffer& b) const {
        return agent_ ? at_agent_line(b) : at_from_line(b);
    }
    bool agent_ = false;
};

// A VirtualAccess title: "forum/S4_Section #50000, from Name, 812 chars, 12 Mar 1996 10:05".
struct ForumTitle {
    std::string forum;  // upper case
    uint32_t section = 0;
    std::string section_name;
    uint32_t number = 0;  // 0 when the title gives no valid number
    MailDate date;
};

ForumTitle read_title(std::string_view title) {
    constexpr size_t kSectionReach = 30;
    constexpr size_t kDateReach = 82;
    ForumTitle t;
    const size_t slash = title.find('/');
    if (slash == std::string_view::npos) return t;
    t.forum = upper_case(text_from_input(trim_right(title.substr(0, slash))));
    std::string_view section = title.substr(slash + 1);
    section = section.substr(0, section.find(' '));
    if (const size_t bar = section.find('_'); bar != std::string_view::npos) {
        if (bar > 0) t.section = number_of(section.substr(1, bar - 1)).value_or(0);
        section = section.substr(bar + 1);
    }
    t.section_name = text_from_input(section.substr(0, kSectionReach));
    if (const size_t hash = title.find('#'); hash != std::string_view::npos) {
        const size_t comma = title.find(',', hash);
        if (comma != std::string_view::npos)
            t.number = number_of(title.substr(hash + 1, comma - hash - 1)).value_or(0);
    }
    if (const size_t at = title.substr(0, kDateReach).find("chars, "); at != std::string_view::npos)
        t.date = parse_mail_date(title.substr(at + 7), DateRule::Shape);
    return t;
}

class VirtualAccessReader : public NewsReader {
protected:
    Found find_message(ParseContext& ctx) override {
        while (!buf_.at_end() && !at_start(buf_)) skip_line(buf_);
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        skip_line(buf_);
        std::string title = take_line(buf_);
        if (repeated(title, '=', kRule)) title = take_line(buf_);
        // The rule under the title, or the line after it.
        if (!repeated(take_line(buf_), '-', kRule) && !repeated(take_line(buf_), '-', kRule)) {
            skip_damaged(ctx, "no \"----------\" line under its title");
            return Found::Skipped;
        }
        title_ = read_title(title);
        comment_to_.reset();
        return Found::Message;
    }
    bool ends_here(const StreamBuffer& b) const override { return at_start(b); }
    bool reads_forum() const override { return true; }
    void saw_line(std::string_view line) override {
        constexpr std::string_view kComment = "Comment to ";
        if (comment_to_ || !line.starts_with(kComment)) return;
        std::string_view n = line.substr(kComment.size());
        n = n.substr(0, n.find_first_not_of("0123456789"));
        comment_to_ = number_of(n).value_or(0);
    }
    void hand_over_forum(ParseContext& ctx, const std::string& what) override;

private:
    static constexpr size_t kRule = 10;
    static bool at_start(const StreamBuffer& b) { return b.looking_at("=========="); }
    // The message answered: kept when it lies before this one and at most 30,000 below it.
    uint32_t reference() const {
        constexpr uint32_t kReach = 30000;
        const uint32_t c = comment_to_.value_or(0);
        return c != 0 && c <= title_.number && title_.number - c <= kReach ? c : 0;
    }

    ForumTitle title_;
    std::optional<uint32_t> comment_to_;
};

void VirtualAccessReader::hand_over_forum(ParseContext& ctx, const std::string& what) {
    std::string text = parser_.finish();
    if (!ctx.settings().forum) {
        ctx.skip_message(SkipReason::KindNotSelected,
                         what + " (forum messages are not among the kinds chosen)");
        return;
    }
    if (title_.number == 0 || title_.forum.empty()) {
        ctx.skip_message(SkipReason::Damaged, what + " (a forum message without a valid number)");
        return;
    }
    const DatabaseRef ref = ctx.lookup_database(title_.forum, false);
    if (!ref.import || ref.type != kForumDb) {
        ctx.skip_message(SkipReason::NotImported, what + " (no forum database takes it)");
        return;
    }
    if (!ctx.settings().reimport && ctx.imported_before(ref.id, title_.number)) {
        ctx.skip_message(SkipReason::Duplicate, what + " (imported before)");
        return;
    }
    if (parser_.attachments_lost()) {
        ctx.skip_message(SkipReason::Damaged, what + " (an attachment could not be kept)");
        return;
    }
    std::string unknown;
    const std::string subject = mail_heading(decode_header_text(scan_.subject(), &unknown));
    NHR r;
    r.INTERNAL = ref.id;
    r.FOR_DESCRIPTION = title_.forum;
    r.SECTIONNUMBER = title_.section;
    r.SEC_DESCRIPTION = title_.section_name;
    r.MSGNUMBER = title_.number;
    r.REFNUMBER = reference();
    r.DATE = title_.date.date;
    r.TIME = title_.date.time;
    r.HEADING = fit(subject, decltype(NHR::HEADING)::size());
    if (char_count(subject) > decltype(NHR::HEADING)::size()) r.LONGHEADING = subject;
    std::string address, name;
    FindCISAdress(1, address, name, decode_header_text(scan_.from(), &unknown));
    r.S_CISADRESS = address;
    r.S_NAME = name;
    FindCISAdress(1, address, name, decode_header_text(scan_.to(), &unknown));
    r.R_CISADRESS = address;
    r.R_NAME = name;
    r.MSGTEXT.text = std::move(text);
    ctx.add_message(r);
}

// The record marker of the IE and Outlook Express 4 news stores: 0xBC, and "<" 22 bytes on.
bool at_marker(const StreamBuffer& b) { return b.peek(0) == 0xBC && b.peek(22) == '<'; }

// A line that opens a message's header: "From:", "Date:", or "Newsg", "Subje", "Messa" with a
// ":" within the next 50 characters.
bool at_header_start(const StreamBuffer& b) {
    constexpr size_t kColonReach = 50;
    const int c = b.peek(0);
    if (c < 'A' || c > 'Z') return false;
    if (b.looking_at("From:") || b.looking_at("Date:")) return true;
    if (!b.looking_at("Newsg") && !b.looking_at("Subje") && !b.looking_at("Messa")) return false;
    return line_at(b, 5 + kColonReach).find(':', 5) != std::string::npos;
}

class StoreNewsReader : public NewsReader {
public:
    explicit StoreNewsReader(bool marker) : marker_(marker) {}

protected:
    LineRules rules() const override { return marker_ ? kMarkerLines : kNetscapeLines; }
    bool splits_like_mail() const override { return marker_; }

    Found find_message(ParseContext&) override {
        for (;;) {
            if (buf_.at_end()) return Found::None;
            if (line_start(buf_) && at_header_start(buf_)) break;
            if (marker_ && at_marker(buf_)) {
                // The record's own bytes come before its first header line.
                buf_.advance();
                while (!buf_.at_end() && !at_marker(buf_) && !at_header_start(buf_)) buf_.advance();
                if (at_header_start(buf_)) break;
                continue;
            }
            if (marker_)
                buf_.advance();
            else
                skip_line(buf_);
        }
        start_ = buf_.position() + 1;
        return Found::Message;
    }
    // Once the body holds as many lines as "Lines:" says, a header line begins the next one.
    bool ends_here(const StreamBuffer& b) const override {
        if (in_header() || parser_.in_header() || body_lines() < std::max(0L, scan_.lines()))
            return false;
        return at_header_start(b) || (marker_ && at_marker(b));
    }

private:
    bool marker_;
};

bool at_known_header(const StreamBuffer& b) {
    constexpr size_t kHeaderReach = 50;
    return known_header(line_at(b, kHeaderReach)) != kNotHeader;
}

class GravityReader : public NewsReader {
protected:
    Found find_message(ParseContext&) override {
        while (!buf_.at_end() && !at_known_header(buf_)) skip_line(buf_);
        if (buf_.at_end()) return Found::None;
        start_ = buf_.position() + 1;
        return Found::Message;
    }
    bool ends_here(const StreamBuffer& b) const override {
        // The header lines of a part, or of a forwarded message, begin no message.
        return !in_header() && !parser_.in_header() && at_known_header(b);
    }
};

}  // namespace

std::unique_ptr<Parser> make_unix_news_reader() { return std::make_unique<UnixNewsReader>(); }
std::unique_ptr<Parser> make_virtual_access_reader() {
    return std::make_unique<VirtualAccessReader>();
}
std::unique_ptr<Parser> make_ie_news_reader() { return std::make_unique<StoreNewsReader>(true); }
std::unique_ptr<Parser> make_netscape_news_reader() {
    return std::make_unique<StoreNewsReader>(false);
}
std::unique_ptr<Parser> make_gravity_reader() { return std::make_unique<GravityReader>(); }

}  // namespace qs
