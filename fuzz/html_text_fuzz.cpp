// SPDX-License-Identifier: MIT
// Fuzz target: message bodies through part selection, text assembly, HTML and enriched text,
// and the HTML conversion's own promises (UTF-8 out, character references in bounds).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_targets.h"
#include "fuzz/text_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::html_text(in) || !qs::fuzz::html_conversion(in)) {
        __builtin_trap();
    }
    return 0;
}
