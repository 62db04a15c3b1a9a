// SPDX-License-Identifier: MIT
// Approximate substring matching by bit-parallel edit distances: one pass over the text keeps,
// for every prefix of the pattern, how its best alignment ending here changes from the previous
// prefix, so the distance of the whole pattern is known at each text position.
//
// Most words of a list are far from the pattern, and a cheaper test turns them away first. Cut
// the pattern into degree + 1 pieces: each substituted, inserted or deleted character falls into
// (or beside) one piece, so a text within the degree holds at least one piece unchanged. A text
// that holds none of them cannot match.
#include <algorithm>

#include "platform/unicode.h"
#include "wordindex/word_match.h"

namespace qs::words {

namespace {

// A character the pieces cannot hold: "?" stands for any character, and U+FFFD is what a byte
// that is no UTF-8 decodes to, so neither is one fixed text.
bool literal(char32_t c) { return c != '?' && c != 0xFFFD; }

}  // namespace

ApproximateMatcher::ApproximateMatcher(std::string_view pattern, int degree)
    : degree_(latin_script(pattern) ? degree : 0) {
    std::vector<char32_t> chars;
    for (size_t i = 0; i < pattern.size() && length_ < 64; ++length_) {
        const uint64_t bit = uint64_t{1} << length_;
        const char32_t c = next_code_point(pattern, i);
        chars.push_back(c);
        if (c == '?') {
            any_ |= bit;
        } else if (c < 0x100) {
            peq_[c] |= bit;
        } else {
            auto it = std::find_if(wide_.begin(), wide_.end(),
                                   [c](const auto& e) { return e.first == c; });
            if (it == wide_.end()) it = wide_.insert(wide_.end(), {c, 0});
            it->second |= bit;
        }
    }
    if (length_ > 0) high_ = uint64_t{1} << (length_ - 1);
    cut_pieces(chars);
}

// Cuts the pattern into degree + 1 pieces of about equal length and keeps of each its longest
// run of literal characters, in UTF-8: a piece that occurs unchanged holds its run unchanged,
// and the bytes of a run occur in a text exactly where its characters do. No pieces when one
// would be empty: then every text may match.
void ApproximateMatcher::cut_pieces(const std::vector<char32_t>& pattern) {
    const size_t n = pattern.size(), parts = static_cast<size_t>(degree_) + 1;
    if (degree_ < 0 || n < parts) return;
    for (size_t p = 0; p < parts; ++p) {
        size_t best_from = 0, best_length = 0, from = p * n / parts;
        const size_t end = (p + 1) * n / parts;
        for (size_t i = from; i <= end; ++i) {
            if (i < end && literal(pattern[i])) continue;
            if (i - from > best_length) best_from = from, best_length = i - from;
            from = i + 1;
        }
        if (best_length == 0) {
            pieces_.clear();
            return;
        }
        std::string piece;
        for (size_t i = best_from; i < best_from + best_length; ++i) append_utf8(piece, pattern[i]);
        pieces_.push_back(std::move(piece));
    }
}

uint64_t ApproximateMatcher::equal_bits(char32_t c) const {
    if (c < 0x100) return peq_[c] | any_;
    for (const auto& [wide, bits] : wide_)
        if (wide == c) return bits | any_;
    return any_;
}

bool ApproximateMatcher::matches(std::string_view text) const {
    if (length_ == 0) return true;
    if (length_ <= degree_) return true;
    if (!pieces_.empty() &&
        std::none_of(pieces_.begin(), pieces_.end(), [text](const std::string& piece) {
            return text.find(piece) != std::string_view::npos;
        }))
        return false;
    uint64_t mask = length_ == 64 ? ~uint64_t{0} : (high_ << 1) - 1;
    uint64_t pv = mask, mv = 0;
    int score = length_;
    for (size_t i = 0; i < text.size();) {
        const uint64_t eq = equal_bits(next_code_point(text, i));
        uint64_t xv = eq | mv;
        uint64_t xh = (((eq & pv) + pv) ^ pv) | eq;
        uint64_t ph = mv | ~(xh | pv);
        uint64_t mh = pv & xh;
        if (ph & high_)
            ++score;
        else if (mh & high_)
            --score;
        ph = (ph << 1) & mask;
        mh = (mh << 1) & mask;
        pv = (mh | ~(xv | ph)) & mask;
        mv = ph & xv;
        if (score <= degree_) return true;
    }
    return false;
}

}  // namespace qs::words
