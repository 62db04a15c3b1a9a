// SPDX-License-Identifier: MIT
// Keeping the candidates that satisfy the rest of the expression, the words seen in the hits and
// the phrase.
#include "wordindex/search_engine.h"

#include <algorithm>

#include "storage/file_access.h"
#include "wordindex/phrase_positions.h"

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

// The word id of each phrase word: the AND entry of the same word. Empty when a word has none,
// which only a wildcard or an over-long word typed in the phrase leaves: no word of a text can
// equal it.
std::vector<uint32_t> SearchState::phrase_word_ids() const {
    std::vector<uint32_t> ids;
    for (const std::string& word : phrase_.words) {
        auto it = std::find_if(lists_.ANDQ.begin(), lists_.ANDQ.end(), [&](const SearchEntry& e) {
            return !e.negated() && e.THEWORD.trimmed() == word;
        });
        if (it == lists_.ANDQ.end()) return {};
        ids.push_back(static_cast<uint32_t>(it->WORDID));
    }
    return ids;
}

// Whether the hit's text or subject holds the phrase, read and cut into words. The text first: it
// holds the phrase far more often than the subject, whose header then need not be read. A whole
// subject kept with the text stands for the header's.
bool SearchState::text_holds_phrase(const WordRules& rules, uint32_t sysid) {
    ++counters_.phrase_texts;
    std::string subject, text;
    const bool read = read_text(s_, sysid, text, &subject);
    return (read && contains_phrase(rules, text, phrase_)) ||
           (read && !subject.empty() && contains_phrase(rules, subject, phrase_)) ||
           ((!read || subject.empty()) && read_subject(s_, type_, sysid, subject) &&
            contains_phrase(rules, subject, phrase_));
}

// The position records answer for most hits; a hit they cannot answer for is read.
void SearchState::match_phrase(HitQueue& hits) {
    if (status) status("Phrase Matching...");
    WordRules rules = WordRules::from(s_.settings);
    PhrasePositions positions(handle(s_, kMasIdx), phrase_word_ids(), !phrase_.skipped.empty());
    hits.erase_if([&](uint32_t id) {
        auto answer = PhrasePositions::Answer::Unknown;
        if (Status st = positions.answer(id, answer); !st) (void)StoreRead(s_, kMasIdx, st);
        const bool keep =
            answer == PhrasePositions::Answer::Stands ||
            (answer == PhrasePositions::Answer::Unknown && text_holds_phrase(rules, id));
        return !keep;
    });
}

}  // namespace qs::words
