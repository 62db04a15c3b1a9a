// SPDX-License-Identifier: MIT
// Fuzz target: header fields through the encoded-word decoder, and texts through StripChar.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::encoded_words(in)) {
        __builtin_trap();
    }
    return 0;
}
