// SPDX-License-Identifier: MIT
// Mail dates as the mail programs write them: "Mon, 5 Jan 1998 10:00:30 +0100",
// "5 Jan 98 10:00", "05-Jan-1998 10:00:00", "Monday, January 5, 1998 10:00", with English or
// German month names. The time is kept as written; the zone is not applied.
#include <array>
#include <cctype>

#include "import/readers/mail_header.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace qs {

namespace {

struct MonthName {
    const char* name;
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

// Two-digit years: the mail of this archive was written between 1950 and 2049.
constexpr int kCenturyPivot = 50;

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_letter(int c) { return std::isalpha(c) || (c >= 0xC0 && c != 0xD7 && c != 0xF7); }

// A left-to-right reader over the upper-cased date text.
class DateText {
public:
    explicit DateText(std::string_view s) : s_(s) {}
    int peek() const { return i_ < s_.size() ? static_cast<unsigned char>(s_[i_]) : -1; }
    bool done() const { return i_ >= s_.size(); }
    void skip_blanks() {
        while (peek() == ' ' || peek() == '\t') ++i_;
    }
    // Blanks, hyphens, commas and dots between the parts of a date.
    void skip_separators() {
        while (peek() == ' ' || peek() == '\t' || peek() == '-' || peek() == ',' || peek() == '.')
            ++i_;
    }
    int number(int* digits = nullptr) {
        int n = 0, k = 0;
        while (is_digit(peek()) && k < 6) {
            n = n * 10 + (peek() - '0');
            ++i_;
            ++k;
        }
        if (digits) *digits = k;
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
    // Moves past the first comma; false when there is none.
    bool after_comma() {
        size_t c = s_.find(',', i_);
        if (c == std::string_view::npos) return false;
        i_ = c + 1;
        return true;
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

int full_year(int year, int digits) {
    if (year < 0) return -1;
    if (digits <= 2) return year + (year < kCenturyPivot ? 2000 : 1900);
    return year;
}

// "10:00:30", "10:00" (seconds 0) or nothing.
int32_t read_time(DateText& t) {
    t.skip_blanks();
    int h = t.number();
    if (h < 0 || !t.take(':')) return 0;
    int m = t.number();
    int s = 0;
    if (t.take(':')) s = t.number();
    if (m < 0 || s < 0 || h > 23 || m > 59 || s > 59) return 0;
    return time_from_hms(h, m, s);
}

MailDate finish(int year, int year_digits, int month, int day, DateText& t) {
    MailDate d;
    if (month == 0 || day < 1) return d;
    d.date = date_from_ymd(full_year(year, year_digits), month, day);
    if (d.date) d.time = read_time(t);
    return d;
}

// Day, month, year: "5 JAN 1998", "05-JAN-98".
MailDate day_month_year(DateText& t) {
    t.skip_blanks();
    int day = t.number();
    t.skip_separators();
    int month = month_number(t.word());
    t.skip_separators();
    int digits = 0;
    int year = t.number(&digits);
    return finish(year, digits, month, day, t);
}

// Month, day, year after a weekday: "JANUARY 5, 1998".
MailDate month_day_year(DateText& t) {
    t.skip_separators();
    int month = month_number(t.word());
    t.skip_separators();
    int day = t.number();
    t.skip_separators();
    int digits = 0;
    int year = t.number(&digits);
    return finish(year, digits, month, day, t);
}

}  // namespace

int month_number(std::string_view name) {
    if (name.size() < 3) return 0;
    std::string three = upper1252(name.substr(0, 3));
    for (const auto& m : kMonths)
        if (three == m.name) return m.month;
    return 0;
}

MailDate parse_mail_date(std::string_view text, DateRule rule) {
    std::string up = upper1252(text);
    DateText t(up);
    t.skip_blanks();
    if (is_digit(t.peek())) return day_month_year(t);
    // A weekday comes first; what follows its comma tells the layout.
    DateText probe = t;
    probe.word();
    probe.skip_blanks();
    if (!t.after_comma()) return {};
    if (probe.peek() != ',') return {};
    DateText after = t;
    after.skip_blanks();
    if (is_digit(after.peek())) return day_month_year(t);
    return rule == DateRule::Shape ? month_day_year(t) : MailDate{};
}

MailDate parse_separator_date(std::string_view line) {
    constexpr std::string_view kSeparator = "From ???@???";
    if (line.size() <= kSeparator.size()) return {};
    std::string up = upper1252(line.substr(kSeparator.size()));
    DateText t(up);
    t.skip_blanks();
    t.word();  // the weekday
    t.skip_blanks();
    int month = month_number(t.word());
    t.skip_blanks();
    int day = t.number();
    DateText at_time = t;
    int32_t time = read_time(at_time);
    t = at_time;
    t.skip_blanks();
    int digits = 0;
    int year = t.number(&digits);
    MailDate d;
    if (month == 0 || day < 1) return d;
    d.date = date_from_ymd(full_year(year, digits), month, day);
    if (d.date) d.time = time;
    return d;
}

}  // namespace qs
