// SPDX-License-Identifier: MIT
// Values derived from the settings: the pace of long processes, the type-ahead locator of lists
// and the scale of progress bars.
#include <algorithm>

#include "platform/clock.h"
#include "storage/config.h"

namespace qs {

namespace {

// Records or lines handled per processing step, by pace level 1 (slowest machine) to 7, for the
// values 26 to 31. Value 31 has no level of its own and follows item 30.
constexpr int32_t kPace[7][6] = {
    {50, 50, 1, 1, 8, 10},        {100, 100, 3, 3, 16, 20},   {250, 200, 7, 7, 30, 20},
    {500, 275, 10, 10, 50, 25},   {750, 350, 20, 20, 70, 25}, {1000, 500, 30, 30, 85, 50},
    {1250, 700, 40, 40, 100, 50},
};
constexpr std::array<int32_t, 6> kPaceUnread{500, 300, 4, 4, 4, 0};
constexpr int kFirstPaceItem = item::kPaceDuplicates;

// The level of a pace item, 1 to 7; 0 when the display record cannot be read.
int pace_level(Session& s, int item) {
    int32_t level = 0;
    if (!Konfig(s, kGetDisplay, item, &level)) return 0;
    return std::clamp(level, 1, 7);
}

constexpr int kDefaultLocatorTenths = 15;
constexpr int kMaxLocatorTenths = 35;
constexpr size_t kMaxLocator = 10;

int32_t locator_window(Session& s) {
    int32_t tenths = kDefaultLocatorTenths;
    if (s.settings.general_loaded && !Konfig(s, kGetGeneral, item::kLocatorTenths, &tenths))
        tenths = kDefaultLocatorTenths;
    if (tenths > kMaxLocatorTenths) tenths = kDefaultLocatorTenths;
    return tenths * 10;
}

// The character a key types into the locator, 0 for keys that are not locator keys. Key codes
// are those of a PC keyboard: main-keyboard digits and letters are their ASCII codes (letters
// upper-case, shifted or not), the space bar is 0x20, and the numeric-pad digits are 0x60 to
// 0x69 (kKeyPad0 on), which type the same digits as the main keyboard.
char locator_char(int key) {
    if (key == ' ' || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return static_cast<char>(key);
    if (key >= kKeyPad0 && key <= kKeyPad0 + 9) return static_cast<char>('0' + key - kKeyPad0);
    return 0;
}

int32_t elapsed(int32_t from, int32_t to) {
    int32_t d = to - from;
    return d < 0 ? d + kHundredthsPerDay : d;  // the previous key came before midnight
}

}  // namespace

int32_t SpeedVal(Session& s, int operation, int item) {
    auto& pace = s.settings.pace;
    if (operation == kComputePace) {
        if (!s.settings.display_loaded) {
            pace = kPaceUnread;
            return 1;
        }
        for (int i = 0; i < 6; ++i) {
            int level = pace_level(s, std::min(kFirstPaceItem + i, +item::kPaceImport));
            if (level == 0) {
                pace = kPaceUnread;
                return 1;
            }
            pace[static_cast<size_t>(i)] = kPace[level - 1][i];
        }
        return 1;
    }
    if (operation == kGetPace && item >= kFirstPaceItem && item <= item::kPaceParsers)
        return pace[static_cast<size_t>(item - kFirstPaceItem)];
    return 0;
}

uint8_t IncrementStep(Session& s, std::string& locator, int key, int32_t now) {
    char c = locator_char(key);
    if (!c) return 0;
    int32_t& last = s.settings.last_locator_key;
    bool continues = last != 0 && elapsed(last, now) <= locator_window(s);
    if (!continues)
        locator.assign(1, c);
    else if (locator.size() < kMaxLocator)
        locator.push_back(c);
    last = now;
    return 1;
}

void CalcMax(int64_t count, int64_t& step, int64_t& size) {
    constexpr int64_t kMaxSteps = 32767;
    // The smallest n with count / n <= kMaxSteps in whole numbers.
    step = count > kMaxSteps ? count / (kMaxSteps + 1) + 1 : 1;
    size = count / step;
}

}  // namespace qs
