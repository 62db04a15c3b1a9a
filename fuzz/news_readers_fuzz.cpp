// SPDX-License-Identifier: MIT
// Fuzz target: every news reader on a file of the input, read to the end and handed over.
#include <cstddef>
#include <cstdint>

#include "fuzz/news_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::news_readers(in)) {
        __builtin_trap();
    }
    return 0;
}
