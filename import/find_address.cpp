// SPDX-License-Identifier: MIT
// FindCISAdress: splits the sender or receiver text of a message into address and name. Forum
// texts end in a user number ("John Smith 12345,678"), mail texts in an address, which may come
// through the CompuServe gateway ("CSINET:") or carry a mail system's prefix ("INTERNET:").
//
// The rules address the text by 1-based positions; OneBased keeps them literal and reads nothing
// outside the text, so a rule at either edge cannot run past it.
#include <algorithm>
#include <optional>

#include "import/address.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace qs {
namespace {

constexpr char kBar = '\xB3';  // the DOS vertical line, which sets a name off like a blank

struct Split {
    std::string address;
    std::string name;
};

class OneBased {
public:
    explicit OneBased(std::string_view s) : s_(s) {}
    size_t length() const { return s_.size(); }
    std::string_view view() const { return s_; }
    char at(size_t i) const { return i >= 1 && i <= s_.size() ? s_[i - 1] : '\0'; }
    void put(size_t i, char c) { s_.at(i - 1) = c; }
    void erase(size_t i) { s_.erase(i - 1, 1); }
    // Positions a to b; empty when a > b.
    std::string from_to(size_t a, size_t b) const {
        a = std::max<size_t>(a, 1);
        b = std::min(b, s_.size());
        return a > b ? std::string() : s_.substr(a - 1, b - a + 1);
    }

private:
    std::string s_;
};

// A bar is a byte 0xB3 of its own. In UTF-8 the same byte ends letters such as "ó" (C3 B3),
// which belong to the name: taken for a bar they would be cut in half.
bool bar_at(std::string_view s, size_t i) {
    return s[i] == kBar && (i == 0 || static_cast<unsigned char>(s[i - 1]) < 0x80);
}
bool blank_or_bar_at(std::string_view s, size_t i) { return s[i] == ' ' || bar_at(s, i); }
bool mark_at(std::string_view s, size_t i) { return s[i] == '>' || blank_or_bar_at(s, i); }

// An optionally signed whole number in base ten, blanks allowed around it.
bool is_number(std::string_view s) {
    size_t k = s.find_first_not_of(' ');
    if (k == std::string_view::npos) return false;
    if (s[k] == '+' || s[k] == '-') ++k;
    const size_t digits = k;
    while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k;
    return k > digits && s.find_first_not_of(' ', k) == std::string_view::npos;
}

// The last blank or bar from `from` down to `down_to`; 0 when there is none.
size_t last_blank_or_bar(const OneBased& s, size_t from, size_t down_to) {
    for (size_t j = from; j >= down_to && j >= 1; --j)
        if (blank_or_bar_at(s.view(), j - 1)) return j;
    return 0;
}

// A ">" or a bar after a name is how readers set it off from the address that follows.
std::string without_trailing_marks(std::string name) {
    while (!name.empty() && mark_at(name, name.size() - 1)) name.pop_back();
    return name;
}

// "INTERNET:jane@example.org": the mail system's prefix goes, unless nothing follows it.
void drop_system_prefix(std::string& address) {
    size_t colon = address.find(':');
    if (colon != std::string::npos && colon + 1 < address.size()) address.erase(0, colon + 1);
}

// A mail-style split of a text that ends in an address.
Split cleaned(std::string address, std::string name) {
    drop_system_prefix(address);
    return {std::move(address), without_trailing_marks(std::move(name))};
}

// "Joe Bloggs CSINET:12345.678@compuserve.com": the gateway's address, cut to the part before
// the "@" that names the user.
std::optional<Split> gateway(const OneBased& s) {
    const size_t p = AISINB(true, s.view(), "CSINET");
    if (p == 0) return std::nullopt;
    const size_t start = s.at(p + 6) == ':' ? p + 7 : p + 6;
    Split r{s.from_to(start, s.length()), s.from_to(1, p - 1)};
    const size_t used = trim_right(r.address).size();
    const size_t at = r.address.find('@', 1);
    if (used >= 5 && at != std::string::npos && at < used) r.address.resize(at);
    return r;
}

// The last "," or "." that can separate the two halves of a user number: never the first
// character and never one of the last two.
size_t last_separator(const OneBased& s) {
    if (s.length() < 4) return 0;
    for (size_t i = s.length() - 2; i >= 2; --i)
        if (s.at(i) == ',' || s.at(i) == '.') return i;
    return 0;
}

// A text that ends in a user number, with the separator at i. Nothing when it is not one; the
// text then goes on to the fallback as far as `end`. The number is written as it is stored,
// "12345.678" and "12345, 678" as "12345,678", before the part in front of it is looked at.
std::optional<Split> user_number(OneBased& s, size_t i, size_t& end) {
    end = s.length();
    size_t b = 0;
    if (s.at(end) == ']') {
        --end;
        b = 1;
    }
    if (end < i + 1 || !is_number(s.from_to(i + 1, end))) return std::nullopt;
    s.put(i, ',');
    if (i + 2 < end && s.at(i + 1) == ' ') {
        s.erase(i + 1);
        --end;
    }
    const size_t j = last_blank_or_bar(s, i, 1);
    if (!is_number(s.from_to(j + 1 + b, i - 1))) return std::nullopt;
    Split r{s.from_to(j + 1 + b, end), j > 1 ? s.from_to(1, j - 1) : std::string()};
    // A name made only of marks is all there is to show, so it is kept as it stands.
    std::string trimmed = without_trailing_marks(r.name);
    if (!trimmed.empty()) r.name = std::move(trimmed);
    return r;
}

// A mail-style text without a separator: the last word is the address.
Split last_word(const OneBased& s) {
    const size_t length = s.length();
    const size_t j = length >= 3 ? last_blank_or_bar(s, length, 2) : 0;
    if (j == 0) return {s.from_to(1, length), {}};
    std::string address = s.from_to(j == length ? 1 : j + 1, length);
    return cleaned(std::move(address), s.from_to(1, j - 1));
}

// Texts that are not what their mode expects. A mail text that only looked like a user number
// ("Jane Doe >INTERNET:jane@example.org" has a ".") is split and cleaned as any mail text.
Split fallback(uint8_t mode, const OneBased& s, size_t length, std::string_view input) {
    if (mode != 2) return {{}, std::string(input)};
    const size_t j = last_blank_or_bar(s, length, 1);
    if (j > 1) return cleaned(s.from_to(j + 1, length), s.from_to(1, j - 1));
    return {std::string(input), {}};
}

Split split(uint8_t mode, std::string_view text) {
    OneBased s(trim_right(text));
    if (mode == 2) {
        if (auto r = gateway(s)) return *r;
    }
    if (size_t i = last_separator(s)) {
        size_t end = 0;
        if (auto r = user_number(s, i, end)) return *r;
        return fallback(mode, s, end, text);
    }
    if (mode == 2) return last_word(s);
    return fallback(mode, s, s.length(), text);
}

// The first `width` characters, as the record fields count them.
std::string fit(std::string_view s, size_t width) {
    return std::string(trim_right(cut_chars(s, width)));
}

}  // namespace

void FindCISAdress(uint8_t mode, std::string& address, std::string& name, std::string_view text,
                   size_t address_width, size_t name_width) {
    Split r = split(mode, text);
    address = fit(r.address, address_width);
    name = fit(r.name, name_width);
}

}  // namespace qs
