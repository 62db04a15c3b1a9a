// SPDX-License-Identifier: MIT
// The pattern search of the word list. Pieces between "*" must occur in order without
// overlapping; the first is tied to the start of the word unless the search word begins with
// "*", and with wildcards the last is tied to the end unless the search word ends with "*".
#include "wordindex/word_match.h"

#include <algorithm>

#include "platform/unicode.h"

namespace qs::words {

namespace {

constexpr size_t kMaxPieces = 50;
constexpr size_t kMaxPiece = 40;
constexpr size_t npos = std::string_view::npos;

// Where the piece ends when it matches the word at byte `at`, or npos. "?" takes one character
// of the word, whatever its length in bytes.
size_t match_at(std::string_view w, size_t at, std::string_view piece) {
    for (char c : piece) {
        if (at >= w.size()) return npos;
        if (c == '?') {
            next_code_point(w, at);
        } else if (c != w[at++]) {
            return npos;
        }
    }
    return at;
}

// The first place at or after `from` where the piece occurs, with its end; npos when none.
size_t find_piece(std::string_view w, std::string_view piece, size_t from, size_t& end) {
    if (piece.find('?') == std::string_view::npos) {
        const size_t found = w.find(piece, from);
        end = found + piece.size();
        return found;
    }
    for (size_t at = from; at < w.size(); next_code_point(w, at)) {
        end = match_at(w, at, piece);
        if (end != npos) return at;
    }
    return npos;
}

// The first `n` characters of a piece, "?" counting as one.
std::string first_chars(std::string_view piece, size_t n) {
    return std::string(cut_chars(piece, n));
}

}  // namespace

WordMatcher::WordMatcher(std::string word, const MatchOptions& options)
    : word_(std::move(word)), options_(options) {
    if (options_.soundex) {
        code_ = soundex_code(word_);
    } else if (options_.approximate >= 0) {
        approx_.emplace_back(first_chars(word_, kMaxPiece), options_.approximate);
    }
    wildcards_ = word_.find('*') != std::string::npos;
    anchored_start_ = word_.empty() || word_.front() != '*';
    anchored_end_ = wildcards_ && word_.back() != '*';
    size_t start = 0;
    while (start <= word_.size() && pieces_.size() < kMaxPieces) {
        size_t star = std::min(word_.find('*', start), word_.size());
        if (star > start)
            pieces_.push_back(
                first_chars(std::string_view(word_).substr(start, star - start), kMaxPiece));
        start = star + 1;
    }
    for (const auto& p : pieces_) min_length_ += char_count(p);
}

bool WordMatcher::exact() const {
    return options_.whole_word && !options_.soundex && approx_.empty() && !wildcards_ &&
           pieces_.size() == 1 && pieces_.front().find('?') == std::string::npos;
}

std::string WordMatcher::key_prefix() const {
    if (options_.soundex || !approx_.empty() || pieces_.empty() || !anchored_start_) return {};
    if (!wildcards_ && !options_.starts_with && !options_.whole_word) return {};
    const std::string& first = pieces_.front();
    return first.substr(0, first.find('?'));
}

std::vector<WordMatcher::KeyRange> WordMatcher::key_ranges() const {
    if (options_.soundex) {
        if (code_.empty()) return {};
        const std::string upper(1, code_.front()), lower(1, ascii_lower(code_.front()));
        return {
            {upper, upper}, {lower, lower}, {"\xC2\x80", ""}};  // U+0080: the first beyond ASCII
    }
    std::string prefix = key_prefix();
    if (prefix.empty()) return {};
    return {{prefix, prefix}};
}

bool WordMatcher::matches(std::string_view list_word) const {
    if (options_.soundex) {
        if (code_.empty()) return false;
        std::string own = soundex_code(list_word);
        return own.size() >= code_.size() && own.compare(0, code_.size(), code_) == 0;
    }
    // Shorter than the search word never matches; a byte count at or above it needs no count of
    // characters, which are fewer only in words beyond ASCII.
    if (list_word.size() < min_length_ ||
        (!is_ascii(list_word) && char_count(list_word) < min_length_))
        return false;
    if (!approx_.empty()) return approx_.front().matches(list_word);
    return pattern_matches(list_word);
}

bool WordMatcher::pattern_matches(std::string_view w) const {
    if (pieces_.empty()) return true;  // "*" alone takes every word
    bool tie_start = anchored_start_ && (wildcards_ || options_.starts_with || options_.whole_word);
    bool tie_end = wildcards_ ? anchored_end_ : options_.whole_word;
    size_t n = pieces_.size();
    size_t free_pieces = tie_end ? n - 1 : n;
    size_t at = 0;
    for (size_t i = 0; i < free_pieces; ++i) {
        const std::string& piece = pieces_[i];
        if (i == 0 && tie_start) {
            at = match_at(w, 0, piece);
            if (at == npos) return false;
            continue;
        }
        size_t end = 0;
        if (find_piece(w, piece, at, end) == npos) return false;
        at = end;
    }
    if (!tie_end) return true;
    const std::string& last = pieces_.back();
    if (n == 1 && tie_start) return match_at(w, 0, last) == w.size();
    // The last piece ends the word: tried from every character at or after the pieces before it.
    for (size_t start = at; start < w.size(); next_code_point(w, start))
        if (match_at(w, start, last) == w.size()) return true;
    return false;
}

}  // namespace qs::words
