// SPDX-License-Identifier: MIT
// Fuzz target: a message file in a Maildir sub-folder, its folder and file name of the input,
// read as a Maildir and as a single message file.
#include <cstddef>
#include <cstdint>

#include "fuzz/mail_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::message_files(in)) {
        __builtin_trap();
    }
    return 0;
}
