// SPDX-License-Identifier: MIT
// The contract between the import processor and the readers of the reader formats. A reader is
// made once per file; it reads the file in steps and hands every message it finds to the
// processor as a temporary header with its text, carbon copies and message identifiers, or tells
// why a message is not handed over. The processor counts and logs both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_settings.h"
#include "import/mime/attachment_sink.h"
#include "storage/records.h"

namespace qs {

// What a reader learns about a database it names.
struct DatabaseRef {
    uint32_t id = 0;
    bool import = true;        // false: the database takes no imported messages (skip them)
    uint8_t type = 0;          // 1 forum, 2 mail, 3 newsgroup
    uint32_t section_id = 0;   // newsgroups: the identifier of the group named
    std::string section_name;  // and its name
};

// Why a message was not handed over.
enum class SkipReason { Duplicate, KindNotSelected, NotImported, Damaged, NotOfFormat };
const char* skip_reason_text(SkipReason r);

// What a reader is given of the run: the settings, the user, the owner of the mail database
// receiving mail, identifiers, database lookups, and the hand-over of messages. Readers see
// nothing else of the program's state.
class ParseContext {
public:
    virtual ~ParseContext() = default;
    virtual const ImportSettings& settings() const = 0;
    // Tells the user about the file being read; nothing is shown while the run is unattended (a
    // scheduled task), and the reader goes on as if the message had been confirmed.
    virtual void report(std::string_view title, std::string_view text) = 0;
    // The name of mail database `id`; empty when there is no mail database of that identifier.
    virtual std::string mail_database_name(uint32_t id) = 0;
    // The owner of the mail database receiving mail: whether an address is one of the owner's
    // (trailing blanks and case ignored), and the owner's default address (lower case) and name,
    // which the owner's side of a mail is written with.
    virtual bool own_address(std::string_view address) const = 0;
    virtual const std::string& owner_address() const = 0;
    virtual const std::string& owner_name() const = 0;
    // A new identifier from the run's counter.
    virtual uint32_t next_id() = 0;
    // The database of that name, created for the run when unknown (forum, or newsgroup).
    virtual DatabaseRef lookup_database(const std::string& name, bool newsgroup) = 0;
    // True when the forum message was imported before.
    virtual bool imported_before(uint32_t database, uint32_t number) = 0;
    // Hands over one message: the temporary header (its text in MSGTEXT), its carbon copies, and
    // for newsgroup messages the message identifiers of the message and of its parent.
    virtual bool add_message(NHR& header, const std::vector<CCT>& copies = {},
                             const std::string& message_id = {},
                             const std::string& parent_id = {}) = 0;
    // A message found but not handed over; `what` names it in the log (subject, position).
    virtual void skip_message(SkipReason reason, const std::string& what) = 0;
    // Where the reader streams the attachments of the message it is reading: every part that is
    // not the message's text. The attachments streamed since the last add_message or
    // skip_message belong to the message handed over next by add_message; skip_message drops
    // them, and so does the end of the file. When the sink's end() returns false the attachment
    // could not be kept, and the reader reports the message damaged (skip_message) instead of
    // handing it over without it. The sink lives as long as the context.
    virtual AttachmentSink& attachments() = 0;
};

// How far a reader is in its file, for the progress display.
struct ReadProgress {
    uint64_t done = 0;   // bytes consumed
    uint64_t total = 0;  // the file's size; 0 when the reader does not tell
};

class Parser {
public:
    virtual ~Parser() = default;
    // Starts reading a file; false when it is not a file of the format (the reader has said so
    // through the session's dialogs, and the file is skipped).
    virtual bool open(ParseContext& ctx, const std::string& path) = 0;
    // Reads up to `budget` messages; true when the file is done.
    virtual bool step(ParseContext& ctx, int budget) = 0;
    // Bytes consumed of the open file; all of it once step() has said the file is done.
    virtual ReadProgress progress() const { return {}; }
};

}  // namespace qs
