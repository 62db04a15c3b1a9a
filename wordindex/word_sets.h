// SPDX-License-Identifier: MIT
// The saved word definition sets of the WD file: 256 character records per set name, each saying
// whether the character may start, stand inside and end a word. The sets supplied with the
// system are written into the file when it holds none; the word index setup shows them and takes
// one as the tables in use.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "storage/session.h"
#include "wordindex/tokenizer.h"

namespace qs::words {

// The list entry that stands for the tables in use.
inline constexpr const char* kCurrentSelection = "Current Selection";

struct SavedSet {
    std::string name;
    size_t records = 0;  // 256 for a whole set
    int start = 0;       // characters that may start a word
    int inside = 0;      // ... stand inside one
    int end = 0;         // ... end one
};

// The sets supplied with the system, by name.
struct ShippedSet {
    const char* name;
    WordRules rules;
};
std::vector<ShippedSet> shipped_sets();

// Writes the supplied sets into WD when it has no records (or does not exist yet). False when
// they could not be written (reported; nothing half-written stays).
bool ShipWordSets(Session& s);

// Every set in WD, in name order (the supplied ones written first when it has none).
std::vector<SavedSet> ListWordSets(Session& s);

// The tables of a saved set; the tables in use for kCurrentSelection, for an unknown name and
// for a set that does not have exactly 256 records.
WordRules ReadWordSet(Session& s, const std::string& name);

// How many characters of each table are allowed (entry 0).
SavedSet count_allowed(const WordRules& rules);

}  // namespace qs::words
