// SPDX-License-Identifier: MIT
// The working state of one import run (private to the processor). The run owns its state: each
// state's work returns the state that follows, and only step() and the ending of the run set it.
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/attachment_spool.h"
#include "import/processor.h"
#include "import/run_lock.h"
#include "import/session_context.h"
#include "import/store_places.h"

namespace qs {

// One database the run knows: every database of the list, plus those met for the first time.
struct RunDatabase {
    uint32_t id = 0;
    std::string description;
    uint32_t dirnumber = 0;
    bool is_new = false;
    bool import = true;
    uint8_t type = 0;
    uint32_t redirect_to = 0;  // FOR:REDIRNOW
};

struct SectionEntry {
    uint32_t number;
    uint32_t sysid;
    std::string description;
};

struct ImportProcessor::Impl : SessionParseContext {
    Impl(Session& s, ImportSettings settings, ParserFactory factory);

    // ParseContext
    const ImportSettings& settings() const override { return cfg; }
    std::string mail_database_name(uint32_t id) override;
    uint32_t next_id() override { return run_counter++; }
    DatabaseRef lookup_database(const std::string& name, bool newsgroup) override;
    bool imported_before(uint32_t database, uint32_t number) override;
    bool add_message(NHR& header, const std::vector<CCT>& copies, const std::string& message_id,
                     const std::string& parent_id) override;
    void skip_message(SkipReason reason, const std::string& what) override;
    AttachmentSink& attachments() override { return spool; }
    void note(const std::string& text) override { log("note: " + text); }

    Result step();
    ImportState run_state();

    // The work of each state; each returns the state that follows, or fail(...).
    ImportState start();           // 105
    ImportState next_path();       // 104
    ImportState next_file();       // 101
    ImportState parse_chunk();     // 10
    ImportState finish_parse();    // 104, no file left
    ImportState next_database();   // 102
    ImportState store_batch();     // 0
    ImportState carbon_copies();   // 22
    ImportState person_counts();   // 1
    ImportState thread_counts();   // 6
    ImportState section_counts();  // 12
    ImportState finish();          // 88
    void load_databases();

    // Ending a run that did not complete: records why (the final message and the log) and
    // returns Finished; step() then ends the run.
    ImportState fail(const std::string& why);
    // Ends the run where it stands: the batch under way is committed (`keep_batch`) or rolled
    // back, every message not stored yet is counted and logged with `why`, holds are released,
    // files closed and the lock given up. With `settle` false (a run abandoned while an error
    // unwinds) nothing is read any more.
    void end_run(bool keep_batch, const std::string& why, bool settle = true);
    // The part of end_run for a run that holds the lock: a run refused it has nothing to close,
    // and the files it would close may be another run's.
    void close_run(bool keep_batch, const std::string& why, bool settle);
    // The run's invariants in its present state; checked after every step in debug builds.
    void check_invariants() const;

    // Accounting of the store phase. A message stored or found a duplicate stays pending until
    // its batch is committed; a batch rolled back makes its messages not stored.
    struct Pending {
        std::string what;
        bool duplicate;
    };
    bool end_batch(bool keep, const std::string& why);
    void not_stored(const std::string& what, const std::string& why);
    void settle_database(uint32_t id, const std::string& why, bool from_start);
    void settle_rest(const std::string& why);
    // A message handed over that cannot be written to the temporary file: the run fails.
    bool lost(const NHR& h, const std::string& why);
    uint64_t unsettled() const { return temp_records - settled; }

    // Storing one temporary record.
    enum class Stored { Yes, Duplicate, Failed };
    Stored store_record();
    Stored store_forum();
    Stored store_news();
    Stored store_mail();
    bool resolve_persons();
    bool resolve(bool sender, uint32_t& id, std::string& alpha, std::string& address);
    bool find_section(uint32_t number, const std::string& description, uint32_t& sysid);
    bool find_thread(uint32_t section, const std::string& subject, uint32_t& number,
                     std::string& alpha);
    void queue_counts(uint32_t thread, uint32_t section);
    // Moves the attachments of the temporary record at `position` into the database, linked to
    // message `number` (import/attachment_store.cpp).
    bool store_attachments(int64_t position, uint32_t number);
    bool move_content(const ATN& a);

