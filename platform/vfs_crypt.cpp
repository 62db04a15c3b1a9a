// SPDX-License-Identifier: MIT
// Keys and the positional keystream that make record files unreadable without the program.
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <new>

#include "platform/vfs_internal.h"

namespace qs::vfs {

namespace {

// The passwords are built into the program, so a slow key-stretching function would protect
// nothing and cost time on every open. The salt keeps our keys apart from a bare SHA-256 of
// the same words that some other tool might use.
constexpr std::string_view kKeySalt = "quillstow record store key v1";

// The counter block is nonce (8 bytes) then block index (8 bytes), both big-endian. OpenSSL
// increments all 16 bytes, but the index cannot carry into the nonce below 2^68 bytes.
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
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    Key key{};
    unsigned int size = 0;
    bool ok = ctx && EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) == 1 &&
              EVP_DigestUpdate(ctx, kKeySalt.data(), kKeySalt.size()) == 1 &&
              EVP_DigestUpdate(ctx, password.data(), password.size()) == 1 &&
              EVP_DigestFinal_ex(ctx, key.data(), &size) == 1 && size == key.size();
    EVP_MD_CTX_free(ctx);
    // Only an out-of-memory libcrypto gets here; an all-zero key would silently weaken every
    // file, so stopping is the lesser harm.
    if (!ok) throw std::bad_alloc();
    return key;
}

namespace detail {

std::unique_ptr<Cipher> Cipher::create(const Key& key, uint64_t nonce,
                                       std::optional<uint8_t> first_byte_mask) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    // The key schedule is computed once here; each call later only resets the counter block.
    if (!ctx || EVP_EncryptInit_ex(ctx, EVP_aes_256_ctr(), nullptr, key.data(), nullptr) != 1) {
        EVP_CIPHER_CTX_free(ctx);
        return nullptr;
    }
    auto* cipher = new (std::nothrow) Cipher(ctx, nonce, first_byte_mask);
    if (!cipher) EVP_CIPHER_CTX_free(ctx);
    return std::unique_ptr<Cipher>(cipher);
}

Cipher::~Cipher() { EVP_CIPHER_CTX_free(ctx_); }

bool Cipher::apply(const void* in, void* out, int n, int64_t offset) {
    static constexpr uint8_t kZeros[16] = {};
    uint8_t iv[16];
    uint8_t discard[16];
    counter_block(nonce_, static_cast<uint64_t>(offset) / 16, iv);
    int skip = static_cast<int>(offset % 16);
    int len = 0;
    const auto* from = static_cast<const uint8_t*>(in);
    auto* to = static_cast<uint8_t*>(out);
    uint8_t first = n > 0 ? from[0] : 0;  // `in` may be `out`
    // CTR is a stream mode in EVP: burning `skip` bytes moves to the offset inside the block.
    bool ok = EVP_EncryptInit_ex(ctx_, nullptr, nullptr, nullptr, iv) == 1 &&
              (skip == 0 || EVP_EncryptUpdate(ctx_, discard, &len, kZeros, skip) == 1) &&
              EVP_EncryptUpdate(ctx_, to, &len, from, n) == 1;
    if (ok && offset == 0 && n > 0 && first_byte_mask_) to[0] = first ^ *first_byte_mask_;
    return ok;
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

bool random_key(Key* key) { return RAND_bytes(key->data(), static_cast<int>(key->size())) == 1; }

}  // namespace detail

}  // namespace qs::vfs
