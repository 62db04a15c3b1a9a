// SPDX-License-Identifier: MIT
#include "storage/persons.h"

#include <array>

#include "storage/file_access.h"

namespace qs {

namespace {

// Generation suffixes as typed, a small l standing in for a capital I.
constexpr std::array<std::string_view, 9> kSuffixes = {"I  ", "l  ", "II ", "ll ", "III",
                                                       "lll", "IV ", "lV ", "V  "};

bool is_suffix(std::string_view last) {
    std::string head(last.substr(0, std::min<size_t>(3, last.size())));
    head.resize(3, ' ');
    for (auto s : kSuffixes)
        if (head == s) return true;
    return false;
}

std::string cut(std::string_view s, size_t width) { return std::string(cut_chars(s, width)); }

}  // namespace

std::string person_string(std::string_view address, std::string_view name) {
    std::string s = upper_case(trim_right(name)) + " " + upper_case(address);
    return cut(s, decltype(Person::PERSONSTRING)::size());
}

void ParseName(std::string& last, std::string& first, std::string_view name, size_t last_width,
               size_t first_width) {
    std::string_view s = trim_right(name);
    size_t len = s.size();
    size_t k = 0;  // 1-based position of the last blank, from L down to 2
    for (size_t i = len; i >= 2; --i)
        if (s[i - 1] == ' ') {
            k = i;
            break;
        }
    if (len < 2 || k == 0) {
        last = cut(s, last_width);
        first.clear();
        return;
    }
    std::string_view l = s.substr(k), f = s.substr(0, k - 1);
    if (is_suffix(l)) {
        size_t j = 0;
        for (size_t i = k - 1; i >= 1; --i)
            if (s[i - 1] == ' ') {
                j = i;
                break;
            }
        if (j >= 2) {
            l = s.substr(j);
            f = s.substr(0, j - 1);
        } else {
            l = s;
            f = {};
        }
    }
    last = cut(l, last_width);
    first = cut(f, first_width);
}

uint8_t AddPers(Session& s, std::string_view address, std::string_view name) {
    std::string key = person_string(address, name);
    Person& p = s.rec.Person;
    p = Person{};
    p.PERSONSTRING = key;
    if (Get(s, kPerson, keys::StringKey)) return 0;
    PLINK& alias = s.rec.PLINK;
    alias = PLINK{};
    alias.PERSONSTRING = key;
    bool dangling = false;
    if (Get(s, kPLINK, 0)) {
        p = Person{};
        p.PERSONID = alias.PERSONID;
        if (Get(s, kPerson, keys::PersonKey)) return 0;
        dangling = true;
    }
    p = Person{};
    uint32_t id = NextNr(s);
    if (id == 0) {
        if (s.mem.DoTask != 2)
            s.dialog.message(file_info(kPerson)->name,
                             "A new person ID could not be generated \r\n"
                             "The last transaction is rolled back.");
        Rollback(s);
        return 1;
    }
    std::string last, first;
    ParseName(last, first, name);
    p.PERSONID = id;
    p.PERSONSTRING = key;
    p.ADDRESS = address;
    p.LASTNAME = last;
    p.FIRSTNAME = first;
    if (!UppDat(s, kPerson, kAdd, kRollback)) return 1;
    // A link that led to a person who no longer exists is dropped once the string has its own.
    if (dangling && !UppDat(s, kPLINK, kDelete, kRollback)) return 1;
    return 0;
}

}  // namespace qs
