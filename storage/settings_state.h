// SPDX-License-Identifier: MIT
// The settings held in memory while the program runs (loaded once, saved as a whole).
#pragma once

#include <array>
#include <cstdint>

#include "storage/records.h"

namespace qs {

struct SettingsState {
    // The Control records as loaded: general (1), directories (4), display (9), word index (10),
    // export (11).
    Control general, paths, display, word_index, export_;
    bool general_loaded = false, paths_loaded = false, display_loaded = false,
         word_index_loaded = false, export_loaded = false;
    // Working pace values 26 to 31.
    std::array<int32_t, 6> pace{500, 300, 4, 4, 4, 0};
    // The word character tables shared by the indexer, the search and hit highlighting.
    std::array<uint8_t, 256> StartWordHash{}, InWordHash{}, EndWordHash{}, IsJunkHash{};
    // Time (hundredths) of the last locator key.
    int32_t last_locator_key = 0;
};

}  // namespace qs
