// SPDX-License-Identifier: MIT
// Keeping the candidates that satisfy the rest of the expression, the words seen in the hits and
// the phrase.
#include "wordindex/search_engine.h"

#include <algorithm>

namespace qs::words {

void SearchState::filter_and(std::vector<Candidate>& block) {
    for (size_t i = 0; i < lists_.ANDQ.size() && !block.empty(); ++i) {
        if (source_ == Source::And && static_cast<int>(i) == driving_) continue;
        const SearchEntry& e = lists_.ANDQ[i];
        bool wanted = !e.negated();
        size_t n = block.size();
        std::erase_if(block, [&](const Candidate& c) { return holds(c.sysid, e, n) != wanted; });
    }
}

void SearchState::filter_or(std::vector<Candidate>& block) {
    if (lists_.ORQ.empty()) return;
    size_t n = block.size();
    std::erase_if(block, [&](const Candidate& c) {
        for (const auto& e : lists_.ORQ)
            if (holds(c.sysid, e, n) != e.negated()) return false;
        return true;
    });
}

// The full scan's test: every AND entry holds, and one OR entry when there are any.
bool SearchState::fits(uint32_t sysid) {
    for (const auto& e : lists_.ANDQ)
        if (has(sysid, e.WORDID) == e.negated()) return false;
    if (lists_.ORQ.empty()) return true;
    for (const auto& e : lists_.ORQ)
        if (has(sysid, e.WORDID) != e.negated()) return true;
    return false;
}

void SearchState::note_found(const std::vector<Candidate>& block, FoundWordsQueue& found) {
    if (block.empty()) return;
    for (const auto& e : lists_.ANDQ)
        if (!e.negated()) found.insert(e.THEWORD.str());
    for (size_t i = 0; i < lists_.ORQ.size(); ++i) {
        const SearchEntry& e = lists_.ORQ[i];
        std::string word = e.THEWORD.str();
        if (e.negated() || found.count(word)) continue;
        // The words of a prefix, soundex or approximate search are many and mostly rare: asking
        // the index about each candidate cost a block read apiece, so a word no longer than a
        // few times the block is read whole once instead.
        bool seen =
            std::any_of(block.begin(), block.end(),
                        [&](const Candidate& c) { return c.origin == static_cast<int>(i); }) ||
            std::any_of(block.begin(), block.end(),
                        [&](const Candidate& c) { return holds(c.sysid, e, block.size()); });
        if (seen) found.insert(word);
    }
}

void SearchState::match_phrase(HitQueue& hits) {
    if (status) status("Phrase Matching...");
    WordRules rules = WordRules::from(s_.settings);
    std::string subject, text;
    // The text first: it holds the phrase far more often than the subject, whose header then
    // need not be read. A whole subject kept with the text stands for the header's.
    hits.erase_if([&](uint32_t id) {
        const bool read = read_text(s_, id, text, &subject);
        return !((read && contains_phrase(rules, text, phrase_)) ||
                 (read && !subject.empty() && contains_phrase(rules, subject, phrase_)) ||
                 ((!read || subject.empty()) && read_subject(s_, type_, id, subject) &&
                  contains_phrase(rules, subject, phrase_)));
    });
}

}  // namespace qs::words
