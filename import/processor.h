// SPDX-License-Identifier: MIT
// The import processor: reads the selected files through the format's reader into the temporary
// import file, then stores the temporary records database by database.
//
//   105 start ---> 104 next file? --yes--> 101 open file ---> 10 parse a chunk --+
//                    ^  \                     |  (not of the format)           |
//                    |   \                    +------------>-------------------+ file done
//                    +----\---------------------------------------------------+
//                          no file left: counter back, space check
//                            |
//                            v
//                   +---> 102 next database? --no--> 88 imported-message list ---> 7 finished
//                   |        | yes: create if new, open, load sections
//                   |        v
//                   |        0 store a batch (commit after more than 400 records)
//                   |        | database done
//                   |        v
//                   |       22 carbon copies (mail) ---> 1 person counts ---> 6 thread counts
//                   |                                        | mail                | news
//                   +----------------------------------------+---------------------+
//                   +-------------------------- 12 section counts (forum) <--------+ forum
//
// step() does a bounded piece of work (the pace values) and returns; the command line calls it in
// a loop, the desktop program from a timer, tests by hand. After a failure every step() returns
// Failed. Every message found is accounted for: found = stored + duplicates + skipped, and each
// one not stored is written to "Log.txt" with its reason.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "import/import_settings.h"
#include "import/parser.h"
#include "storage/session.h"

namespace qs {

struct ImportAccounting {
    uint64_t found = 0;
    uint64_t stored = 0;
    uint64_t duplicates = 0;
    uint64_t skipped = 0;  // not handed over by the readers, or refused when stored
    std::map<std::string, uint64_t> skipped_by_reason;
    uint64_t files = 0;
    uint64_t bad_files = 0;
};

class ImportProcessor {
public:
    enum class Result { More, Done, Failed };
    using ParserFactory = std::function<std::unique_ptr<Parser>(const std::string& format)>;

    // `factory` makes the reader of the run's format for each file (make_parser in the program).
    ImportProcessor(Session& s, ImportSettings settings, ParserFactory factory);
    ~ImportProcessor();
    ImportProcessor(const ImportProcessor&) = delete;
    ImportProcessor& operator=(const ImportProcessor&) = delete;

    Result step();
    int state() const { return state_; }
    bool store_phase() const {
        return state_ != 105 && state_ != 104 && state_ != 101 && state_ != 10;
    }

    // Asks whether to stop (once the store phase has begun); true when the run stopped. The
    // stored messages stay; the counts are those of the count process to come.
    bool interrupt();

    const ImportAccounting& accounting() const { return acc_; }
    // "The import process has finished!", "No messages to import!" or the reason of a failure.
    const std::string& final_message() const { return final_; }
    // What the progress display shows.
    const std::string& current_file() const { return current_file_; }
    int percent() const;
    int64_t seconds() const { return seconds_; }
    std::string log_path() const;
    // The databases that received messages, in the order first met.
    std::vector<uint32_t> databases() const;

    struct Impl;

private:
    void interrupt_without_asking();

    int state_ = 105;
    ImportAccounting acc_;
    std::string final_;
    std::string current_file_;
    int64_t seconds_ = 0;
    std::unique_ptr<Impl> impl_;
};

// Compares the stored text of message `id` with the current temporary text (kind 1) or with the
// stored text of message `id2` (kind 2): a duplicate when the shorter text (trailing blanks
// removed) is the start of the longer and they differ by fewer than 20 characters.
bool DupString(Session& s, int kind, uint32_t id, uint32_t id2 = 0);
bool same_text(std::string_view a, std::string_view b);

}  // namespace qs
