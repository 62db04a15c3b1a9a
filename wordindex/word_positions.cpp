// SPDX-License-Identifier: MIT
#include "wordindex/word_positions.h"

#include <algorithm>

#include "platform/text.h"

namespace qs::words {

namespace {

template <class Wanted>
void collect(const WordRules& rules, std::vector<WordPos>& positions, size_t length,
             std::string_view text, Wanted&& wanted) {
    positions.clear();
    std::string_view part = trim_right(text.substr(0, std::min(length, text.size())));
    Tokenizer t(rules, part);
    Word w;
    while (t.next(w)) {
        if (!wanted(w.text)) continue;
        positions.push_back(
            {static_cast<int32_t>(w.first), static_cast<int32_t>(w.first + w.length - 1)});
    }
}

std::string search_form(std::string_view word) { return indexed_form(word); }

}  // namespace

void BUILDWORDPOSQ(const WordRules& rules, std::vector<WordPos>& positions, size_t length,
                   std::string_view text, std::string_view word) {
    std::string wanted = search_form(word);
    collect(rules, positions, length, text, [&](const std::string& w) { return w == wanted; });
}

void BUILDWORDPOSQ1(const WordRules& rules, std::vector<WordPos>& positions, size_t length,
                    std::string_view text, const std::vector<std::string>& words) {
    std::vector<std::string> wanted;
    for (const auto& w : words) wanted.push_back(search_form(w));
    collect(rules, positions, length, text, [&](const std::string& w) {
        return std::find(wanted.begin(), wanted.end(), w) != wanted.end();
    });
}

}  // namespace qs::words
