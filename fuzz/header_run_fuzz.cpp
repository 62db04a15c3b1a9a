// SPDX-License-Identifier: MIT
// Fuzz target: mailboxes without separators (the header-run reader), read to the end and handed
// over.
#include <cstddef>
#include <cstdint>

#include "fuzz/mail_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::header_run(in)) {
        __builtin_trap();
    }
    return 0;
}
