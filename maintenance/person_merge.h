// SPDX-License-Identifier: MIT
// Moving messages from one person to another, the aliases (PLINK) that keep a merged person's
// identifying strings, the recount of one person, and the manual merge of persons the user picked.
// All of it works on the current database (Mem:Dirnamn, Mem:ForumType, Mem:PersonID).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs {

// A person as the message headers name it: the identifier, and the last name whose first
// characters the headers keep beside it (MSG:FROMALPHA, MAI:PAIRALPHA ...).
struct PersonRef {
    uint32_t id = 0;
    std::string last;  // PER:LASTNAME
};

// The positions of the headers (Mail in a mail database, else MsgNmbr) that name `p` as sender,
// receiver or mail partner, in file order, each once. The header file must be open. False when a
// read failed (the list is then not whole).
[[nodiscard]] bool HeadersOf(Session& s, const PersonRef& p, std::vector<int64_t>& positions);

// Rewrites the header at `position` so that every person field naming `from` names `to` (with
// its alpha); inside the caller's transaction, failures roll it back (mode 8). False on failure.
[[nodiscard]] bool RecodeHeader(Session& s, int64_t position, const PersonRef& from,
                                const PersonRef& to);

// Every alias of `from` is made an alias of `to`, and `from`'s own identifying string becomes one
// (an alias of that string that led elsewhere now leads to `to`). Inside the caller's transaction
// over Person and PLINK; false after a failure rolled it back.
[[nodiscard]] bool MoveAliases(Session& s, const Person& from, uint32_t to);

// Recounts the person `id` (PER:FROMCOUNT, PER:TOCOUNT) inside the caller's transaction over
// Person, writing the counts when they changed, so that they change with the merge that changed
// them. False after a failure rolled the transaction back; a missing person is no failure.
[[nodiscard]] bool RecountPerson(Session& s, uint32_t id);

// The manual merge: the messages and aliases of each person of `others` (in order) move to `keep`,
// each in a transaction of its own, and the person goes; `keep`'s counts are written with each. In
// a mail database the owner is never merged away ("You are not allowed to change the mail default
// address!" and it is skipped). A failure ends the merge (what was committed stays).
struct ManualMergeResult {
    std::vector<uint32_t> merged;   // persons merged into `keep`
    std::vector<uint32_t> skipped;  // the owner, or persons that do not exist
    bool failed = false;            // a transaction or record operation failed (reported)
    bool keep_missing = false;      // `keep` is no person of the database: nothing was done
};
ManualMergeResult MergePersons(Session& s, uint32_t keep, const std::vector<uint32_t>& others);

// Reads the person by identifier into the Person record buffer; Person must be open.
[[nodiscard]] bool ReadPerson(Session& s, uint32_t id);

}  // namespace qs
