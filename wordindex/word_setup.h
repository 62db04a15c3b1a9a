// SPDX-License-Identifier: MIT
// The rules of the Word Index Setup Wizard, apart from its pages: the character list's cell
// clicks, "Save && Reindex", the pause count field, reading the settings when it opens and
// saving them at "&Finish", and the count of word indexed databases its welcome page shows.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"
#include "wordindex/tokenizer.h"

namespace qs::words {

// Cell clicks of the character list (tables hold 1 for "not allowed"). A character made not
// allowed inside is also not allowed at the end; an End cell allows the end only to a character
// allowed inside.
void ToggleStart(WordRules& list, uint8_t c);
void ToggleInside(WordRules& list, uint8_t c);
void ClickEnd(WordRules& list, uint8_t c);

// The databases whose master index holds records.
int CountIndexedDatabases(Session& s);

enum class SaveResult : uint8_t { NoChanges, Declined, Saved };

// "Save && Reindex": when `list` differs from the tables in use and the user confirms (twice
// when databases are indexed), the tables in use become `list` and the word list, master index
// and pending deletions of every indexed database are emptied and its index position cleared,
// so that each needs a full build.
// The tables are written to the settings by FinishSetup.
SaveResult SaveAndReindex(Session& s, const WordRules& list, const std::string& set_name);

// The pause count field: 1000 and more is taken; a smaller entry gives back the previous value,
// or 1000 when that was smaller too.
int32_t PauseCount(int32_t entered, int32_t previous);

// The seven settings the wizard edits.
struct WordIndexSetup {
    uint8_t index_numbers = 1;    // 49
    int32_t pause_count = 10000;  // 50
    uint8_t forum_footers = 0;    // 51
    uint8_t news_footers = 0;     // 52
    uint8_t forum_stop = 1;       // 53
    uint8_t news_stop = 1;        // 54
    uint8_t mail_stop = 1;        // 55
};

// False after "Config Problem" when the word index settings were never read.
bool OpenSetup(Session& s, WordIndexSetup& out);
// Sets all seven and saves the settings with the word tables; false after "Not Saved".
bool FinishSetup(Session& s, const WordIndexSetup& in);

}  // namespace qs::words
