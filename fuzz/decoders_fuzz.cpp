// SPDX-License-Identifier: MIT
// Fuzz target: charset conversion, base64, quoted-printable and uuencoding, whole and in pieces.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::decoders(in)) {
        __builtin_trap();
    }
    return 0;
}
