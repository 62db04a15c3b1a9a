// SPDX-License-Identifier: MIT
// Each place is four 16-bit numbers (x, y, width, height), 25 to a record; each list's widths
// are ten 16-bit numbers, 20 bytes a list. Numbers are kept little-endian.
#include "desktop/window_places.h"

#include <algorithm>

#include "storage/config.h"

namespace qs::desktop {

namespace {

using Group = decltype(Control::CTLGROUP);
constexpr int kPlacesPerBlock = 25;
constexpr int kWidthBlock = 2;
constexpr size_t kListBytes = 2 * kMaxColumns;

int get16(const Group& g, size_t at) {
    return static_cast<int16_t>(g.bytes[at] | (g.bytes[at + 1] << 8));
}

void put16(Group& g, size_t at, int value) {
    const auto v = static_cast<uint16_t>(std::clamp(value, -32768, 32767));
    g.bytes[at] = static_cast<uint8_t>(v & 0xff);
    g.bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

QRect stored_place(const Session& s, int window) {
    if (window < 0 || window >= kMaxPlaces) return {};
    const Group& g = WindowSettings(s, window / kPlacesPerBlock);
    const size_t at = static_cast<size_t>(window % kPlacesPerBlock) * 8;
    return QRect(get16(g, at), get16(g, at + 2), get16(g, at + 4), get16(g, at + 6));
}

bool store_place(Session& s, int window, const QRect& place) {
    if (window < 0 || window >= kMaxPlaces) return false;
    const int block = window / kPlacesPerBlock;
    Group g = WindowSettings(s, block);
    const size_t at = static_cast<size_t>(window % kPlacesPerBlock) * 8;
    put16(g, at, place.x());
    put16(g, at + 2, place.y());
    put16(g, at + 4, place.width());
    put16(g, at + 6, place.height());
    return g == WindowSettings(s, block) || SaveWindowSettings(s, block, g);
}

std::vector<int> stored_widths(const Session& s, int list) {
    std::vector<int> widths(kMaxColumns);
    const Group& g = WindowSettings(s, kWidthBlock);
    for (size_t c = 0; c < widths.size(); ++c)
        widths[c] = get16(g, static_cast<size_t>(list) * kListBytes + 2 * c);
    return widths;
}

bool store_widths(Session& s, int list, const std::vector<int>& widths) {
    Group g = WindowSettings(s, kWidthBlock);
    for (size_t c = 0; c < widths.size() && c < kMaxColumns; ++c)
        put16(g, static_cast<size_t>(list) * kListBytes + 2 * c, widths[c]);
    return g == WindowSettings(s, kWidthBlock) || SaveWindowSettings(s, kWidthBlock, g);
}

}  // namespace qs::desktop
