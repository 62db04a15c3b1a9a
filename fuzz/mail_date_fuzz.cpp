// SPDX-License-Identifier: MIT
// Fuzz target: mail date texts, read in a zone with summer time so that every date is moved.
#include <stdlib.h>
#include <time.h>

#include <cstddef>
#include <cstdint>

#include "fuzz/text_targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    if (!qs::fuzz::mail_date(in)) {
        __builtin_trap();
    }
    return 0;
}
