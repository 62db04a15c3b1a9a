// SPDX-License-Identifier: MIT
// Settings kept in the records of the Control file, addressed by record and item number:
// general (record 1), directories (4), display (9), word index (10), export (11) and the word
// character rules (12 to 16); the pace values derived from them; and two small list helpers.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"
#include "storage/settings_items.h"

namespace qs {

// General, display and export settings (records 1, 9 and 11), by the operations of KonfigOp and
// the items of settings_items.h. Numeric items travel in `value`, text items in `text`; a font item
// (33 to 36) travels as its name in `text` and its size in `value`. Loading applies the defaults to
// zero items and writes the record back only when that changed it; loading record 1 also raises the
// identifier counter to 250000. Returns 1 on success, 0 after the settings failure message.
// kSetGeneral and kGetGeneral halt on an item they do not know; the display and export
// operations ignore it. Setting,
// getting or saving an item of a record not loaded yet loads the record first.
[[nodiscard]] uint8_t Konfig(Session& s, int operation, int item = 0, int32_t* value = nullptr,
                             std::string* text = nullptr);

// Item 19 of record 1: the mail database that imports offer as their target, stored when a
// mail database is chosen for an import definition or added from a lookup. Saves record 1.
uint8_t SetDefaultMailDatabase(Session& s, uint32_t id);

// Directories (record 4) by the SettingsStep operations: load (creating it with defaults), set
// and get item::kTempDir or item::kDataDir, save. Directories inside the home are stored
// relative to it (see stored_path); getting gives them whole. Set, get and save load the record
// first when it is not loaded yet.
[[nodiscard]] uint8_t AutoPath(Session& s, int operation, int item = 0,
                               std::string* text = nullptr);

// Word index settings (record 10) and the word character tables (records 12 to 16).
// Kinds: the SettingsStep operations (loading also builds the tables). Selector
// item::kWordIndexDir travels in `text` (stored relative to the home when inside it, given
// whole), item::kPauseCount in `value`, the others in `byte`.
[[nodiscard]] uint8_t WSVars(Session& s, int kind, int selector = 0, std::string* text = nullptr,
                             uint8_t* byte = nullptr, int32_t* value = nullptr);

// Fills the four word character tables with their built-in defaults.
void build_default_word_tables(SettingsState& st);

// Pace values: kComputePace works them out from the display record, kGetPace returns one of the
// values item::kPaceDuplicates to item::kPaceParsers.
int32_t SpeedVal(Session& s, int operation, int item = 0);

// Window positions and list column settings (records 2, 3, 5 to 8): load them (adding missing
// records), or reset them all to their defaults.
[[nodiscard]] uint8_t LoadWindowSettings(Session& s);
[[nodiscard]] uint8_t ResetWindowSettings(Session& s);
// One of those six records by its place (0 to 5: records 2, 3, 5, 6, 7, 8), as loaded, and
// storing it anew. What the 200 bytes of each hold is the desktop program's layout; all zero
// means the defaults. Saving returns 0 after the settings failure message.
inline constexpr int kWindowSettingsBlocks = 6;
const decltype(Control::CTLGROUP)& WindowSettings(const Session& s, int block);
[[nodiscard]] uint8_t SaveWindowSettings(Session& s, int block,
                                         const decltype(Control::CTLGROUP)& group);

// Key code of the numeric-pad 0; the pad's digits are kKeyPad0 to kKeyPad0 + 9. Digits, letters
// (upper-case) and the space bar are their ASCII codes.
inline constexpr int kKeyPad0 = 0x60;

// Type-ahead locator of lists: `key` is the key code pressed (a main-keyboard digit or letter, a
// numeric-pad digit, or the space bar), `now` the time in hundredths. Returns 1 when the key
// extended or restarted the locator text, 0 when it is not a locator key.
uint8_t IncrementStep(Session& s, std::string& locator, int key, int32_t now);

// For progress bars limited to 32767 steps: the smallest n >= 1 with count / n <= 32767, and
// the scaled size count / n.
void CalcMax(int64_t count, int64_t& step, int64_t& size);

}  // namespace qs
