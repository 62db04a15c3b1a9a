// SPDX-License-Identifier: MIT
// The SHA-256 of a content, computed piece by piece while its bytes stream past: attachments are
// kept under it, once per database, and checked against it when they are read back.
#pragma once

#include <nettle/sha2.h>

#include <string>
#include <string_view>

namespace qs {

class ContentHash {
public:
    ContentHash() { sha256_init(&ctx_); }
    void update(std::string_view bytes) {
        sha256_update(&ctx_, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
    }
    // The digest of every byte given since the start as 64 lower-case hexadecimal digits; the
    // hash starts over afterwards.
    std::string hex();

    // The digest of one whole text.
    static std::string of(std::string_view bytes) {
        ContentHash h;
        h.update(bytes);
        return h.hex();
    }

private:
    sha256_ctx ctx_;
};

}  // namespace qs
