// SPDX-License-Identifier: MIT
// The capture formats by name, their lines, their dates and the "#:" header of a forum message:
//
//   #: 26537 S13/OS/2 Developer Mag.          number, section number and name
//       19-Dec-93  14:46:37                   date and time
//   Sb: #26252-Possible article               subject, with the number of the message answered
//   Fm: Shmuel Metz 71054,3066                sender and CompuServe user number
//   To: Dick Conklin 76711,1005               receiver
//   (text)
//
// OzWin writes the forum's name in parentheses at the end of the "#:" line and OzWin II the
// number answered after "Par:" on it.
#include <algorithm>
#include <array>
#include <cctype>

#include "import/mime/charset.h"
#include "import/readers/capture.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {

namespace {

constexpr uint32_t kNumberLimit = 9000000;  // forum message numbers lie below this
constexpr uint32_t kReplyReach = 30000;     // a reply is at most this far from its parent
constexpr size_t kNumberEnd = 15;           // the number ends by the fifteenth character
constexpr size_t kSectionWidth = 30;        // characters of the section examined
constexpr size_t kParReach = 40;            // "Par:" stands within the first 40 characters
constexpr size_t kParWidth = 8;

bool digit(char c) { return c >= '0' && c <= '9'; }

std::string_view skip_blanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

std::string trimmed(std::string_view s) { return std::string(trim_right(skip_blanks(s))); }

// All digits, at most eight of them, and not empty.
std::optional<uint32_t> number_of(std::string_view s) {
    if (s.empty() || s.size() > 8 || !std::all_of(s.begin(), s.end(), digit)) return std::nullopt;
    uint32_t n = 0;
    for (char c : s) n = n * 10 + static_cast<uint32_t>(c - '0');
    return n;
}

// A reply-to number counts when it names an earlier message not too far back.
uint32_t valid_reply(std::optional<uint32_t> ref, uint32_t number) {
    if (!ref || *ref == 0 || *ref > number || number - *ref > kReplyReach) return 0;
    return *ref;
}

bool has_label(const std::vector<std::string>& lines, size_t i, std::string_view label) {
    return i < lines.size() && lines[i].starts_with(label);
}

std::string_view value_after(const std::string& line, size_t label) {
    return skip_blanks(std::string_view(line).substr(std::min(label, line.size())));
}

// Names and subjects of TAPCIS 5.x may end in its "@b" marker; others lose "(X)" at their end.
std::string clean_value(CaptureFormat f, std::string_view v, bool person) {
    std::string s = trimmed(v);
    if (f == CaptureFormat::Tapcis5 && s.ends_with("@b")) s = trimmed(s.substr(0, s.size() - 2));
    if (person && s.ends_with("(X)")) s = trimmed(s.substr(0, s.size() - 3));
    return s;
}

constexpr std::array<std::string_view, 12> kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

int month_of(std::string_view s) {
    const std::string u = ascii_upper(s.substr(0, 3));
    for (size_t m = 0; m < kMonths.size(); ++m)
        if (u == kMonths[m]) return static_cast<int>(m) + 1;
    return 0;
}

// Two digits of a year: the captures were written from the 1980s on.
int full_year(int yy) { return yy < 70 ? 2000 + yy : 1900 + yy; }

int32_t capture_time(std::string_view s) {
    s = skip_blanks(s);
    int part[3] = {0, 0, 0};
    size_t n = 0, at = 0;
    for (; n < 3; ++n) {
        size_t digits = 0;
        for (; at < s.size() && digit(s[at]) && digits < 2; ++at, ++digits)
            part[n] = part[n] * 10 + (s[at] - '0');
        if (digits == 0) break;
        if (at >= s.size() || s[at] != ':') {
            ++n;
            break;
        }
        ++at;
    }
    if (n < 2 || part[0] > 23 || part[1] > 59 || part[2] > 59) return 0;
    return ((part[0] * 60 + part[1]) * 60 + part[2]) * 100 + 1;
}

}  // namespace

std::optional<CaptureFormat> capture_format(std::string_view name) {
    struct Named {
        std::string_view name;
        CaptureFormat format;
    };
    static constexpr Named kNames[] = {
        {"OzWin I", CaptureFormat::OzWin1},
        {"OzWin II", CaptureFormat::OzWin2},
        {"OzCIS", CaptureFormat::OzCis},
        {"TAPCIS 5.x", CaptureFormat::Tapcis5},
        {"TAPCIS 6.x", CaptureFormat::Tapcis6},
        {"AUTOSIG", CaptureFormat::Autosig},
        {"GoldenCompass", CaptureFormat::GoldenCompass},
        {"NavCIS Save format", CaptureFormat::NavCis},
    };
    for (const Named& n : kNames)
        if (n.name == name) return n.format;
    return std::nullopt;
}

