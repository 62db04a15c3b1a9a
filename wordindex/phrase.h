// SPDX-License-Identifier: MIT
// Phrase matching: whether the words of a phrase stand one right after the other in a text,
// cut into words by the word tables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/session.h"
#include "wordindex/tokenizer.h"

namespace qs::words {

struct Phrase {
    std::vector<std::string> words;    // upper case, in typed order
    std::vector<std::string> skipped;  // stop words typed in the phrase: passed over in texts
    bool empty() const { return words.empty(); }
};

bool contains_phrase(const WordRules& rules, std::string_view text, const Phrase& phrase);

// The whole text of a message of the current database; false when it has none. With
// `whole_subject`, also the whole subject kept with the text (blank when the header holds it).
bool read_text(Session& s, uint32_t sysid, std::string& text, std::string* whole_subject = nullptr);
// Its subject for phrase matching: the thread heading of a forum or newsgroup message, the
// subject of a mail. False when the message is gone. The header files must be open.
bool read_subject(Session& s, uint8_t db_type, uint32_t sysid, std::string& subject);
// The header files of a database type, and its text file with `texts`.
std::vector<int> message_files(uint8_t db_type, bool texts = true);

}  // namespace qs::words
