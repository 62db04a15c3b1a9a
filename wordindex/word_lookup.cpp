// SPDX-License-Identifier: MIT
#include "wordindex/word_lookup.h"

#include <set>

#include "platform/text.h"
#include "storage/file_access.h"

namespace qs::words {

namespace {

void say(Session& s, std::string_view title, std::string_view text) {
    if (!s.quiet()) s.dialog.message(title, text);
}

std::vector<std::string> split(const std::string& input) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < input.size()) {
        size_t space = input.find(' ', start);
        if (space == std::string::npos) space = input.size();
        if (space > start) out.push_back(input.substr(start, space - start));
        start = space + 1;
    }
    return out;
}

// Soundex takes Latin letters, accented ones too (they count as the letters they are built on).
bool only_letters(const std::string& w) {
    std::string letters;
    return latin_letters(w, letters);
}

// Drops the stop words with their message; false when none is left (said why).
bool drop_stop_words(Session& s, std::vector<std::string>& words,
                     std::vector<std::string>& dropped) {
    std::vector<std::string> kept;
    for (auto& w : words) {
        if (!is_stop_word(s, w)) {
            kept.push_back(std::move(w));
            continue;
        }
        say(s, "Non-Indexed Word",
            "The word: " + w + " is a Non-Indexed Word.|It has been removed from the search.");
        dropped.push_back(std::move(w));
    }
    words = std::move(kept);
    if (!words.empty()) return true;
    say(s, "No valid searchwords",
        "All of the words are on the stoplist (non-indexed).|Please type valid words or cancel!");
    return false;
}

// The letter rules of soundex and approximate matching; false after the message.
bool letters_fit(Session& s, const std::vector<std::string>& words, const MatchOptions& m) {
    for (const auto& w : words) {
        if (m.approximate >= 0 && char_count(w) < 2) {
            say(s, "Too Few Letters",
                "To use Approximate Matching you must type at least 2 letters.");
            return false;
        }
        if (!m.soundex) continue;
        if (char_count(w) < 2) {
            say(s, "Too Few Letters", "To use Soundex you must type at least 2 letters.");
            return false;
        }
        if (!only_letters(w) || words.size() > 1) {
            say(s, "Only Letters Please",
                "Soundex Search Requests May Only Contain Letters and Must be a Single Word.");
            return false;
        }
    }
    return true;
}

// The words as typed, checked; empty after the reason was shown.
std::vector<std::string> checked_words(Session& s, const LookupRequest& r,
                                       std::vector<std::string>& dropped) {
    std::string input = upper_case(nfc(r.input));
    bool special = r.phrase || r.match.soundex || r.match.approximate >= 0;
    if (special && input.find('*') != std::string::npos) {
        say(s, "Search Problem",
            "Wildcards can not be used in|phrases, soundex or approximate searches.");
        return {};
    }
    std::vector<std::string> words = split(input);
    if (words.empty()) {
        say(s, "Blank Search",
            "No searchwords!|Please type a what you want to find or press cancel.");
        return {};
    }
    if (!drop_stop_words(s, words, dropped) || !letters_fit(s, words, r.match)) return {};
    return words;
}

}  // namespace

bool is_stop_word(Session& s, const std::string& word) {
    OP_CLOSE(s, kOpOpen, {kSTO});
    STO probe;
    probe.THEWORD = word;
    bool stop = handle(s, kSTO).get(0, &probe, &probe).is_ok();
    OP_CLOSE(s, kOpClose, {kSTO});
    return stop;
}

LookupOutcome find_indexed_words(Session& s, const LookupRequest& request,
                                 const ScanProgress& progress) {
    LookupOutcome out;
    out.words = checked_words(s, request, out.dropped);
    if (out.words.empty()) return out;
    if (request.match.soundex && soundex_code(out.words.front()).empty()) {
        say(s, "Soundex Error",
            "There is no Soundex equivalent for that word.  Please choose a different search "
            "word.");
        return out;
    }
    std::vector<WordMatcher> matchers;
    for (const auto& w : out.words) matchers.emplace_back(w, request.match);
    std::vector<std::vector<FoundWord>> found;
    if (scan_word_list(s, matchers, found, progress) != ScanResult::Done) return out;
    std::set<int64_t> seen;
    for (size_t i = 0; i < found.size(); ++i) {
        if (request.phrase && found[i].empty()) {
            say(s, "No matches",
                "One of the words in the phrase was not found in any document.|Word:" +
                    out.words[i]);
            return out;
        }
        for (auto& f : found[i])
            if (seen.insert(f.position).second) out.found.push_back(std::move(f));
    }
    out.ok = true;
    return out;
}

}  // namespace qs::words