std::string capture_line(CaptureFormat f, std::string_view raw) {
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    raw = raw.substr(0, kCaptureLineKeep);
    if (f == CaptureFormat::GoldenCompass) {
        // Its line markers stand at either end of a line, never inside one (an address such as
        // "x@bix.com" keeps its "@b").
        auto marker = [](std::string_view s) {
            return s.size() >= 2 && s[0] == '@' && (s[1] == 'b' || s[1] == 'l');
        };
        while (marker(raw)) raw.remove_prefix(2);
        while (raw.size() >= 2 && marker(raw.substr(raw.size() - 2))) raw.remove_suffix(2);
        while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    }
    std::string bytes(raw);
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');  // a NUL would end the text elsewhere
    const bool dos = f == CaptureFormat::OzCis || f == CaptureFormat::Tapcis5 ||
                     f == CaptureFormat::Tapcis6 || f == CaptureFormat::Autosig;
    return dos ? dos_capture_to_utf8(bytes) : text_from_input(bytes);
}

int32_t capture_date(std::string_view s, bool strict, int32_t* time) {
    if (time) *time = 0;
    if (!strict) s = skip_blanks(s);
    size_t day_digits = 0;
    while (day_digits < s.size() && day_digits < 2 && digit(s[day_digits])) ++day_digits;
    if (day_digits == 0 || (strict && day_digits != 2)) return 0;
    const size_t m = day_digits + 1;
    if (s.size() < m + 6 || s[day_digits] != '-' || s[m + 3] != '-' || !digit(s[m + 4]) ||
        !digit(s[m + 5]))
        return 0;
    const int day = day_digits == 2 ? (s[0] - '0') * 10 + (s[1] - '0') : s[0] - '0';
    const int month = month_of(s.substr(m, 3));
    const int year = full_year((s[m + 4] - '0') * 10 + (s[m + 5] - '0'));
    const int32_t date = month ? date_from_ymd(year, month, day) : 0;
    if (date && time) *time = capture_time(s.substr(m + 6));
    return date;
}

namespace {

// After the number: "S13/OS/2 Developer Mag.", for OzWin with "(FORUM)" at the end of the line
// and for OzWin II "Par: 26252" on it.
void read_section(CaptureFormat f, std::string_view line0, std::string_view section,
                  CaptureHeader& h) {
    if (f == CaptureFormat::OzWin1 || f == CaptureFormat::OzWin2) {
        const size_t close = section.rfind(')');
        const size_t open = close == std::string_view::npos ? close : section.rfind('(', close);
        if (open != std::string_view::npos) {
            h.forum = trimmed(section.substr(open + 1, close - open - 1));
            section = section.substr(0, open);
        }
    }
    if (f == CaptureFormat::OzWin2) {
        const size_t par = line0.substr(0, kParReach).find("Par:");
        if (par != std::string_view::npos) {
            h.ref = valid_reply(number_of(trimmed(line0.substr(par + 4, kParWidth))), h.number);
            section = section.substr(0, section.find("Par:"));
        }
    }
    section = section.substr(0, utf8_prefix_chars(section, kSectionWidth));
    if (section.empty() || (section[0] != 'S' && section[0] != 's')) return;
    const size_t slash = section.find('/');
    if (slash == std::string_view::npos) return;
    h.section = number_of(section.substr(1, slash - 1)).value_or(0);
    h.section_name = trimmed(section.substr(slash + 1));
}

// "#26252-Possible article": the number answered, when it is a valid one, and the subject.
void read_subject(std::string subject, CaptureHeader& h) {
    if (subject.starts_with("#")) {
        const size_t stop = std::min(subject.find('-'), subject.find(' '));
        const uint32_t ref =
            valid_reply(number_of(std::string_view(subject).substr(1, stop - 1)), h.number);
        if (ref && stop != std::string::npos) {
            subject = trimmed(std::string_view(subject).substr(stop + 1));
            if (!h.ref) h.ref = ref;
        }
    }
    h.subject = std::move(subject);
}

}  // namespace

CaptureHeader read_forum_header(CaptureFormat f, const std::vector<std::string>& lines) {
    CaptureHeader h;
    if (lines.size() < 5 || !has_label(lines, 2, "Sb:") || !has_label(lines, 3, "Fm:") ||
        !has_label(lines, 4, "To:")) {
        h.why = "the header is cut short or its lines are missing";
        return h;
    }
    const std::string_view line0 = lines[0];
    const std::string_view rest = skip_blanks(line0.substr(2));
    const size_t end = std::min({rest.find(' '), rest.size(), kNumberEnd});
    const std::optional<uint32_t> number = number_of(rest.substr(0, end));
    if (!number || *number == 0 || *number >= kNumberLimit) {
        const std::string_view shown = rest.substr(0, utf8_prefix_bytes(rest, end));
        h.why = "its message number \"" + std::string(shown) + "\" is not valid";
        return h;
    }
    h.number = *number;
    read_section(f, line0, skip_blanks(rest.substr(end)), h);
    h.date = capture_date(lines[1], f == CaptureFormat::Tapcis5, &h.time);
    read_subject(clean_value(f, value_after(lines[2], 3), false), h);
    h.from = clean_value(f, value_after(lines[3], 3), true);
    h.to = clean_value(f, value_after(lines[4], 3), true);
    h.text_from = 5;
    return h;
}

}  // namespace qs
