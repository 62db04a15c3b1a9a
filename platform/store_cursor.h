// SPDX-License-Identifier: MIT
// The key-order state of a File (private to the store).
#pragma once

#include <vector>

#include "platform/record_store.h"

namespace qs::store {

// Key-order state: where reading goes on from, and the batch read ahead.
struct File::Cursor {
    enum class Mode { Start, Values, Record };
    Cursor(const Codec& c) : codec(c), anchor(c.make()) {}
    ~Cursor() {
        codec.destroy(anchor);
        for (void* r : pool) codec.destroy(r);
    }
    const Codec& codec;
    int key = -1;
    Mode mode = Mode::Start;
    int parts = 0;
    void* anchor;
    int64_t anchor_pos = 0;
    bool backward = false;
    std::vector<void*> pool;
    std::vector<int64_t> pool_pos;
    size_t filled = 0;
    size_t next_row = 0;
    size_t batch = 1;  // set on every positioning
};

}  // namespace qs::store
