// SPDX-License-Identifier: MIT
// The working state of one import run (private to the processor).
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/processor.h"
#include "import/session_context.h"

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
    Impl(ImportProcessor& owner, Session& s, ImportSettings settings, ParserFactory factory);

    // ParseContext
    const ImportSettings& settings() const override { return cfg; }
    uint32_t next_id() override { return run_counter++; }
    DatabaseRef lookup_database(const std::string& name, bool newsgroup) override;
    bool imported_before(uint32_t database, uint32_t number) override;
    bool add_message(NHR& header, const std::vector<CCT>& copies, const std::string& message_id,
                     const std::string& parent_id) override;
    void skip_message(SkipReason reason, const std::string& what) override;

    // States.
    bool start();           // 105
    bool next_file();       // 104 / 101
    bool parse_chunk();     // 10
    bool finish_parse();    // end of 104
    bool next_database();   // 102
    bool store_batch();     // 0
    bool carbon_copies();   // 22
    bool person_counts();   // 1
    bool thread_counts();   // 6
    bool section_counts();  // 12
    void finish(bool stored_any);

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

    bool begin_batch();
    bool commit_batch();
    bool space_ok(const std::string& path, const char* text);
    void log(const std::string& line);
    void fail(const std::string& why);
    const RunDatabase& current_db() const { return dbs[run_dbs[db_index]]; }
    std::vector<int> files_of_current_db() const;

    ImportProcessor& owner;
    Session& s;
    ImportSettings cfg;
    ParserFactory factory;
    std::ofstream log_file;
    std::string log_path;

    uint32_t run_counter = 0;
    std::vector<RunDatabase> dbs;
    std::map<std::string, size_t> db_by_name;  // upper-cased description -> index
    std::vector<size_t> run_dbs;               // received messages, in the order first met
    uint32_t next_dirnumber = 1;

    std::vector<std::string> files;
    size_t file_index = 0;
    std::unique_ptr<Parser> parser;
    uint64_t temp_records = 0;
    uint64_t since_flush = 0;
    bool control_held = false;
    int32_t run_date = 0, run_time = 0;

    // Store phase.
    size_t db_index = 0;
    bool db_open = false;
    bool db_started = false;  // the temporary file is positioned on this database
    uint64_t stored_done = 0;
    uint64_t since_commit = 0;
    uint64_t db_stored = 0;
    std::vector<SectionEntry> sections;
    std::map<uint32_t, std::pair<int64_t, int64_t>> person_delta;  // id -> sent, received
    std::map<uint32_t, int64_t> thread_delta;
    std::map<uint32_t, int64_t> section_delta;
    bool any_copies = false;
    bool failed = false;

    // The persons of the record being stored.
    uint32_t from_id = 0, to_id = 0;
    std::string from_alpha, to_alpha, from_address, to_address;
};

// Writes the header in the MsgNmbr buffer and the temporary record's text: added for a new
// message, written over a stored one (whose text is replaced only when it has one).
bool write_message(Session& s, bool is_new, int32_t run_date, int32_t run_time);

}  // namespace qs
