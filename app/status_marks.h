// SPDX-License-Identifier: MIT
// Status marks: normal, keep or delete on a message, its thread or its section, on a mail or its
// mail partner, or on the current database, as the browses' pop-up menu sets them and the purge
// later honours them.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qs {

enum StatusMark : uint8_t { kMarkNormal = 0, kMarkKeep = 1, kMarkDelete = 2 };

enum class MarkTarget : uint8_t {
    Message,   // MSG:DUMMY (forum and newsgroup databases)
    Thread,    // THR:DUMMY of the message's thread
    Section,   // SEC:DUMMY of the message's section
    Mail,      // MAI:DUMMY (mail databases)
    Partner,   // PER:DUMMY of the mail's partner
    Database,  // FOR:DUMMY of the current database, mirrored in Mem:ForumCheck
};

// The pop-up menu of the forum and newsgroup browse, or of the mail browse: "|" separates the
// entries, "-" is a separator line.
const char* status_menu(bool mail);
// The mark's word: "normal", "keep" or "delete" ("?" for another value).
const char* mark_name(uint8_t mark);

enum class MarkResult {
    Done,
    Failed,    // the hold or the write failed and was told to the user; nothing changed
    NoTarget,  // the target does not suit the database, or the mail has no partner
};

// Writes `mark` on the target of message or mail `number` of the current database (`number` is
// not used for the database). The target record is held by its unique key, marked and written
// back; a record another user holds past `wait_s` seconds, or one deleted meanwhile, is told
// through the record operations and stays as it was.
MarkResult SetStatus(Session& s, MarkTarget target, uint32_t number, uint8_t mark, int wait_s = 5);

}  // namespace qs
