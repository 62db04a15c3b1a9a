// SPDX-License-Identifier: MIT
// The pattern search of the word list. Pieces between "*" must occur in order without
// overlapping; the first is tied to the start of the word unless the search word begins with
// "*", and with wildcards the last is tied to the end unless the search word ends with "*".
#include "wordindex/word_match.h"

#include <algorithm>

namespace qs::words {

namespace {

constexpr size_t kMaxPieces = 50;
constexpr size_t kMaxPiece = 40;

bool same_at(std::string_view w, size_t at, std::string_view piece) {
    for (size_t i = 0; i < piece.size(); ++i)
        if (piece[i] != '?' && piece[i] != w[at + i]) return false;
    return true;
}

// The first place at or after `from` where the piece occurs; npos when none.
size_t find_piece(std::string_view w, std::string_view piece, size_t from) {
    if (piece.find('?') == std::string_view::npos) return w.find(piece, from);
    for (size_t at = from; at + piece.size() <= w.size(); ++at)
        if (same_at(w, at, piece)) return at;
    return std::string_view::npos;
}

}  // namespace

WordMatcher::WordMatcher(std::string word, const MatchOptions& options)
    : word_(std::move(word)), options_(options) {
    if (options_.soundex) {
        code_ = soundex_code(word_);
    } else if (options_.approximate >= 0) {
        approx_.emplace_back(word_.substr(0, kMaxPiece), options_.approximate);
    }
    wildcards_ = word_.find('*') != std::string::npos;
    anchored_start_ = word_.empty() || word_.front() != '*';
    anchored_end_ = wildcards_ && word_.back() != '*';
    size_t start = 0;
    while (start <= word_.size() && pieces_.size() < kMaxPieces) {
        size_t star = std::min(word_.find('*', start), word_.size());
        if (star > start) pieces_.push_back(word_.substr(start, std::min(star - start, kMaxPiece)));
        start = star + 1;
    }
    for (const auto& p : pieces_) min_length_ += p.size();
}

bool WordMatcher::exact() const {
    return options_.whole_word && !options_.soundex && approx_.empty() && !wildcards_ &&
           pieces_.size() == 1 && pieces_.front().find('?') == std::string::npos;
}

bool WordMatcher::matches(std::string_view list_word) const {
    if (options_.soundex) {
        if (code_.empty()) return false;
        std::string own = soundex_code(list_word);
        return own.size() >= code_.size() && own.compare(0, code_.size(), code_) == 0;
    }
    if (list_word.size() < min_length_) return false;
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
            if (!same_at(w, 0, piece)) return false;
            at = piece.size();
            continue;
        }
        size_t found = find_piece(w, piece, at);
        if (found == std::string_view::npos) return false;
        at = found + piece.size();
    }
    if (!tie_end) return true;
    const std::string& last = pieces_.back();
    if (n == 1 && tie_start) return w.size() == last.size() && same_at(w, 0, last);
    size_t start = w.size() - last.size();  // the word is at least as long as all pieces
    return start >= at && same_at(w, start, last);
}

}  // namespace qs::words
