// SPDX-License-Identifier: MIT
// What every command of the command line gets, and the table of commands.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli/args.h"
#include "maintenance/purge.h"
#include "storage/session.h"

namespace qs::cli {

struct Context {
    Session& s;
    std::string home;
    bool json = false;
    std::ostream& out;
};

struct Command {
    const char* name;     // "db list"
    const char* usage;    // "db list"
    const char* summary;  // one line
    const char* details;  // the rest of its help, may be empty
    int (*run)(Context&, const std::vector<std::string>& words);
};

const std::vector<Command>& commands();

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Commands, one file each.
int cmd_init(Context&, const std::vector<std::string>&);
int cmd_db_list(Context&, const std::vector<std::string>&);
int cmd_db_add_forum(Context&, const std::vector<std::string>&);
int cmd_db_add_mail(Context&, const std::vector<std::string>&);
int cmd_db_update_mail(Context&, const std::vector<std::string>&);
int cmd_db_remove(Context&, const std::vector<std::string>&);
int cmd_config_get(Context&, const std::vector<std::string>&);
int cmd_config_set(Context&, const std::vector<std::string>&);
int cmd_formats(Context&, const std::vector<std::string>&);
int cmd_batch_add(Context&, const std::vector<std::string>&);
int cmd_batch_list(Context&, const std::vector<std::string>&);
int cmd_batch_show(Context&, const std::vector<std::string>&);
int cmd_batch_delete(Context&, const std::vector<std::string>&);
int cmd_batch_run(Context&, const std::vector<std::string>&);
int cmd_import(Context&, const std::vector<std::string>&);
int cmd_messages(Context&, const std::vector<std::string>&);
int cmd_show(Context&, const std::vector<std::string>&);
int cmd_persons(Context&, const std::vector<std::string>&);
int cmd_threads(Context&, const std::vector<std::string>&);
int cmd_sections(Context&, const std::vector<std::string>&);
int cmd_find(Context&, const std::vector<std::string>&);
int cmd_wordsets(Context&, const std::vector<std::string>&);
int cmd_search(Context&, const std::vector<std::string>&);
int cmd_index(Context&, const std::vector<std::string>&);
int cmd_index_status(Context&, const std::vector<std::string>&);
int cmd_words(Context&, const std::vector<std::string>&);
int cmd_words_mark(Context&, const std::vector<std::string>&);
int cmd_stoplist(Context&, const std::vector<std::string>&);
int cmd_tree(Context&, const std::vector<std::string>&);
int cmd_page(Context&, const std::vector<std::string>&);
int cmd_mark(Context&, const std::vector<std::string>&);
int cmd_topics(Context&, const std::vector<std::string>&);
int cmd_topic_add(Context&, const std::vector<std::string>&);
int cmd_topic_rename(Context&, const std::vector<std::string>&);
int cmd_topic_delete(Context&, const std::vector<std::string>&);
int cmd_classify(Context&, const std::vector<std::string>&);
int cmd_attachments(Context&, const std::vector<std::string>&);
int cmd_attachment(Context&, const std::vector<std::string>&);
int cmd_dedupe_persons(Context&, const std::vector<std::string>&);
int cmd_merge_persons(Context&, const std::vector<std::string>&);
int cmd_purge(Context&, const std::vector<std::string>&);
int cmd_count(Context&, const std::vector<std::string>&);

// Runs a purge or count of database `db` (current already) to its end or to Ctrl-C, and prints
// its totals, end message or differences; returns the exit status (130 after Ctrl-C).
int run_maintenance(Context& c, const maint::PurgeRequest& rq, const std::string& db);

// The attachments of message `number` of the current database, printed after its text as lines
// of `quillstow attachments`, or into `json` as the array that command prints; false when a read
// failed.
bool print_attachments(Context& c, uint32_t number, std::string* json = nullptr);

// Paths set before start-up runs, so that a lost directory can be mended from the command line.
int set_path(const std::string& home, const std::string& which, const std::string& dir, Session& s);

// The database a command names; prints why not and returns 0 when there is none.
uint32_t database_named(Context& c, const std::string& name);
// The same, made the current database; 0 also when its directory is missing (said so).
uint32_t current_database(Context& c, const std::string& name);
std::string type_name(uint8_t type);

}  // namespace qs::cli
