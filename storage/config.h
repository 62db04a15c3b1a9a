// SPDX-License-Identifier: MIT
// Settings kept in the records of the Control file, addressed by record and item number:
// general (record 1), directories (4), display (9), word index (10), export (11) and the word
// character rules (12 to 16); the pace values derived from them; and two small list helpers.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs {

// General, display and export settings. Operations: 1 load record 1, 2 set and 3 get a record 1
// item, 4 save record 1; 6 load record 9, 7 set, 8 get, 9 save; 23 load record 11, 24 set,
// 25 get, 26 save. Numeric items travel in `value`, text items in `text`; a font item (33 to 36)
// travels as its name in `text` and its size in `value`. Loading applies the defaults to zero
// items and writes the record back only when that changed it; loading record 1 also raises the
// identifier counter to 250000. Returns 1 on success, 0 after the settings failure message.
// Operations 2 and 3 halt on an item they do not know; 7, 8, 24 and 25 ignore it. Setting,
// getting or saving an item of a record not loaded yet loads the record first.
[[nodiscard]] uint8_t Konfig(Session& s, int operation, int item = 0, int32_t* value = nullptr,
                             std::string* text = nullptr);

// Item 19 of record 1: the mail database that imports offer as their target, stored when a
// mail database is chosen for an import definition or added from a lookup. Saves record 1.
uint8_t SetDefaultMailDatabase(Session& s, uint32_t id);

// Directories (record 4): 1 load (creating it with defaults), 2 set and 3 get item 17 (temporary
// directory) or 18 (top directory of the database files), 4 save. Directories inside the home
// are stored relative to it (see stored_path); 3 gives them whole. 2 to 4 load the record first
// when it is not loaded yet.
[[nodiscard]] uint8_t AutoPath(Session& s, int operation, int item = 0,
                               std::string* text = nullptr);

// Word index settings (record 10) and the word character tables (records 12 to 16).
// Kinds: 1 initialise, 2 set, 3 get, 4 save. Selector 44 travels in `text` (the word index root,
// stored relative to the home when inside it, given whole), 50 in `value`, the others in `byte`.
[[nodiscard]] uint8_t WSVars(Session& s, int kind, int selector = 0, std::string* text = nullptr,
                             uint8_t* byte = nullptr, int32_t* value = nullptr);

// Fills the four word character tables with their built-in defaults.
void build_default_word_tables(SettingsState& st);

// Pace values: operation 2 computes them from the display record, 3 returns value 26 to 31.
int32_t SpeedVal(Session& s, int operation, int item = 0);

// Window positions and list column settings (records 2, 3, 5 to 8): load them (adding missing
// records), or reset them all to their defaults.
[[nodiscard]] uint8_t LoadWindowSettings(Session& s);
[[nodiscard]] uint8_t ResetWindowSettings(Session& s);

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
