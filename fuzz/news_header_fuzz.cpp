// SPDX-License-Identifier: MIT
// Fuzz target: the news header scan, line by line.
#include <cstddef>
#include <cstdint>

#include "fuzz/news_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::news_header(in)) {
        __builtin_trap();
    }
    return 0;
}
