// SPDX-License-Identifier: MIT
// The lines of one message as the readers hand them on: entries of at most 400 characters, a
// longer source line continuing in the next entry. Line ends are not kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

inline constexpr size_t kQueueLine = 400;

struct TQ {
    std::string LINE;       // at most kQueueLine bytes; its size is TQ:LEN
    uint8_t SPLITLINE = 0;  // 1: the source line goes on in the next entry
    uint32_t LEN() const { return static_cast<uint32_t>(LINE.size()); }
};

using LineQueue = std::vector<TQ>;

// Appends a source line, cut into entries of 400 characters. A line of exactly 400 characters is
// one entry that does not go on: an empty entry after it would read as the end of a header.
void push_line(LineQueue& q, std::string_view line);

// The removal marker: a queue line overwritten with it is left out of the text.
inline constexpr const char* kRemoveMarker = "!!!Remove this!!!";

}  // namespace qs
