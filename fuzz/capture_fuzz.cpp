// SPDX-License-Identifier: MIT
// Fuzz target: CompuServe capture files read by every capture reader, into a forum and into the
// mail database.
#include <cstddef>
#include <cstdint>

#include "fuzz/capture_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::capture(in)) {
        __builtin_trap();
    }
    return 0;
}
