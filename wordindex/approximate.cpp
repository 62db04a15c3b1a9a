// SPDX-License-Identifier: MIT
// Approximate substring matching by bit-parallel edit distances: one pass over the text keeps,
// for every prefix of the pattern, how its best alignment ending here changes from the previous
// prefix, so the distance of the whole pattern is known at each text position.
#include "wordindex/word_match.h"

#include <algorithm>

#include "platform/unicode.h"

namespace qs::words {

ApproximateMatcher::ApproximateMatcher(std::string_view pattern, int degree)
    : degree_(latin_script(pattern) ? degree : 0) {
    for (size_t i = 0; i < pattern.size() && length_ < 64; ++length_) {
        const uint64_t bit = uint64_t{1} << length_;
        const char32_t c = next_code_point(pattern, i);
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
