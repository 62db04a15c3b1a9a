// SPDX-License-Identifier: MIT
// What the mailbox readers share once a message's lines are in the queue: the header scan, the
// splitting of a sender or receiver into address and name, the mail date, the direction of the
// mail and the hand-over of the message to the import processor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/mime/line_queue.h"
#include "import/mime/mime.h"
#include "import/parser.h"

namespace qs {

// Fixed: weekday, comma, day, month, year, time, as Pegasus and Eudora write it. Shape: any of
// the layouts the other mail programs write. Both rules read every layout (RFC 822 and 2822,
// RFC 850, asctime, ISO 8601 and the older programs' own), so mail from any program is dated.
enum class DateRule { Fixed, Shape };

struct MailDate {
    int32_t date = 0;  // day number in local time, 0 when the text is not a date
    int32_t time = 0;  // local time; 0 without a time
};
// A date with a zone ("+0100", "PST", "Z") is moved to the archive's local time, the process's
// TZ (call tzset() after changing it); a date without one is taken as local time as written.
MailDate parse_mail_date(std::string_view text, DateRule rule);
// The date of a Eudora separator line, "From ???@??? Mon Jan 05 10:00:30 1998".
MailDate parse_separator_date(std::string_view line);
// 1 to 12 from the first three letters of an English or German month name (the German March
// in UTF-8 or Windows-1252), else 0.
int month_number(std::string_view name);

struct MailAddress {
    std::string address;  // lower case, at most 60 characters
    std::string name;     // as written, at most 60 characters
};
MailAddress split_mail_address(std::string_view text);

// The subject as it is stored: left-trimmed, without one leading "Re:".
std::string mail_heading(std::string_view subject);

// Whether a line (its first 50 characters are looked at) is a header line the mail programs
// write: 1 From, 2 Date, 3 To, 4 Subject, 5 Newsgroups, 6 Message-ID, 7 any other known one,
// 0 not a header line.
enum KnownHeader : int { kNotHeader = 0, kOtherHeader = 7 };
int known_header(std::string_view line);

enum class HeaderVariant { Mail, Eudora };

struct MailHeader {
    std::string from, to, date, subject;
    std::string copies;  // the "Cc:" texts, continuation lines joined, separated by commas
    bool has_date = false;
    bool news = false;       // a news article that found its way into a mailbox
    bool multipart = false;  // multipart, the boundary to be found
    std::string boundary;
    BodyKind kind = kPlainBody;
    size_t body = 0;  // the queue entry of the first body line (q.size() when none)
};
MailHeader scan_mail_header(const LineQueue& q, HeaderVariant variant);

// The recipients of a "Cc:" text, split at the commas that stand outside quotes, angle brackets
// and parentheses; each with an address becomes a carbon copy of mail `mail_id`.
std::vector<CCT> copy_recipients(std::string_view copies, uint32_t mail_id);

struct MailOptions {
    HeaderVariant variant = HeaderVariant::Mail;
    DateRule date_rule = DateRule::Shape;
};

// The mail database that receives the messages of a reader, found once per file.
struct MailTarget {
    uint32_t id = 0;
    bool import = false;
    std::string why_not;  // the reason mail is not imported, for the log
};
MailTarget find_mail_target(ParseContext& ctx);

// Hands one message over: header scan, database, identifier, direction, body conversion. The
// queue's lines may be marked by the part selection. `where` names the message in the log.
// Returns true when the message was handed over; otherwise it was reported as skipped.
bool hand_over_mail(ParseContext& ctx, const MailTarget& target, LineQueue& q,
                    const MailOptions& options, const std::string& where);

}  // namespace qs
