// SPDX-License-Identifier: MIT
// A search expression from typed words: each input is looked up in the word list of the current
// database, and the words found fill the AND and OR lists and the phrase that the search engine
// evaluates. The command line and the search window both build their searches here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "storage/session.h"
#include "wordindex/phrase.h"
#include "wordindex/search_lists.h"
#include "wordindex/word_lookup.h"

namespace qs::words {

// What the user typed. Every input is one or more words separated by spaces, looked up by
// `match`; the phrase, when there is one, is looked up whole-word, as a phrase.
struct SearchInput {
    std::vector<std::string> all;   // each must be in every hit
    std::vector<std::string> any;   // a hit holds at least one of them
    std::vector<std::string> none;  // no hit holds them
    std::optional<std::string> phrase;
    MatchOptions match;
};

enum class ExpressionResult {
    Ready,    // the lists (and the phrase) are made
    NoMatch,  // an `all` input matches no indexed word: no message can be a hit
    TooOpen,  // an `all` input matches several indexed words while the OR list is taken
    Stopped,  // a lookup stopped; its message was shown through the dialog
};

struct SearchExpression {
    ExpressionResult result = ExpressionResult::Stopped;
    SearchLists lists;  // empty unless Ready
    Phrase phrase;
    std::string input;   // the input that matched nothing (NoMatch) or too much (TooOpen)
    size_t matches = 0;  // how many indexed words it matched (TooOpen)
};

// Looks up the inputs in the order all, any, none, phrase and builds the lists:
// - an `all` input that matches one indexed word puts it in the AND list; one that matches
//   several (a prefix, pattern, soundex or approximate input) means any of them will do, so they
//   become the OR list, which has room for one such group, and only when there are no `any`
//   inputs;
// - `any` inputs go to the OR list, `none` inputs to the AND list negated;
// - the phrase's words go to the AND list, and the phrase keeps its words in typed order with
//   the stop words typed in it.
// The word list, stop list and master index files are opened by the lookups as needed.
SearchExpression build_search_expression(Session& s, const SearchInput& input,
                                         const ScanProgress& progress = {});

// Whether the master index of the current database has an entry (the file open).
bool has_index_entries(Session& s);

}  // namespace qs::words
