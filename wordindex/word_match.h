// SPDX-License-Identifier: MIT
// How a word of the word list is compared with a search word: soundex codes, approximate
// matching with a degree of mismatch, and the pattern search with "*" and "?" wildcards,
// "Starts With" and "Whole Word Only".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs::words {

// The soundex code of an upper-case word: its first letter, then the digit of each following
// letter when it is not 0 and differs from the last digit written. Not padded or cut. Accented
// Latin letters count as the letters they are built on ("MÜLLER" codes as "MULLER"). Empty when
// the word is empty or holds anything but Latin letters.
std::string soundex_code(std::string_view word);

// True when `pattern` occurs in `text` with at most `degree` substituted, inserted or deleted
// characters; a character counts one whatever its bytes, so an accented letter in place of
// another letter is one mismatch. A pattern with letters of another script than Latin is matched
// exactly (degree 0). "?" in the pattern matches any one character. Patterns of up to 64
// characters.
class ApproximateMatcher {
public:
    ApproximateMatcher(std::string_view pattern, int degree);
    bool matches(std::string_view text) const;
    // Literal texts of which every text the matcher takes holds at least one (see the
    // constructor); empty when it cannot tell.
    const std::vector<std::string>& pieces() const { return pieces_; }

private:
    uint64_t equal_bits(char32_t c) const;
    void cut_pieces(const std::vector<char32_t>& pattern);

    std::array<uint64_t, 256> peq_{};
    std::vector<std::pair<char32_t, uint64_t>> wide_;  // characters from U+0100 on
    uint64_t any_ = 0;                                 // the "?" positions
    uint64_t high_ = 0;
    int length_ = 0;
    int degree_ = 0;
    std::vector<std::string> pieces_;
};

struct MatchOptions {
    bool whole_word = false;
    bool starts_with = false;
    bool soundex = false;
    int approximate = -1;  // degree of mismatch; below 0: no approximate matching
};

// One search word, prepared for testing every word of the list.
class WordMatcher {
public:
    // `word` is upper case. With wildcards it is cut at "*" into at most 50 pieces of up to 40
    // characters each.
    WordMatcher(std::string word, const MatchOptions& options);
    bool matches(std::string_view list_word) const;
    const std::string& word() const { return word_; }
    // A whole word without wildcards, soundex or mismatches matches one list word only, which
    // can then be looked up by key instead of testing the whole list.
    bool exact() const;
    const std::string& exact_word() const { return pieces_.front(); }
    // The literal text every matching list word begins with (up to the first "?" of an anchored
    // first piece); empty when a match can begin anywhere. The words holding it lie together in
    // the word list's key order, so they can be read as one key range.
    std::string key_prefix() const;
    // The key ranges of the word list that hold every word the matcher can match, each read from
    // `from` on while the words begin with `prefix` (an empty prefix: to the end of the list);
    // empty when the whole list must be read. A soundex code's first letter is the word's own
    // (or, for a word beginning with an accented letter, that of a word beginning beyond ASCII).
    struct KeyRange {
        std::string from, prefix;
    };
    std::vector<KeyRange> key_ranges() const;

private:
    bool pattern_matches(std::string_view w) const;

    std::string word_;
    MatchOptions options_;
    std::string code_;  // soundex
    std::vector<ApproximateMatcher> approx_;
    std::vector<std::string> pieces_;  // the literal pieces between "*"
    bool anchored_start_ = false;      // the word does not begin with "*"
    bool anchored_end_ = false;        // the word has "*" but does not end with one
    bool wildcards_ = false;
    size_t min_length_ = 0;
};

}  // namespace qs::words
