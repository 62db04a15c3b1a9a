// SPDX-License-Identifier: MIT
// The "Find one or more Indexed Words" step: the typed words are checked, stop words dropped,
// and each remaining word looked up in the word list by the chosen kind of matching.
#pragma once

#include <string>
#include <vector>

#include "storage/session.h"
#include "wordindex/word_match.h"
#include "wordindex/word_scan.h"

namespace qs::words {

struct LookupRequest {
    std::string input;  // words separated by spaces
    MatchOptions match;
    bool phrase = false;
};

struct LookupOutcome {
    bool ok = false;                   // false after the reason was shown
    std::vector<std::string> words;    // the search words kept, upper case, in typed order
    std::vector<std::string> dropped;  // the stop words that were typed
    std::vector<FoundWord> found;      // the matching list words, each once, in list order
};

LookupOutcome find_indexed_words(Session& s, const LookupRequest& request,
                                 const ScanProgress& progress = {});

// True when the word is on the stop list (which is opened for the call).
bool is_stop_word(Session& s, const std::string& word);

}  // namespace qs::words
