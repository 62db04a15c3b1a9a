// SPDX-License-Identifier: MIT
// The settings held in memory while the program runs: each settings record of the Control file
// is loaded once, changed item by item, and saved as a whole (see config.h).
#pragma once

#include <array>
#include <cstdint>

#include "storage/records.h"

namespace qs {

struct SettingsState {
    // The Control records as loaded: general (1), directories (4), display (9), word index (10),
    // export (11). Only CTLGROUP matters here: the counter of record 1 is always re-read from
    // the file before it is written.
    Control general, paths, display, word_index, export_;
    bool general_loaded = false, paths_loaded = false, display_loaded = false,
         word_index_loaded = false, export_loaded = false;
    // Window positions and list column settings, records 2, 3, 5, 6, 7 and 8 in that order.
    std::array<Control, 6> windows;
    bool windows_loaded = false;
    // Working pace values 26 to 31.
    std::array<int32_t, 6> pace{500, 300, 4, 4, 4, 0};
    // The word character tables shared by the indexer, the search and hit highlighting.
    std::array<uint8_t, 256> StartWordHash{}, InWordHash{}, EndWordHash{}, IsJunkHash{};
    // Time (hundredths since midnight + 1) of the last locator key; 0 when there was none.
    int32_t last_locator_key = 0;
};

}  // namespace qs
