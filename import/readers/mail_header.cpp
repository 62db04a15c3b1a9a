// SPDX-License-Identifier: MIT
// The address splitter, the known-header test of the mailbox readers, and the hand-over of a
// message read by the message parser to the import processor.
#include "import/readers/mail_header.h"

#include <algorithm>

#include "import/mime/charset.h"
#include "import/mime/header_text.h"
#include "import/readers/mail_places.h"
#include "platform/text.h"
#include "platform/unicode.h"
#include "storage/files.h"

namespace qs {

namespace {

constexpr size_t kAddressWidth = decltype(NHR::S_CISADRESS)::size();
constexpr size_t kNameWidth = decltype(NHR::S_NAME)::size();
constexpr size_t kHeadingWidth = decltype(NHR::HEADING)::size();
// A carbon-copy name is kept to the width of its record field.
constexpr size_t kCopyNameWidth = decltype(CCT::R_NAME)::size();

std::string_view trim_left(std::string_view s) {
    size_t k = s.find_first_not_of(" \t");
    return k == std::string_view::npos ? std::string_view() : s.substr(k);
}

std::string_view trim(std::string_view s) { return trim_right(trim_left(s)); }

bool starts(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string_view without_pair(std::string_view name, char open, char close) {
    if (name.size() >= 2 && name.front() == open && name.back() == close)
        name = name.substr(1, name.size() - 2);
    return name;
}

std::string without_pairs(std::string_view name) {
    return std::string(without_pair(without_pair(name, '"', '"'), '(', ')'));
}

// Addresses are compared in lower case; letters beyond ASCII are left as they are.
std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Calls `take` with each item of an address list: the commas inside quotes, angle brackets
// and parentheses do not split it.
template <class Take>
void each_address(std::string_view list, Take&& take) {
    bool quoted = false;
    int angle = 0, paren = 0;
    size_t from = 0;
    for (size_t k = 0; k < list.size(); ++k) {
        const char c = list[k];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '<') ++angle;
        if (c == '>' && angle > 0) --angle;
        if (c == '(') ++paren;
        if (c == ')' && paren > 0) --paren;
        if (c == ',' && angle == 0 && paren == 0) {
            take(list.substr(from, k - from));
            from = k + 1;
        }
    }
    take(list.substr(from));
}

void set_direction(ParseContext& ctx, NHR& r, bool has_date, HeaderVariant variant) {
    const std::string& own = ctx.owner_address();
    bool sent;
    if (variant == HeaderVariant::Eudora) {
        sent = !has_date;  // Eudora writes no Date header into the mail it sent
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
    const std::string up = ascii_upper(line.substr(0, kKnownWidth));
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

MailAddress split_mail_address(std::string_view text, std::string* unknown) {
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
    // Quotes and parentheses around a name come off before its encoded words are decoded and
    // again after (a decoded name may bring its own).
    name = without_pairs(decode_header_text(without_pairs(name), unknown));
    std::string decoded_address;
    append_utf8_or_1252(decoded_address, lower_ascii(trim(address)));
    out.address = fit(decoded_address, kAddressWidth);
    out.name = fit(trim(name), kNameWidth);
    return out;
}

std::vector<MailAddress> address_list(std::string_view list, std::string* unknown) {
    std::vector<MailAddress> out;
    each_address(list, [&](std::string_view one) {
        if (trim(one).empty()) return;
        out.push_back(split_mail_address(one, unknown));
    });
    return out;
}

// The first `width` characters: the record fields count characters.
std::string fit(std::string_view text, size_t width) { return std::string(cut_chars(text, width)); }

std::string mail_heading(std::string_view subject) {
    std::string_view s = trim_left(subject);
    if (s.size() >= 3 && ascii_upper(s.substr(0, 3)) == "RE:") s = trim_left(s.substr(3));
    return std::string(s);
}

std::vector<CCT> copy_recipients(std::string_view copies, const std::vector<MailAddress>& to,
                                 uint32_t mail_id, std::string* unknown) {
    std::vector<CCT> out;
    auto add = [&](const MailAddress& a, const char* kind) {
        if (a.address.empty()) return;
        CCT c;
        c.MAILID = mail_id;
        c.R_CISADRESS = a.address;
        c.R_NAME = fit(a.name, kCopyNameWidth);
        c.RECIPTYPE = kind;
        out.push_back(c);
    };
    for (size_t k = 1; k < to.size(); ++k) add(to[k], "TO");
    for (const MailAddress& a : address_list(copies, unknown)) add(a, "CC");
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

namespace {

void log_notes(ParseContext& ctx, const std::string& what, const std::vector<std::string>& notes,
               const std::string& unknown) {
    for (const std::string& n : notes) ctx.note(what + ": " + n);
    if (unknown.empty()) return;
    const std::string header_note = unknown_charset_note(unknown);
    if (std::find(notes.begin(), notes.end(), header_note) == notes.end())
        ctx.note(what + ": " + header_note);
}

}  // namespace

bool hand_over_mail(ParseContext& ctx, const MailTarget& target, MessageParser& parser,
                    const MailOptions& options, const std::string& where,
                    std::string_view separator, const std::vector<std::string>& places) {
    std::string text = parser.finish();
    const HeaderFields& h = parser.header();
    std::string unknown;
    // The whole subject; the record's field holds its start.
    const std::string subject = mail_heading(decode_header_text(h.subject, &unknown));
    const std::string what = where + " \"" + fit(subject, kHeadingWidth) + "\"";
    if (options.variant == HeaderVariant::Mail && h.has_newsgroups) {
        ctx.skip_message(SkipReason::KindNotSelected, what + " (a news article)");
        return false;
    }
    if (!target.import) {
        ctx.skip_message(
            ctx.settings().mail ? SkipReason::NotImported : SkipReason::KindNotSelected,
            what + " (" + target.why_not + ")");
        return false;
    }
    if (parser.attachments_lost()) {
        ctx.skip_message(SkipReason::Damaged, what + " (an attachment could not be kept)");
        return false;
    }
    NHR r;
    r.INTERNAL = target.id;
    r.FOR_DESCRIPTION = ctx.owner_name();
    r.RECIPTYPE = "TO";
    r.MSGNUMBER = r.REFNUMBER = ctx.next_id();
    MailDate d = h.has_date ? parse_mail_date(h.date, options.date_rule) : MailDate{};
    if (options.variant == HeaderVariant::Eudora && !h.has_date)
        d = parse_separator_date(separator);
    if (options.envelope_date && !h.has_date && separator.starts_with("From ")) {
        std::string_view date = separator.substr(5);
        date.remove_prefix(std::min(date.size(), date.find(' ', date.find_first_not_of(' '))));
        d = parse_mail_date(date, DateRule::Shape);
    }
    r.DATE = d.date;
    r.TIME = d.time;
    r.HEADING = fit(subject, kHeadingWidth);
    if (char_count(subject) > kHeadingWidth) r.LONGHEADING = subject;  // kept whole with the text
    const MailAddress from = split_mail_address(h.from, &unknown);
    const std::vector<MailAddress> to = address_list(h.to, &unknown);
    r.S_CISADRESS = from.address;
    r.S_NAME = from.name;
    if (!to.empty()) {
        r.R_CISADRESS = to.front().address;
        r.R_NAME = to.front().name;
    }
    set_direction(ctx, r, h.has_date, options.variant);
    std::vector<CCT> copies = copy_recipients(h.cc, to, r.MSGNUMBER, &unknown);
    log_notes(ctx, what, parser.notes(), unknown);
    r.MSGTEXT.text = std::move(text);
    if (!places.empty() || !h.labels.empty()) {
        std::vector<std::string> all = places;
        for (std::string& label : mail_labels(h.labels)) all.push_back(std::move(label));
        r.PLACES = join_places(all);
    }
    return ctx.add_message(r, copies);
}

}  // namespace qs
