// SPDX-License-Identifier: MIT
// Telling an envelope line from a body line that happens to begin with "From ".
#include "import/readers/mbox_envelope.h"

#include <array>
#include <cctype>

namespace qs {

namespace {

bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// "10:00" anywhere in the line.
bool has_time(std::string_view s) {
    for (size_t i = 0; i + 3 < s.size(); ++i)
        if (digit(s[i]) && s[i + 1] == ':' && digit(s[i + 2]) && digit(s[i + 3])) return true;
    return false;
}

// A word of four digits, as the year of an asctime date.
bool has_year(std::string_view s) {
    for (size_t i = 0; i + 4 <= s.size(); ++i) {
        const bool starts = i == 0 || s[i - 1] == ' ';
        const bool ends = i + 4 == s.size() || s[i + 4] == ' ';
        if (starts && ends && digit(s[i]) && digit(s[i + 1]) && digit(s[i + 2]) && digit(s[i + 3]))
            return true;
    }
    return false;
}

bool has_month(std::string_view s) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        " Jan ", " Feb ", " Mar ", " Apr ", " May ", " Jun ",
        " Jul ", " Aug ", " Sep ", " Oct ", " Nov ", " Dec "};
    for (auto m : kMonths)
        if (s.find(m) != std::string_view::npos) return true;
    return false;
}

}  // namespace

std::string_view first_line(std::string_view text, size_t reach) {
    text = text.substr(0, reach);
    size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

bool mbox_envelope(std::string_view line, bool after_blank) {
    if (!line.starts_with("From ")) return false;
    std::string_view rest = line.substr(5);
    if (has_time(rest) && has_month(rest) && has_year(rest)) return true;
    if (!after_blank) return false;
    size_t blank = rest.find_first_not_of(' ');
    if (blank == std::string_view::npos) return true;  // a bare "From "
    rest = rest.substr(blank);
    std::string_view sender = rest.substr(0, rest.find(' '));
    return sender == "-" || sender == "MAILER-DAEMON" ||
           sender.find('@') != std::string_view::npos || has_time(rest);
}

}  // namespace qs
