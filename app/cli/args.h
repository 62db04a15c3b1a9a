// SPDX-License-Identifier: MIT
// Command-line words: options with values (repeatable), flags and plain arguments, and the one
// way numbers are read from them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qs::cli {

// A mistake in the command line; the message is one line, and the exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a number on the command line may be: `what` names it in the error ("a count"), and the
// value must lie from `min` to `max`.
struct NumberRule {
    const char* what;
    int64_t min;
    int64_t max;
};

inline constexpr NumberRule kCount{"a count", 0, UINT32_MAX};
inline constexpr NumberRule kMessageNumber{"a message number", 1, UINT32_MAX};
inline constexpr NumberRule kDefinitionNumber{"the number of an import definition", 1, UINT32_MAX};

// The number that `word` writes: decimal digits only, the whole word (a minus sign only when the
// rule allows values below 0; no plus sign, blanks or anything after the digits), within the
// rule's range. Otherwise a UsageError naming `name` (the option or argument: "--limit",
// "NUMBER"), what it takes and the word given:
//   --limit must be a count (0 to 4294967295), not "2x"
int64_t parse_number(std::string_view word, std::string_view name, const NumberRule& rule);

class Args {
public:
    // `valued` lists the options that take a value, `flags` the ones that do not.
    Args(const std::vector<std::string>& words, const std::set<std::string>& valued,
         const std::set<std::string>& flags);

    const std::vector<std::string>& positional() const { return positional_; }
    // The n-th plain argument; UsageError naming `what` when it is missing.
    const std::string& need(size_t n, const std::string& what) const;
    void at_most(size_t n) const;  // UsageError when more plain arguments were given
    bool flag(const std::string& name) const { return flags_.count(name) > 0; }
    bool has(const std::string& name) const { return values_.count(name) > 0; }
    std::string value(const std::string& name, const std::string& fallback = {}) const;
    std::vector<std::string> values(const std::string& name) const;

    // The value of a number option by parse_number, or `fallback` when it was not given.
    int64_t number(const std::string& name, const NumberRule& rule, int64_t fallback) const;
    // The n-th plain argument (called `what`) as a number by parse_number.
    int64_t number_at(size_t n, const std::string& what, const NumberRule& rule) const;

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::vector<std::string>> values_;
    std::set<std::string> flags_;
};

}  // namespace qs::cli
