// SPDX-License-Identifier: MIT
// Approximate substring matching by bit-parallel edit distances: one pass over the text keeps,
// for every prefix of the pattern, how its best alignment ending here changes from the previous
// prefix, so the distance of the whole pattern is known at each text position.
#include "wordindex/word_match.h"

#include <algorithm>

namespace qs::words {

ApproximateMatcher::ApproximateMatcher(std::string_view pattern, int degree)
    : length_(static_cast<int>(std::min<size_t>(pattern.size(), 64))), degree_(degree) {
    for (int i = 0; i < length_; ++i) {
        uint64_t bit = uint64_t{1} << i;
        unsigned char c = static_cast<unsigned char>(pattern[static_cast<size_t>(i)]);
        if (c == '?') {
            for (auto& m : peq_) m |= bit;
        } else {
            peq_[c] |= bit;
        }
    }
    if (length_ > 0) high_ = uint64_t{1} << (length_ - 1);
}

bool ApproximateMatcher::matches(std::string_view text) const {
    if (length_ == 0) return true;
    if (length_ <= degree_) return true;
    uint64_t mask = length_ == 64 ? ~uint64_t{0} : (high_ << 1) - 1;
    uint64_t pv = mask, mv = 0;
    int score = length_;
    for (char ch : text) {
        uint64_t eq = peq_[static_cast<unsigned char>(ch)];
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
