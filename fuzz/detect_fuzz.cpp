// SPDX-License-Identifier: MIT
// Fuzz target: the format detector on a file's first bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/mail_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::detect(in)) {
        __builtin_trap();
    }
    return 0;
}
