// SPDX-License-Identifier: MIT
// Fuzz target: Unix mailboxes of every style, read to the end and handed over.
#include <cstddef>
#include <cstdint>

#include "fuzz/mail_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::unix_mailbox(in)) {
        __builtin_trap();
    }
    return 0;
}
