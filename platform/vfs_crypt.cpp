// SPDX-License-Identifier: MIT
// Keys and the positional keystream that make record files unreadable without the program.
#include <nettle/aes.h>
#include <nettle/ctr.h>
#include <nettle/sha2.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "platform/vfs_internal.h"

namespace qs::vfs {

namespace {

// The passwords are built into the program, so a slow key-stretching function would protect
// nothing and cost time on every open. The salt keeps our keys apart from a bare SHA-256 of
// the same words that some other tool might use.
constexpr std::string_view kKeySalt = "quillstow record store key v1";

// The counter block is nonce (8 bytes) then block index (8 bytes), both big-endian. The counter
// mode increments all 16 bytes, but the index cannot carry into the nonce below 2^68 bytes.
void counter_block(uint64_t nonce, uint64_t block, uint8_t* iv) {
    for (int i = 7; i >= 0; --i) {
        iv[i] = static_cast<uint8_t>(nonce);
        iv[8 + i] = static_cast<uint8_t>(block);
        nonce >>= 8;
        block >>= 8;
    }
}

}  // namespace

Key derive_key(std::string_view password) {
    sha256_ctx ctx;
    sha256_init(&ctx);
    sha256_update(&ctx, kKeySalt.size(), reinterpret_cast<const uint8_t*>(kKeySalt.data()));
    sha256_update(&ctx, password.size(), reinterpret_cast<const uint8_t*>(password.data()));
    Key key{};
    sha256_digest(&ctx, key.size(), key.data());
    return key;
}

namespace detail {

std::unique_ptr<Cipher> Cipher::create(const Key& key, uint64_t nonce,
                                       std::optional<uint8_t> first_byte_mask) {
    auto* cipher = new (std::nothrow) Cipher(nonce, first_byte_mask);
    // The key schedule is computed once here; each call later only sets the counter block.
    if (cipher) aes256_set_encrypt_key(&cipher->schedule_, key.data());
    return std::unique_ptr<Cipher>(cipher);
}

Cipher::~Cipher() = default;

bool Cipher::apply(const void* in, void* out, int n, int64_t offset) {
    if (n <= 0) return true;
    const auto* from = static_cast<const uint8_t*>(in);
    auto* to = static_cast<uint8_t*>(out);
    uint8_t first = from[0];  // `in` may be `out`
    uint64_t block = static_cast<uint64_t>(offset) / AES_BLOCK_SIZE;
    size_t skip = static_cast<size_t>(offset % AES_BLOCK_SIZE);
    size_t left = static_cast<size_t>(n);
    uint8_t counter[AES_BLOCK_SIZE];
    counter_block(nonce_, block, counter);
    if (skip) {
        // The offset falls inside a block: the rest of that block's keystream first.
        uint8_t stream[AES_BLOCK_SIZE];
        aes256_encrypt(&schedule_, AES_BLOCK_SIZE, stream, counter);
        size_t take = std::min(left, AES_BLOCK_SIZE - skip);
        for (size_t i = 0; i < take; ++i) to[i] = from[i] ^ stream[skip + i];
        from += take;
        to += take;
        left -= take;
        counter_block(nonce_, block + 1, counter);
    }
    if (left)
        ctr_crypt(&schedule_, reinterpret_cast<nettle_cipher_func*>(aes256_encrypt), AES_BLOCK_SIZE,
                  counter, left, to, from);
    if (offset == 0 && first_byte_mask_) static_cast<uint8_t*>(out)[0] = first ^ *first_byte_mask_;
    return true;
}

uint8_t* Cipher::scratch(int n) {
    // Exceptions must not cross SQLite's C frames.
    try {
        if (scratch_.size() < static_cast<size_t>(n)) scratch_.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return scratch_.data();
}

bool random_key(Key* key) {
    size_t got = 0;
    while (got < key->size()) {
        ssize_t n = getrandom(key->data() + got, key->size() - got, 0);
        if (n < 0 && errno != EINTR) return false;
        if (n > 0) got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace detail

}  // namespace qs::vfs
