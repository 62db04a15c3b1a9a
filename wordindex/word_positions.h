// SPDX-License-Identifier: MIT
// Where search words stand in a message text, for highlighting them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordindex/tokenizer.h"

namespace qs::words {

// Empties `positions`, then adds the first and last position (1-based) of every word of the
// text's first `length` characters (trailing blanks ignored) that equals `word`, upper-cased.
void BUILDWORDPOSQ(const WordRules& rules, std::vector<WordPos>& positions, size_t length,
                   std::string_view text, std::string_view word);

// The same for several words: a word of the text counts when it equals any of them.
void BUILDWORDPOSQ1(const WordRules& rules, std::vector<WordPos>& positions, size_t length,
                    std::string_view text, const std::vector<std::string>& words);

}  // namespace qs::words
