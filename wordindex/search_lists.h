// SPDX-License-Identifier: MIT
// The search expression: the AND list ("Must Contain ALL of These:") and the OR list ("Must
// Contain One or More of These:"), each entry a found word, optionally negated.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "storage/session.h"
#include "wordindex/hit_queue.h"
#include "wordindex/word_scan.h"

namespace qs::words {

// One entry of either list (ANDQ: and ORQ: have the same layout).
struct SearchEntry {
    Text<3> CONDITION;  // blank or "NOT"
    decltype(WordList::THEWORD) THEWORD;
    int32_t WORDCOUNT = 0;  // messages containing the word
    int32_t WORDID = 0;
    uint8_t MARKFLAG = 0;  // selected in its list
    bool negated() const { return CONDITION == "NOT"; }
};

struct SearchLists {
    std::vector<SearchEntry> ANDQ;
    std::vector<SearchEntry> ORQ;

    // "AND ---->" and "OR ---->": false when the word is already in that list.
    bool add_and(const FoundWord& w, bool negated = false) { return add(ANDQ, w, negated); }
    bool add_or(const FoundWord& w, bool negated = false) { return add(ORQ, w, negated); }
    // A click on the condition column.
    static void toggle_not(SearchEntry& e) { e.CONDITION = e.negated() ? "" : "NOT"; }
    // "Delete": removes the marked entries; "Pick One First" when none is marked.
    bool delete_marked(Session& s);
    void delete_all() {
        ANDQ.clear();
        ORQ.clear();
    }
    bool empty() const { return ANDQ.empty() && ORQ.empty(); }

private:
    static bool add(std::vector<SearchEntry>& list, const FoundWord& w, bool negated);
};

// The words seen in the hits of a search.
using FoundWordsQueue = std::set<std::string>;

}  // namespace qs::words
