// SPDX-License-Identifier: MIT
// The word list and ignore list of the current database: listing the indexed words by word or
// by message count, marking words for deletion (kept in the pending deletions file until the
// next indexing removes them), and adding, changing and removing stop words.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs::words {

enum class WordOrder { ByWord, ByCount };

// Up to `limit` words of the word list; by count the most frequent come first. Listing by count
// builds the count key first when the database's flag asks for it (and clears the flag).
// False when the count key was needed and could not be built (reported).
bool list_words(Session& s, WordOrder order, size_t limit, std::vector<WordList>& out);

// The marked words: the pending deletions, by word id.
std::set<int32_t> marked_words(Session& s);
// Rewrites the pending deletions file with one record per marked word.
bool save_marks(Session& s, const std::set<int32_t>& ids);
// Marks the word for deletion, or unmarks it when it was marked. 1 marked, 0 unmarked,
// -1 no such word in the word list.
int toggle_mark(Session& s, const std::string& word);

// The ignore list's forms. The request comes in s.GlobalRequest (1 add, 2 change, 3 delete) and
// the answer goes to s.GlobalResponse (1 done, 2 cancelled). `word` is the word to add, change
// or delete, `changed` its new spelling. Words are kept upper-case.
void StopListForm(Session& s, const std::string& word, const std::string& changed = {});
std::vector<std::string> stop_words(Session& s);

// The title of the form of a request (1 add, 2 change, 3 delete), and the hint of its button.
std::string stop_form_title(int request);
std::string stop_form_hint(int request);

// Window titles.
std::string word_list_title(const Session& s);
std::string ignore_list_title(const Session& s);

}  // namespace qs::words
