// SPDX-License-Identifier: MIT
#include "wordindex/word_match.h"

#include "platform/unicode.h"

namespace qs::words {

namespace {
constexpr std::string_view kDigits = "01230120022455012623010202";
}

std::string soundex_code(std::string_view word) {
    if (word.empty()) return {};
    // Accented Latin letters count as the letters they are built on; other scripts have no code.
    std::string letters;
    if (!is_ascii(word)) {
        if (!latin_letters(word, letters)) return {};
        word = letters;
    }
    for (char c : word)
        if (c < 'A' || c > 'Z') return {};
    std::string code(1, word[0]);
    char last = 0;  // the first letter's own digit is not remembered
    for (size_t i = 1; i < word.size(); ++i) {
        char d = kDigits[static_cast<size_t>(word[i] - 'A')];
        if (d != '0' && d != last) {
            code += d;
            last = d;
        }
    }
    return code;
}

}  // namespace qs::words
