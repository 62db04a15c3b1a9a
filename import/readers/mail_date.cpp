// SPDX-License-Identifier: MIT
// Mail dates as the mail programs write them: "Mon, 5 Jan 1998 10:00:30 +0100" (RFC 822 and
// 2822), "Monday, 05-Jan-98 10:00:30 GMT" (RFC 850), "Mon Jan  5 10:00:30 1998" (asctime, the
// Eudora separator line), "1998-01-05T10:00:30+01:00" (ISO 8601), "5 Jan 98 10:00",
// "Monday, January 5, 1998 10:00 PM", with English or German month names. A date with a zone is
// stored in the archive's local time (the process's TZ), so that mail sorts in the order it was
// sent; a date without one is taken as local time already.
#include <time.h>

#include <array>
#include <cctype>
#include <optional>

#include "import/readers/mail_header.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace qs {

namespace {

struct MonthName {
    std::string_view name;
    int month;
};
// Upper-case Windows-1252: 0xC4 is the A with diaeresis of the German March.
constexpr std::array<MonthName, 16> kMonths{{
    {"JAN", 1},
    {"FEB", 2},
    {"MAR", 3},
    {"M\xC4R", 3},
    {"APR", 4},
    {"MAY", 5},
    {"MAI", 5},
    {"JUN", 6},
    {"JUL", 7},
    {"AUG", 8},
    {"SEP", 9},
    {"OCT", 10},
    {"OKT", 10},
    {"NOV", 11},
    {"DEC", 12},
    {"DEZ", 12},
}};

struct ZoneName {
    std::string_view name;
    int minutes;  // east of UTC
};
// The zones of RFC 822 and the names European, Asian and Australian mail programs write.
constexpr ZoneName kZones[] = {
    {"UT", 0},      {"UTC", 0},     {"GMT", 0},    {"Z", 0},      {"EST", -300}, {"EDT", -240},
    {"CST", -360},  {"CDT", -300},  {"MST", -420}, {"MDT", -360}, {"PST", -480}, {"PDT", -420},
    {"AKST", -540}, {"AKDT", -480}, {"HST", -600}, {"WET", 0},    {"WEST", 60},  {"BST", 60},
    {"CET", 60},    {"MET", 60},    {"MEZ", 60},   {"CEST", 120}, {"MEST", 120}, {"MESZ", 120},
    {"EET", 120},   {"EEST", 180},  {"HKT", 480},  {"JST", 540},  {"KST", 540},  {"AEST", 600},
    {"AEDT", 660},  {"NZST", 720},  {"NZDT", 780},
};

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_letter(int c) { return std::isalpha(c) || c >= 0x80; }

// A zone name, or a military letter (A to Z but J): RFC 822 gave those the wrong signs, so
// they are read as UTC, as RFC 2822 says.
std::optional<int> zone_minutes(std::string_view word) {
    for (const ZoneName& z : kZones) {
        if (z.name == word) return z.minutes;
    }
    if (word.size() == 1 && word[0] != 'J') return 0;
    return std::nullopt;
}

// What the text says, before it is checked and moved to local time.
struct DateParts {
    int year = -1, year_digits = 0, month = 0, day = -1;
    bool has_time = false;
    int hour = 0, minute = 0, second = 0;
    std::optional<int> offset;  // "+0100", "-08:00"
    std::optional<int> named;   // "PST", "GMT", "Z"
};

// A left-to-right reader over the upper-cased date text.
class DateText {
public:
    explicit DateText(std::string_view s) : s_(s) {}
    int peek(size_t ahead = 0) const {
        return i_ + ahead < s_.size() ? static_cast<unsigned char>(s_[i_ + ahead]) : -1;
    }
    bool done() const { return i_ >= s_.size(); }
    void skip(size_t n = 1) { i_ += n; }
    // A number of at most `max` digits (more digits are passed over); -1 without any.
    int number(int* digits = nullptr, int max = 9) {
        int n = 0, k = 0;
        for (; is_digit(peek()); ++i_, ++k) {
            if (k < max) n = n * 10 + (peek() - '0');
        }
        if (digits) *digits = std::min(k, max);
        return k ? n : -1;
    }
    std::string_view word() {
        size_t from = i_;
        while (is_letter(peek())) ++i_;
        return s_.substr(from, i_ - from);
    }
    bool take(char c) {
        if (peek() != c) return false;
        ++i_;
        return true;
    }
    // A comment "(...)", nested ones included, to its end.
    void skip_comment() {
        for (int depth = 0; !done(); ++i_) {
            if (peek() == '(') ++depth;
            if (peek() == ')' && --depth == 0) {
                ++i_;
                return;
            }
        }
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

// "10:00:30", "10:00", "10:00:30.25"; the hour has been read.
void read_time(DateText& t, int hour, DateParts& p) {
    t.take(':');
    p.hour = hour;
    p.minute = t.number(nullptr, 2);
    p.second = t.take(':') ? t.number(nullptr, 2) : 0;
    if (t.take('.')) t.number();
    p.has_time = p.minute >= 0 && p.second >= 0;
}

// "+0100", "-08:00", "+01", "+1"; the sign has been read.
std::optional<int> read_offset(DateText& t, int sign) {
    int digits = 0;
    int v = t.number(&digits, 4);
    if (v < 0) return std::nullopt;
    int hours = digits <= 2 ? v : v / 100, minutes = digits <= 2 ? 0 : v % 100;
    if (digits <= 2 && t.take(':')) minutes = t.number(nullptr, 2);
    if (hours > 23 || minutes < 0 || minutes > 59) return std::nullopt;
    return sign * (hours * 60 + minutes);
}

// "10 PM": 22:00; "12 AM": midnight.
void twelve_hour(std::string_view word, DateParts& p) {
    if (!p.has_time || p.hour < 1 || p.hour > 12) return;
    if (word == "AM" && p.hour == 12) p.hour = 0;
    if (word == "PM" && p.hour < 12) p.hour += 12;
}

// A word of the text: the month, a zone after the time, AM or PM; a weekday and any other word
// ("Uhr") say nothing.
void read_word(std::string_view word, DateParts& p) {
    if (p.month == 0) {
        if (int m = month_number(word)) {
            p.month = m;
            return;
        }
    }
    if (word == "AM" || word == "PM") {
        twelve_hour(word, p);
    } else if (p.has_time && !p.named) {
        p.named = zone_minutes(word);
    }
}

// The numbers around the month: before it the day (or a year of three or four digits), after
// it the day when none came before, then the year.
void read_number(int value, int digits, DateParts& p) {
    bool year = p.month == 0 ? digits >= 3 : p.day >= 0;
    if (year && p.year < 0) {
        p.year = value, p.year_digits = digits;
    } else if (!year && (p.day < 0 || p.month == 0)) {
        p.day = value;
    }
}

// Every layout but ISO 8601: the parts are told apart by their kind and their order.
DateParts read_words_and_numbers(DateText& t, DateParts p) {
    while (!t.done()) {
        int c = t.peek();
        if (c == '(') {
            t.skip_comment();
        } else if ((c == '+' || c == '-') && p.has_time && is_digit(t.peek(1))) {
            t.skip();
            if (!p.offset) p.offset = read_offset(t, c == '+' ? 1 : -1);
        } else if (is_digit(c)) {
            int digits = 0;
            int v = t.number(&digits);
            if (t.peek() == ':' && digits <= 2 && !p.has_time) {
                read_time(t, v, p);
            } else {
                read_number(v, digits, p);
            }
        } else if (is_letter(c)) {
            std::string_view word = t.word();
            if ((word == "A" || word == "P") && t.peek() == '.' && t.peek(1) == 'M') {
                t.skip(t.peek(2) == '.' ? 3 : 2);  // "10 a.m."
                word = word == "A" ? "AM" : "PM";
            }
            read_word(word, p);
        } else {
            t.skip();  // blanks, commas, hyphens, slashes, dots
        }
    }
    return p;
}

// "1998-01-05", "19980105", then "T10:00:30", " 10:00", "T100030" and a zone.
std::optional<DateParts> read_iso(DateText& t) {
    DateParts p;
    int digits = 0;
    int v = t.number(&digits);
    if (digits == 8) {
        p.year = v / 10000, p.month = v / 100 % 100, p.day = v % 100;
    } else if (digits == 4 && t.take('-')) {
        p.year = v;
        p.month = t.number(nullptr, 2);
        if (!t.take('-')) return std::nullopt;
        p.day = t.number(nullptr, 2);
    } else {
        return std::nullopt;
    }
    p.year_digits = 4;
    if ((t.take('T') || t.take(' ')) && is_digit(t.peek())) {
        int hour_digits = 0;
        int h = t.number(&hour_digits, 6);
        if (hour_digits == 2 && t.peek() == ':') {
            read_time(t, h, p);
        } else if (hour_digits == 4 || hour_digits == 6) {
            int hhmmss = hour_digits == 4 ? h * 100 : h;
            p.hour = hhmmss / 10000, p.minute = hhmmss / 100 % 100, p.second = hhmmss % 100;
            p.has_time = true;
            if (t.take('.')) t.number();
        }
    }
    return read_words_and_numbers(t, p);
}

int full_year(int year, int digits) {
    if (year < 0) return -1;
    if (digits <= 2) return year + (year < 50 ? 2000 : 1900);  // RFC 2822's reading
    if (digits == 3) return year + 1900;                       // "100" was written for 2000
    return year;
}

// The parts as a record date and time: a zone moves them to local time.
MailDate finish(const DateParts& p) {
    MailDate d;
    int year = full_year(p.year, p.year_digits);
    d.date = date_from_ymd(year, p.month, p.day);
    bool time_ok = p.has_time && p.hour <= 23 && p.minute <= 59 && p.second <= 60;
    if (d.date == 0 || !time_ok) return d;
    int second = std::min(p.second, 59);  // a leap second
    std::optional<int> zone = p.offset ? p.offset : p.named;
    if (!zone) {
        d.time = time_from_hms(p.hour, p.minute, second);
        return d;
    }
    struct tm written = {};
    written.tm_year = year - 1900;
    written.tm_mon = p.month - 1;
    written.tm_mday = p.day;
    written.tm_hour = p.hour;
    written.tm_min = p.minute;
    written.tm_sec = second;
    time_t utc = timegm(&written) - static_cast<time_t>(*zone) * 60;
    struct tm local = {};
    if (localtime_r(&utc, &local) == nullptr) return MailDate{};
    d.date = date_from_ymd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    d.time = d.date ? time_from_hms(local.tm_hour, local.tm_min, local.tm_sec) : 0;
    return d;
}

// The German March as written in UTF-8 ("MÄR", "Mär") becomes its Windows-1252 spelling.
std::string month_letters(std::string_view name) {
    std::string s(name.substr(0, 4));
    if (s.size() == 4 && (s[0] == 'M' || s[0] == 'm') && s[1] == '\xC3' &&
        (s[2] == '\x84' || s[2] == '\xA4')) {
        return std::string("M\xC4") + s[3];
    }
    return s.substr(0, 3);
}

}  // namespace

int month_number(std::string_view name) {
    if (name.size() < 3) return 0;
    std::string three = upper1252(month_letters(name));
    for (const auto& m : kMonths)
        if (three == m.name) return m.month;
    return 0;
}

MailDate parse_mail_date(std::string_view text, DateRule /*rule*/) {
    std::string up = upper1252(text);
    DateText t(up);
    while (t.peek() == ' ' || t.peek() == '\t') t.skip();
    DateText iso = t;
    if (std::optional<DateParts> p = read_iso(iso)) return finish(*p);
    DateParts p = read_words_and_numbers(t, DateParts{});
    if (p.month == 0 || p.day < 1 || p.year < 0) return {};
    return finish(p);
}

MailDate parse_separator_date(std::string_view line) {
    constexpr std::string_view kSeparator = "From ???@???";
    if (line.size() <= kSeparator.size()) return {};
    return parse_mail_date(line.substr(kSeparator.size()), DateRule::Fixed);
}

}  // namespace qs
