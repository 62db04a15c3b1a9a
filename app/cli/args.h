// SPDX-License-Identifier: MIT
// Command-line words: options with values (repeatable), flags and plain arguments.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace qs::cli {

// A mistake in the command line; the message is one line, and the exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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

private:
    std::vector<std::string> positional_;
    std::map<std::string, std::vector<std::string>> values_;
    std::set<std::string> flags_;
};

}  // namespace qs::cli
