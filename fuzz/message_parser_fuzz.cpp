// SPDX-License-Identifier: MIT
// Fuzz target: messages fed line by line, in pieces, to the message parser.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::message_parser(in)) {
        __builtin_trap();
    }
    return 0;
}
