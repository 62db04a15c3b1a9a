// SPDX-License-Identifier: MIT
// The numbered texts of the Neo file, shipped with the program.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs {

// The text with that number, empty when there is none. Opens and closes the Neo file.
std::string CallNeo(Session& s, uint32_t number);

// Writes the shipped texts into the Neo file where they are missing (start-up does this); false
// when one could not be written (the store reported it).
[[nodiscard]] bool InstallNeoTexts(Session& s);

// Numbers of the shipped texts the program uses.
enum : uint32_t { kNeoSettingsTitle = 27, kNeoSettingsText = 28 };

}  // namespace qs
