// SPDX-License-Identifier: MIT
// The word-list scan: one sequential pass over the whole word list of the current database,
// testing every word against one or more search words.
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

// Reads the word list once and puts each word that matches matchers[i] into found[i]
// (found is resized to the number of matchers). Failed after the failure was reported.
ScanResult scan_word_list(Session& s, const std::vector<WordMatcher>& matchers,
                          std::vector<std::vector<FoundWord>>& found,
                          const ScanProgress& progress = {});

}  // namespace qs::words