    bool begin_batch();
    // A large import into a mail database sets aside the keys of the mail file that storing
    // does not read, and builds them again when the database's messages are stored: a key in
    // random order costs a page read, a journal write and a page write for most mails stored
    // into it, a build one sort (import/mail_keys.cpp). Restoring reports a failure; the next
    // open of the file builds keys that are still missing.
    bool set_mail_keys_aside();
    bool restore_mail_keys();
    // After a large import into the database, its file of message headers is compacted: storing
    // wrote the records and their keys interleaved, a page of each at a time, and a search then
    // read a page for nearly every hit it listed; compacted, the records and each key lie in
    // order (import/mail_keys.cpp). A failure is logged and leaves the file as it was.
    void compact_headers();
    // Reads the mail that the copy recipients of the run's mail `run_id` go to; false when there
    // is none, or when it is a mail stored before that has its copy recipients already.
    bool mail_for_copies(uint32_t run_id);
    bool space_ok(const std::string& path, const char* text);
    void log(const std::string& line);
    const RunDatabase& current_db() const { return dbs[run_dbs[db_index]]; }
    std::vector<int> files_of_current_db() const;
    int percent() const;

    Session& s;
    ImportSettings cfg;
    ParserFactory factory;
    FreeSpace free_space;
    RunLock lock;
    std::ofstream log_file;
    std::string log_path;

    ImportState state = ImportState::Start;
    bool failed = false;
    ImportAccounting acc;
    std::string final;
    std::string current_file;
    int64_t seconds = 0;

    uint32_t run_counter = 0;
    std::vector<RunDatabase> dbs;
    std::map<std::string, size_t> db_by_name;  // upper-cased description -> index
    std::vector<size_t> run_dbs;               // received messages, in the order first met
    uint32_t next_dirnumber = 1;

    std::vector<std::string> files;
    size_t file_index = 0;
    std::unique_ptr<Parser> parser;
    uint64_t temp_records = 0;  // handed over by the readers
    uint64_t since_flush = 0;
    bool control_held = false;
    int32_t run_date = 0, run_time = 0;

    // Store phase.
    size_t db_index = SIZE_MAX;  // into run_dbs; SIZE_MAX before the first database
    size_t first_unread_db = 0;  // run_dbs from here on: no temporary record read yet
    bool db_open = false;
    bool reading_db = false;  // the temporary file is positioned in the current database
    uint64_t settled = 0;     // temporary records stored, duplicate or counted as not stored
    std::vector<Pending> pending;
    uint64_t db_stored = 0;
    std::vector<SectionEntry> sections;
    std::map<uint32_t, std::pair<int64_t, int64_t>> person_delta;  // id -> sent, received
    std::map<uint32_t, int64_t> thread_delta;
    std::map<uint32_t, int64_t> section_delta;
    bool any_copies = false;
    std::vector<int> mail_keys_aside;
    // Mails of this run found already stored without their copy recipients (a run stopped
    // before it added them): the run's identifier -> the stored mail's.
    std::map<uint32_t, uint32_t> copies_go_to;
    // The folders and labels of the mails of the batch, as topics.
    PlaceLinks places;

    // The persons of the record being stored.
    uint32_t from_id = 0, to_id = 0;
    std::string from_alpha, to_alpha, from_address, to_address;

    // The attachments of the messages being read, until they are handed over.
    AttachmentSpool spool;
    // The positions of the temporary records that brought attachments, in the order they were
    // added (rising), so that storing a message without any looks nothing up.
    std::vector<uint32_t> attached;
};

// Writes the header in the MsgNmbr buffer and the temporary record's text: added for a new
// message, written over a stored one (whose text is replaced only when it has one).
bool write_message(Session& s, bool is_new, int32_t run_date, int32_t run_time);

}  // namespace qs
