// SPDX-License-Identifier: MIT
// The frame every news reader runs in: reading a message's lines, and handing it over by kind.
#include "import/readers/news_reader.h"

#include <algorithm>
#include <optional>

#include "import/address.h"
#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/files.h"

namespace qs {

NewsReader::NewsReader()
    : stop_test_([this](const StreamBuffer& b) { return ends_here(b); }),
      stop_(LineStop::at_line_start(stop_test_)) {}

bool NewsReader::open(ParseContext& ctx, const std::string& path) {
    if (!buf_.open(path)) {
        ctx.report(" Import Error ", "The file " + path + " cannot be read!");
        return false;
    }
    total_ = buf_.size();
    finished_ = false;
    if (!prepare(ctx, path)) {
        buf_.close();
        return false;
    }
    target_ = find_mail_target(ctx);
    parser_.set_sink(&ctx.attachments());
    return true;
}

bool NewsReader::step(ParseContext& ctx, int budget) {
    for (int i = 0; i < std::max(1, budget); ++i) {
        const Found found = find_message(ctx);
        if (found == Found::None) {
            finished_ = true;
            buf_.close();
            line_ = SourceLine();
            return true;
        }
        if (found == Found::Message) {
            read_message();
            hand_over(ctx);
        }
    }
    return false;
}

ReadProgress NewsReader::progress() const {
    return {finished_ ? total_ : std::min(buf_.position(), total_), total_};
}

void NewsReader::read_message() {
    parser_.begin();
    scan_.reset();
    phase_ = Phase::Header;
    header_.clear();
    length_ = longest_ = 0;
    nul_ = false;
    body_lines_ = 0;
    line_.goes_on = false;
    for (;;) {
        const bool going_on = line_.goes_on;
        const LineRules& r = parser_.reads_raw() ? kPlainLines : rules();
        const LineEnd end = read_line(buf_, line_, r, stop_);
        if (end == LineEnd::Piece) {
            take(line_.bytes, {}, true);
            continue;
        }
        const bool last = end == LineEnd::Stop || end == LineEnd::EndOfFile;
        if (last && line_.bytes.empty() && !going_on) return;
        take(line_.bytes, last ? std::string_view() : line_.eol, false);
        if (last) return;
    }
}

// One line, or a piece of a long one: the header's lines go to the scan whole, the body's to
// the parser as they come.
void NewsReader::take(std::string_view bytes, std::string_view eol, bool piece) {
    if (bytes.find('\0') != std::string_view::npos) nul_ = true;
    length_ += bytes.size();
    if (phase_ == Phase::Header) {
        header_.append(bytes.substr(0, kLongLine - std::min(kLongLine, header_.size())));
        if (!piece) header_line(eol);
    } else {
        if (phase_ == Phase::Gap && length_ > 0) phase_ = Phase::Body;  // the first body line
        if (phase_ == Phase::Body) parser_.line(bytes, eol, piece);
        if (!piece) {
            if (length_ == bytes.size()) saw_line(bytes);
            ++body_lines_;
        }
    }
    if (!piece) {
        longest_ = std::max(longest_, length_);
        length_ = 0;
    }
}

// A header line is shown to the parser only where it is a line of the header it reads: the
// empty lines inside a header that goes on past them are left out.
void NewsReader::header_line(std::string_view eol) {
    saw_line(header_);
    const bool ended = scan_.line(header_);
    if (!trim_right(header_).empty()) {
        parser_.line(header_, eol);
    } else if (ended) {
        parser_.line({}, eol);
        phase_ = Phase::Gap;
    }
    header_.clear();
}

std::string NewsReader::damage() const {
    if (nul_) return "NUL bytes in the message";
    if (longest_ >= kLongLine) return "a line of " + std::to_string(longest_) + " characters";
    if (phase_ == Phase::Header) return "its header is cut off";
    return {};
}

void NewsReader::skip_damaged(ParseContext& ctx, const std::string& why) {
    ctx.skip_message(SkipReason::Damaged, where() + " (" + why + ")");
}

void NewsReader::hand_over(ParseContext& ctx) {
    std::string unknown;
    const std::string subject = mail_heading(decode_header_text(scan_.subject(), &unknown));
    const std::string what = where() + " \"" + fit(subject, decltype(NHR::HEADING)::size()) + "\"";
    if (const std::string why = damage(); !why.empty()) {
        parser_.finish();
        ctx.skip_message(SkipReason::Damaged, what + " (" + why + ")");
        return;
    }
    switch (scan_.kind()) {
        case NewsClass::Article: hand_over_article(ctx, what); return;
        case NewsClass::Forum:
            // Only the mixed files hold forum messages; elsewhere a header that opens with its
            // subject is a mail's.
            if (reads_forum()) {
                hand_over_forum(ctx, what);
                return;
            }
            [[fallthrough]];
        case NewsClass::Mail: hand_over_mail(ctx, target_, parser_, {}, where()); return;
    }
}

namespace {

struct Group {
    DatabaseRef ref;
    std::string name;
};

// The first newsgroup of the list whose database takes the article. The groups are split at
// commas and, since no group name holds one, at blanks too.
std::optional<Group> accepting_group(ParseContext& ctx, std::string_view list) {
    size_t from = 0;
    while (from <= list.size()) {
        size_t comma = list.find_first_of(", \t", from);
        if (comma == std::string_view::npos) comma = list.size();
        std::string name = text_from_input(list.substr(from, comma - from));
        from = comma + 1;
        if (name.empty()) continue;
        name = std::string(cut_chars(name, decltype(NHR::FOR_DESCRIPTION)::size()));
        DatabaseRef ref = ctx.lookup_database(name, true);
        if (ref.import && ref.type != kMailDb) return Group{ref, name};
    }
    return std::nullopt;
}

}  // namespace

void NewsReader::hand_over_article(ParseContext& ctx, const std::string& what) {
    if (!ctx.settings().news) {
        parser_.finish();
        ctx.skip_message(SkipReason::KindNotSelected,
                         what + " (news is not among the kinds chosen)");
        return;
    }
    const std::optional<Group> group = accepting_group(ctx, scan_.newsgroups());
    if (!group) {
        parser_.finish();
        ctx.skip_message(SkipReason::NotImported, what + " (no newsgroup database takes it)");
        return;
    }
    std::string text = parser_.finish();
    if (parser_.attachments_lost()) {
        ctx.skip_message(SkipReason::Damaged, what + " (an attachment could not be kept)");
        return;
    }
    std::string unknown;
    const std::string subject = mail_heading(decode_header_text(scan_.subject(), &unknown));
    NHR r;
    r.INTERNAL = group->ref.id;
    r.FOR_DESCRIPTION = group->name;
    r.SECTIONNUMBER = group->ref.section_id;
    r.SEC_DESCRIPTION = fit(group->ref.section_name, decltype(NHR::SEC_DESCRIPTION)::size());
    r.MSGNUMBER = ctx.next_id();
    const MailDate d = parse_mail_date(scan_.date(), DateRule::Shape);
    r.DATE = d.date;
    r.TIME = d.time;
    r.HEADING = fit(subject, decltype(NHR::HEADING)::size());
    if (char_count(subject) > decltype(NHR::HEADING)::size()) r.LONGHEADING = subject;
    if (splits_like_mail() || scan_.from().find('@') != std::string::npos) {
        const MailAddress from = split_mail_address(scan_.from(), &unknown);
        r.S_CISADRESS = from.address;
        r.S_NAME = from.name;
    } else {
        std::string address, name;
        FindCISAdress(2, address, name, decode_header_text(scan_.from(), &unknown));
        r.S_CISADRESS = address;
        r.S_NAME = name;
    }
    const std::string parent = scan_.reference();
    r.R_NAME = parent.empty() ? "All" : "Unknown";
    for (const std::string& n : parser_.notes()) ctx.note(what + ": " + n);
    if (!unknown.empty()) ctx.note(what + ": " + unknown_charset_note(unknown));
    r.MSGTEXT.text = std::move(text);
    const std::string id(cut_chars(text_from_input(scan_.message_id()), 60));
    ctx.add_message(r, {}, id, parent);
}

}  // namespace qs
