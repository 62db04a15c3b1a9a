// SPDX-License-Identifier: MIT
#include "app/cli/args.h"

#include <charconv>

namespace qs::cli {

int64_t parse_number(std::string_view word, std::string_view name, const NumberRule& rule) {
    int64_t n = 0;
    const char* end = word.data() + word.size();
    bool sign_allowed = rule.min < 0 || word.empty() || word[0] != '-';
    auto [at, error] = std::from_chars(word.data(), end, n);
    if (!sign_allowed || error != std::errc() || at != end || n < rule.min || n > rule.max)
        throw UsageError(std::string(name) + " must be " + rule.what + " (" +
                         std::to_string(rule.min) + " to " + std::to_string(rule.max) +
                         "), not \"" + std::string(word) + "\"");
    return n;
}

Args::Args(const std::vector<std::string>& words, const std::set<std::string>& valued,
           const std::set<std::string>& flags) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 2 || w[0] != '-' || w == "--") {
            if (w == "--") {
                positional_.insert(positional_.end(), words.begin() + static_cast<long>(i) + 1,
                                   words.end());
                break;
            }
            positional_.push_back(w);
            continue;
        }
        std::string name = w, inline_value;
        bool has_inline = false;
        if (auto eq = w.find('='); eq != std::string::npos) {
            name = w.substr(0, eq);
            inline_value = w.substr(eq + 1);
            has_inline = true;
        }
        if (valued.count(name)) {
            if (!has_inline && i + 1 >= words.size())
                throw UsageError("option " + name + " needs a value");
            values_[name].push_back(has_inline ? inline_value : words[++i]);
        } else if (flags.count(name) && !has_inline) {
            flags_.insert(name);
        } else {
            throw UsageError("unknown option " + w);
        }
    }
}

const std::string& Args::need(size_t n, const std::string& what) const {
    if (n >= positional_.size()) throw UsageError("missing " + what);
    return positional_[n];
}

void Args::at_most(size_t n) const {
    if (positional_.size() > n) throw UsageError("unexpected argument " + positional_[n]);
}

std::string Args::value(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
}

std::vector<std::string> Args::values(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>() : it->second;
}

int64_t Args::number(const std::string& name, const NumberRule& rule, int64_t fallback) const {
    return has(name) ? parse_number(value(name), name, rule) : fallback;
}

int64_t Args::number_at(size_t n, const std::string& what, const NumberRule& rule) const {
    return parse_number(need(n, what), what, rule);
}

}  // namespace qs::cli
