// SPDX-License-Identifier: MIT
// The header scan of the mailbox readers, the address splitter, and the hand-over of a message
// to the import processor.
#include "import/readers/mail_header.h"

#include <algorithm>

#include "platform/text.h"
#include "storage/files.h"

namespace qs {

namespace {

constexpr size_t kScanWidth = 100;
constexpr size_t kAddressWidth = decltype(NHR::S_CISADRESS)::size();
constexpr size_t kNameWidth = decltype(NHR::S_NAME)::size();
constexpr size_t kHeadingWidth = decltype(NHR::HEADING)::size();
// A "multipart" line shorter than this cannot hold its boundary; it follows on a later line.
constexpr size_t kBoundaryInLine = 32;
constexpr size_t kBoundaryLine = 9;
// A carbon-copy name is kept to the width of its record field; the "Cc:" texts of one mail to
// this many characters.
constexpr size_t kCopyNameWidth = decltype(CCT::R_NAME)::size();
constexpr size_t kCopiesWidth = 8000;

std::string_view trim_left(std::string_view s) {
    size_t k = s.find_first_not_of(" \t");
    return k == std::string_view::npos ? std::string_view() : s.substr(k);
}

std::string_view trim(std::string_view s) { return trim_right(trim_left(s)); }

bool starts(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The rest of a header line after its name, at most `width` characters.
std::string rest(const std::string& line, size_t name, size_t width) {
    return name < line.size() ? line.substr(name, width) : std::string();
}

std::string without_pair(std::string name, char open, char close) {
    if (name.size() >= 2 && name.front() == open && name.back() == close)
        name = name.substr(1, name.size() - 2);
    return name;
}

void content_type(MailHeader& h, const std::string& line, std::string_view up,
                  HeaderVariant variant) {
    constexpr std::string_view kName = "CONTENT-TYPE:";
    if (!starts(up, kName)) return;
    std::string_view type = trim_left(up.substr(kName.size()));
    if (starts(type, "TEXT/HTML")) {
        h.kind = kHtmlBody;
    } else if (starts(type, "TEXT/ENRI")) {
        h.kind = kEnrichedBody;
    } else if (variant == HeaderVariant::Eudora) {
        if (starts(type, "MULTIPART/ALTERNATIVE")) h.kind = kHtmlBody;
    } else if (starts(type, "MULTIPART") && !starts(type, "MULTIPART/DIGEST")) {
        h.multipart = true;
        if (line.size() > kBoundaryInLine) h.boundary = find_boundary(line, 1).boundary;
    }
}

void add_copies(std::string& copies, std::string_view text) {
    if (copies.size() >= kCopiesWidth) return;
    if (!copies.empty()) copies += ',';
    copies.append(text.substr(0, kCopiesWidth - copies.size()));
}

// The first characters of a header line in upper case, kept on the stack: the scan looks at
// every header line of every message. The names told apart take the first 11 characters; a
// "Content-Type:" line is looked at to the full width.
constexpr size_t kHeaderNameWidth = 11;

class UpperStart {
public:
    UpperStart(std::string_view line, size_t width)
        : n_(std::min({line.size(), width, kScanWidth})) {
        upper1252(line.substr(0, n_), buf_);
    }
    std::string_view view() const { return {buf_, n_}; }

private:
    char buf_[kScanWidth];
    size_t n_;
};

// One header line; false when the message is refused. A "Cc:" line goes on in the lines after it
// that begin with a blank, and in the entries of a line longer than a queue entry (`rest_of_line`).
bool scan_line(MailHeader& h, const std::string& line, bool rest_of_line, bool& in_copies,
               HeaderVariant variant) {
    const UpperStart upper(line, kHeaderNameWidth);
    const std::string_view up = upper.view();
    const bool mail = variant == HeaderVariant::Mail;
    if (mail && h.multipart && h.boundary.empty() && line.size() > kBoundaryLine)
        h.boundary = find_boundary(line, 1).boundary;
    if (in_copies && rest_of_line) {
        h.copies.append(line.substr(0, kCopiesWidth - std::min(kCopiesWidth, h.copies.size())));
        return true;
    }
    if (in_copies && (line.front() == ' ' || line.front() == '\t')) {
        add_copies(h.copies, line);
        return true;
    }
    in_copies = false;
    if (mail && starts(up, "NEWSGROUPS:")) {
        h.news = true;
        return false;
    }
    if (starts(up, "FROM:")) {
        h.from = rest(line, 5, 95);
    } else if (starts(up, "DATE:")) {
        h.date = rest(line, 5, 95);
        h.has_date = true;
    } else if (starts(up, "SUBJECT:")) {
        h.subject = rest(line, 8, 92);
    } else if (starts(up, "CONTE")) {
        content_type(h, line, UpperStart(line, kScanWidth).view(), variant);
    } else if (starts(up, "TO:")) {
        h.to = rest(line, 3, 97);
    } else if (starts(up, "CC:")) {
        add_copies(h.copies, std::string_view(line).substr(3));
        in_copies = true;
    }
    return true;
}

void set_direction(ParseContext& ctx, NHR& r, const MailHeader& h, HeaderVariant variant) {
    const std::string& own = ctx.owner_address();
    bool sent;
    if (variant == HeaderVariant::Eudora) {
        sent = !h.has_date;  // Eudora writes no Date header into the mail it sent
    } else {
        sent = ctx.own_address(r.S_CISADRESS.trimmed());
    }
    r.MAILTYPE = sent ? 2 : 1;
    if (sent) {
        r.S_CISADRESS = own;
        r.S_NAME = ctx.owner_name();
    } else {
        r.R_CISADRESS = own;
        r.R_NAME = ctx.owner_name();
    }
}

std::string body_text(LineQueue& q, const MailHeader& h) {
    if (h.body >= q.size()) return {};
    BodyKind kind = h.kind;
    if (!h.boundary.empty() && select_part(q, h.body, q.size(), h.boundary)) kind = kHtmlBody;
    std::string text = assemble_text(q, h.body, q.size(), kind);
    if (text.size() > kMaxMemo) text.resize(kMaxMemo);
    return text;
}

struct HeaderName {
    const char* name;
    int code;
};
constexpr HeaderName kKnownHeaders[] = {
    {"FROM:", 1},
    {"DATE:", 2},
    {"TO:", 3},
    {"SUBJECT:", 4},
    {"NEWSGROUPS:", 5},
    {"MESSAGE-ID:", 6},
    {"COMMENTS:", kOtherHeader},
    {"CONTENT-MD5:", kOtherHeader},
    {"CONTENT-TYPE:", kOtherHeader},
    {"CONTENT-LENGTH:", kOtherHeader},
    {"CONTENT-TRANSFER-ENCODING:", kOtherHeader},
    {"IN-REPLY-TO:", kOtherHeader},
    {"MIME-VERSION:", kOtherHeader},
    {"PATH:", kOtherHeader},
    {"RECEIVED:", kOtherHeader},
    {"REPLY-TO:", kOtherHeader},
    {"RETURN-PATH:", kOtherHeader},
    {"SENDER:", kOtherHeader},
    {"STATUS:", kOtherHeader},
    {"URL:", kOtherHeader},
};
constexpr size_t kKnownWidth = 50;
constexpr size_t kFromAtReach = 44;
constexpr size_t kXColonReach = 48;

}  // namespace

int known_header(std::string_view line) {
    const std::string up = upper1252(line.substr(0, kKnownWidth));
    for (const auto& h : kKnownHeaders)
        if (starts(up, h.name)) return h.code;
    std::string_view v = up;
    // The separator lines of mailboxes count too: "From someone@host date", "From - date".
    if (starts(v, "FROM ")) {
        std::string_view after = v.substr(5);
        if (after.substr(0, kFromAtReach).find('@') != std::string_view::npos) return kOtherHeader;
        if (starts(after, "- ") || starts(after, " - ")) return kOtherHeader;
    }
    if (starts(v, "X-") && v.substr(2, kXColonReach).find(": ") != std::string_view::npos)
        return kOtherHeader;
    return kNotHeader;
}

MailAddress split_mail_address(std::string_view text) {
    std::string t(trim(text));
    if (t.size() >= 3 && t.compare(t.size() - 3, 3, "(X)") == 0)
        t = trim(t.substr(0, t.size() - 3));
    MailAddress out;
    if (t.empty()) return out;
    size_t at = t.find('@');
    std::string address = t, name;
    if (at == std::string::npos) {
        // no "@": the whole text is taken as the address
    } else if (t.back() == '>') {
        size_t lt = t.rfind('<');
        if (lt != std::string::npos) {
            address = t.substr(lt + 1, t.size() - lt - 2);
            name = trim(t.substr(0, lt));
        }
    } else if (size_t after = t.find(' ', at); after != std::string::npos) {
        size_t before = t.rfind(' ', at);
        size_t from = before == std::string::npos ? 0 : before + 1;
        address = t.substr(from, after - from);
        name = trim(t.substr(after + 1));
    } else if (size_t before = t.rfind(' ', at); before != std::string::npos) {
        address = t.substr(before + 1);
        name = trim(t.substr(0, before));
    }
    name = without_pair(without_pair(std::move(name), '"', '"'), '(', ')');
    out.address = lower1252(trim(address)).substr(0, kAddressWidth);
    out.name = name.substr(0, kNameWidth);
    return out;
}

std::string mail_heading(std::string_view subject) {
    std::string_view s = trim_left(subject);
    if (s.size() >= 3 && upper1252(s.substr(0, 3)) == "RE:") s = trim_left(s.substr(3));
    return std::string(s.substr(0, kHeadingWidth));
}

MailHeader scan_mail_header(const LineQueue& q, HeaderVariant variant) {
    MailHeader h;
    size_t i = 0;
    bool in_copies = false;
    for (; i < q.size() && q[i].LEN() > 0; ++i) {
        const bool rest_of_line = i > 0 && q[i - 1].SPLITLINE;
        if (!scan_line(h, q[i].LINE, rest_of_line, in_copies, variant)) break;
    }
    h.body = i < q.size() && q[i].LEN() == 0 ? i + 1 : q.size();
    return h;
}

std::vector<CCT> copy_recipients(std::string_view copies, uint32_t mail_id) {
    std::vector<CCT> out;
    auto take = [&](std::string_view one) {
        MailAddress a = split_mail_address(one);
        if (a.address.empty()) return;
        CCT c;
        c.MAILID = mail_id;
        c.R_CISADRESS = a.address;
        c.R_NAME = a.name.substr(0, kCopyNameWidth);
        c.RECIPTYPE = "CC";
        out.push_back(c);
    };
    bool quoted = false;
    int angle = 0, paren = 0;
    size_t from = 0;
    for (size_t k = 0; k < copies.size(); ++k) {
        const char c = copies[k];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '<') ++angle;
        if (c == '>' && angle > 0) --angle;
        if (c == '(') ++paren;
        if (c == ')' && paren > 0) --paren;
        if (c == ',' && angle == 0 && paren == 0) {
            take(copies.substr(from, k - from));
            from = k + 1;
        }
    }
    take(copies.substr(from));
    return out;
}

MailTarget find_mail_target(ParseContext& ctx) {
    MailTarget t;
    t.id = ctx.settings().mailbox;
    if (!ctx.settings().mail) {
        t.why_not = "mail is not among the kinds chosen";
        return t;
    }
    const std::string description = ctx.mail_database_name(t.id);
    if (description.empty()) {
        t.why_not = "no mail database was chosen";
        return t;
    }
    DatabaseRef ref = ctx.lookup_database(description, false);
    t.import = ref.import && ref.id == t.id;
    if (!t.import) t.why_not = "the mail database takes no imported messages";
    return t;
}

bool hand_over_mail(ParseContext& ctx, const MailTarget& target, LineQueue& q,
                    const MailOptions& options, const std::string& where) {
    MailHeader h = scan_mail_header(q, options.variant);
    std::string what = where + " \"" + mail_heading(h.subject) + "\"";
    if (h.news) {
        ctx.skip_message(SkipReason::KindNotSelected, what + " (a news article)");
        return false;
    }
    if (h.multipart && h.boundary.empty()) {
        ctx.skip_message(SkipReason::Damaged, what + " (multipart without a boundary)");
        return false;
    }
    if (!target.import) {
        ctx.skip_message(
            ctx.settings().mail ? SkipReason::NotImported : SkipReason::KindNotSelected,
            what + " (" + target.why_not + ")");
        return false;
    }
    NHR r;
    r.INTERNAL = target.id;
    r.FOR_DESCRIPTION = ctx.owner_name();
    r.RECIPTYPE = "TO";
    r.MSGNUMBER = r.REFNUMBER = ctx.next_id();
    MailDate d = h.has_date ? parse_mail_date(h.date, options.date_rule) : MailDate{};
    if (options.variant == HeaderVariant::Eudora && !h.has_date && !q.empty())
        d = parse_separator_date(q[0].LINE);
    r.DATE = d.date;
    r.TIME = d.time;
    r.HEADING = mail_heading(h.subject);
    MailAddress from = split_mail_address(h.from), to = split_mail_address(h.to);
    r.S_CISADRESS = from.address;
    r.S_NAME = from.name;
    r.R_CISADRESS = to.address;
    r.R_NAME = to.name;
    set_direction(ctx, r, h, options.variant);
    r.MSGTEXT.text = body_text(q, h);
    return ctx.add_message(r, copy_recipients(h.copies, r.MSGNUMBER));
}

}  // namespace qs
