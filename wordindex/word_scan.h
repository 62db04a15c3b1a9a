// SPDX-License-Identifier: MIT
// The word-list scan: the words of the current database's word list tested against one or more
// search words. Whole words are looked up by key; when every search word is anchored at its start
// (or is a soundex code) only the key ranges that can hold its matches are read; otherwise one
// sequential pass reads the whole list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/session.h"
#include "wordindex/word_match.h"

namespace qs::words {

// A word of the list that matched: its text, identifier, message count and record position.
struct FoundWord {
    std::string word;
    int32_t id = 0;
    int32_t count = 0;
    int64_t position = 0;
};

// Progress in percent of the records read; returning false stops the scan.
using ScanProgress = std::function<bool(int percent)>;

enum class ScanResult { Done, Stopped, Failed };

// Puts each word of the list that matches matchers[i] into found[i], in list order (found is
// resized to the number of matchers). Progress is told during a whole pass only. Failed after the
// failure was reported.
ScanResult scan_word_list(Session& s, const std::vector<WordMatcher>& matchers,
                          std::vector<std::vector<FoundWord>>& found,
                          const ScanProgress& progress = {});

}  // namespace qs::words
