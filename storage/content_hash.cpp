// SPDX-License-Identifier: MIT
#include "storage/content_hash.h"

namespace qs {

std::string ContentHash::hex() {
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx_, sizeof digest, digest);  // also starts the hash over
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * sizeof digest);
    for (uint8_t b : digest) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

}  // namespace qs
