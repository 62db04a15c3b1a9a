// SPDX-License-Identifier: MIT
// What the mailbox readers share once the message parser has read a message: the splitting of a
// sender or receiver into address and name, the mail date, the direction of the mail and the
// hand-over of the message to the import processor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/mime/message_parser.h"
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
    std::string address;  // lower case, at most 60 bytes of UTF-8
    std::string name;     // as written, encoded words decoded, at most 60 bytes of UTF-8
};
// Splits a sender or receiver ("Name <address>", "address (Name)", ...) as the header has it,
// encoded words and 8-bit bytes not yet decoded; `unknown` (when given) receives the name of a
// character set that is not known.
MailAddress split_mail_address(std::string_view text, std::string* unknown = nullptr);

// The recipients of an address list ("To:", "Cc:"), split at the commas that stand outside
// quotes, angle brackets and parentheses; an empty item gives nothing.
std::vector<MailAddress> address_list(std::string_view list, std::string* unknown = nullptr);

// The longest prefix of UTF-8 text that a field of `width` bytes holds without cutting a
// character in two.
std::string fit(std::string_view text, size_t width);  // the first `width` characters

// The subject as it is stored: left-trimmed, without one leading "Re:".
std::string mail_heading(std::string_view subject);

// Whether a line (its first 50 characters are looked at) is a header line the mail programs
// write: 1 From, 2 Date, 3 To, 4 Subject, 5 Newsgroups, 6 Message-ID, 7 any other known one,
// 0 not a header line.
enum KnownHeader : int { kNotHeader = 0, kOtherHeader = 7 };
int known_header(std::string_view line);

enum class HeaderVariant { Mail, Eudora };

// The recipients of a "Cc:" text, and those of the "To:" list after its first (the receiver),
// become carbon copies of mail `mail_id` (kind "CC" and "TO"); one without an address gives none.
std::vector<CCT> copy_recipients(std::string_view copies, const std::vector<MailAddress>& to,
                                 uint32_t mail_id, std::string* unknown = nullptr);

struct MailOptions {
    HeaderVariant variant = HeaderVariant::Mail;
    DateRule date_rule = DateRule::Shape;
    // A message without a "Date:" header is dated by its separator, a Unix mailbox's envelope
    // line "From sender Fri Jul  8 12:08:34 2011".
    bool envelope_date = false;
};

// The mail database that receives the messages of a reader, found once per file.
struct MailTarget {
    uint32_t id = 0;
    bool import = false;
    std::string why_not;  // the reason mail is not imported, for the log
};
MailTarget find_mail_target(ParseContext& ctx);

// Hands one message over once the parser has read it: database, identifier, the header fields
// decoded, direction, text. `where` names the message in the log; `separator` is the line the
// message began with (Eudora dates sent mail by it). Returns true when the message was handed
// over; otherwise it was reported as skipped. `places` are the folder and marks the mail
// program kept the message under; the labels of its header are added to them.
bool hand_over_mail(ParseContext& ctx, const MailTarget& target, MessageParser& parser,
                    const MailOptions& options, const std::string& where,
                    std::string_view separator = {}, const std::vector<std::string>& places = {});

}  // namespace qs
