// SPDX-License-Identifier: MIT
// The import processor: reads the selected files through the format's reader into the temporary
// import file, then stores the temporary records database by database.
//
//   105 Start --> 104 NextPath --a file left--> 101 NextFile --opened--> 10 Parse --+ more: 10
//                  ^   ^  |                       | missing, not of the format       |
//                  |   |  |                       v                                  |
//                  |   +--|-----------------------+                                  |
//                  +------|------------------------------- file done ---------------+
//                         | no file left: temporary keys, counter back, space check
//                         v
//          +------> 102 NextDatabase --none left--> 88 SaveFileKeys --> 7 Finished
//          |              | create if new, open, load sections, position the temporary file
//          |              v
//          |              0 Store (a batch) --more--> 0
//          |              | database done: 22 for mail with copies, else 1
//          |              v
//          |             22 CarbonCopies --> 1 PersonCounts --forum, news--> 6 ThreadCounts
//          |                                   | mail                          |
//          |                                   |                               v
//          +-----------------------------------+------------------------- 12 SectionCounts
//
// Every state may also end the run (7) as a failure: another import is running in the home,
// the Control file cannot be held, no message was found, the user or a scheduled task stops for
// lack of free space, a record cannot be written, or the user interrupts. Only a run that passed
// 88 completed.
//
// step() does a bounded piece of work (the pace values) and returns; the command line calls it in
// a loop, the desktop program from a timer, tests by hand. After a failure every step() returns
// Failed. Every message found is accounted for however the run ends: found = stored + duplicates
// + skipped, and each one not stored is written to "Log.txt" with its reason.
//
// An import owns the temporary import files of its home from its start to its end: a second
// import into the same home is refused at once (see import/run_lock.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/import_settings.h"
#include "import/parser.h"
#include "storage/session.h"

namespace qs {

// The states of an import run, by the numbers the run's log and the scheduled tasks know them.
enum class ImportState : int {
    Start = 105,         // counter held, database list, lock, log, file list
    NextPath = 104,      // a file left? else the temporary keys and the space check
    NextFile = 101,      // existence check, open with the format's reader
    Parse = 10,          // a chunk of the current file
    NextDatabase = 102,  // create if new, open, load sections
    Store = 0,           // a batch of the database's temporary records
    CarbonCopies = 22,   // copy recipients of the database's mail
    PersonCounts = 1,    // sent and received counts
    ThreadCounts = 6,    // forum and newsgroup databases
    SectionCounts = 12,  // forum and newsgroup databases
    SaveFileKeys = 88,   // the imported-message list
    Finished = 7,        // the run is over, completed or not
};
// True in the states of the store phase (102 on).
bool storing(ImportState s);

struct ImportAccounting {
    uint64_t found = 0;
    uint64_t stored = 0;
    uint64_t duplicates = 0;
    uint64_t skipped = 0;  // not handed over by the readers, refused when stored, or left over
    std::map<std::string, uint64_t> skipped_by_reason;
    uint64_t files = 0;
    uint64_t bad_files = 0;
};

class ImportProcessor {
public:
    enum class Result { More, Done, Failed };
    using ParserFactory = std::function<std::unique_ptr<Parser>(const std::string& format)>;
    // Free bytes on the file system that holds a path; nullopt when it cannot be told.
    using FreeSpace = std::function<std::optional<uint64_t>(const std::string& path)>;

    // `factory` makes the reader of the run's format for each file (make_parser in the program).
    ImportProcessor(Session& s, ImportSettings settings, ParserFactory factory);
    // A run not finished yet is ended as by interrupt() without asking (its messages are not
    // accounted for).
    ~ImportProcessor();
    ImportProcessor(const ImportProcessor&) = delete;
    ImportProcessor& operator=(const ImportProcessor&) = delete;

    // Where the free space checks learn the free space (fs::free_space unless replaced).
    void set_free_space(FreeSpace free_space);

    // Done once the run completed, Failed when it ended otherwise (final_message() says why).
    Result step();
    ImportState state() const;
    bool store_phase() const { return storing(state()); }

    // Asks whether to stop (once the store phase has begun); true when the run stopped. The
    // stored messages stay; the counts are those of the count process to come.
    bool interrupt();

    const ImportAccounting& accounting() const;
    // "The import process has finished!", "No messages to import!" or the reason of a failure.
    const std::string& final_message() const;
    // What the progress display shows.
    const std::string& current_file() const;
    int percent() const;
    int64_t seconds() const;
    std::string log_path() const;
    // The databases that received messages, in the order first met.
    std::vector<uint32_t> databases() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Compares the stored text of message `id` with the current temporary text (kind 1) or with the
// stored text of message `id2` (kind 2): a duplicate when the shorter text (trailing blanks
// removed) is the start of the longer and they differ by fewer than 20 characters.
bool DupString(Session& s, int kind, uint32_t id, uint32_t id2 = 0);
bool same_text(std::string_view a, std::string_view b);

}  // namespace qs
