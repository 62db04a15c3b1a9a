// SPDX-License-Identifier: MIT
// The word indexer of the current database: tokenizes every message text that is not yet in the
// master index (or all of them on a full rebuild), keeps the word list's message counts, moves
// very common words to the stop list, and writes words and (word, message) pairs in batches.
//
//   Start ----> 1 Cleanup ----> 8 Prepare ----> 9 Passes ---(no text left)---> Ending ---> Done
//   files open,  marked words    a rebuild       one pass of     ^    |        keys back,
//   settings,    leave for the   empties the     per_pass texts  +----+        position saved,
//   database     stop list (one  index; start    a step; flush   More          stopped words
//   record,      transaction)    point saved,    at 50000 pairs                removed, count
//   rebuild?                     keys set aside                                key, flag cleared
//
//   A failure in any state ends the run: Failed, and every later step() returns it. The position
//   reached at the last flush is kept, so the next run goes on from there. A declined rebuild
//   and cancel() end it as Done with result() kIndexNotFinished. cancel() in the passes writes
//   what is buffered and saves the position first, so nothing read is lost and the next run
//   takes the rest.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/session.h"
#include "wordindex/index_files.h"

namespace qs::words {

// A flush happens once this many pairs are buffered (and more than 50 messages remain): the
// memory budget of a run's pairs, 8 bytes each while buffered and about 15 with their records
// while a flush regroups them by word. A flush rewrites the last block of every word it holds,
// so fewer, larger flushes write less: the index run of a million generated mails wrote 3.9 GB
// in flushes of 2M pairs and 2.2 GB in flushes of 4M (56 s to 45 s, peak 78 MB to 108 MB).
inline constexpr size_t kFlushPairs = size_t{1} << 22;
// Or once their position records take this many bytes: the records' own budget. At the 1.7
// bytes a pair of generated mails the pairs' budget fills first; this one bounds texts whose
// words repeat much, whose records are long.
inline constexpr size_t kFlushPositionBytes = size_t{8} << 20;

// The results of INDEXFILE1.
inline constexpr uint8_t kIndexFinished = 1;     // ended normally, count key rebuilt
inline constexpr uint8_t kIndexNotFinished = 2;  // declined, cancelled or stopped on a failure

struct IndexRequest {
    uint8_t type = 0;        // database type: 1 forum, 2 mail, 3 newsgroup
    int per_pass = 4;        // messages tokenized per pass
    bool full = false;       // rebuild the whole index
    bool confirmed = false;  // the caller already had the rebuild confirmed
    size_t flush_pairs = kFlushPairs;
    size_t flush_position_bytes = kFlushPositionBytes;
};

// What a run tells its window: a caption, and the share done of the messages to go.
struct IndexProgress {
    std::function<void(const std::string& caption)> caption;
    std::function<void(int percent, uint64_t done, uint64_t to_go)> percent;
};

struct IndexOutcome {
    uint64_t tokenized = 0;  // messages tokenized in this run
    uint64_t pairs = 0;      // pairs written
    uint64_t new_words = 0;
    uint64_t stopped = 0;  // words moved to the stop list automatically
};

class IndexPass;

// One indexing run of the current database, driven by step(): the window's timer, the command
// line's loop or a test calls it until it returns Done or Failed. While the session is
// unattended no message box is shown and the rebuild is not asked for.
class Indexer {
public:
    enum class Result { More, Done, Failed };
    enum class State : uint8_t { Start = 0, Cleanup = 1, Prepare = 8, Passes = 9, Ending, Ended };

    // Opens the run's files and marks indexing as in progress (IndexingInProgress) until the
    // run ends. `progress` is kept for the run.
    Indexer(Session& s, const IndexRequest& request, IndexProgress progress = {});
    // A run destroyed before its end (by a Halt, or a caller that gave up) rolls back the
    // transaction under way and closes its files; what earlier flushes wrote stays, and keys
    // set aside are built again when the files are next opened.
    ~Indexer();
    Indexer(const Indexer&) = delete;
    Indexer& operator=(const Indexer&) = delete;

    // Does one state's work (one pass in the passes) and says whether more is to come.
    Result step();
    // Ends the run at the next step, as described above.
    void cancel() { cancelled_ = true; }

    State state() const { return state_; }
    // kIndexFinished once the run ended normally, else kIndexNotFinished.
    uint8_t result() const { return result_; }
    const IndexOutcome& outcome() const { return outcome_; }
    // The share of the messages to go that was read, 0 to 100.
    int percent() const;

private:
    bool start();
    bool cleanup();
    bool empty_index();
    bool index_empty();
    bool prepare();
    bool passes();
    bool ending();
    void end();
    void caption(const std::string& c) const;

    Session& s_;
    IndexRequest request_;
    IndexProgress progress_;
    std::vector<int> files_;
    bool open_ = false;
    State state_ = State::Start;
    bool failed_ = false;
    bool cancelled_ = false;
    uint8_t result_ = kIndexNotFinished;
    bool auto_stop_ = false;
    bool keep_footer_ = false;
    IndexState index_;  // the database record's index state
    std::unique_ptr<IndexPass> pass_;
    IndexOutcome outcome_;
};

// Runs one indexing of the current database to its end. Returns kIndexFinished when it ended
// normally and the count key was rebuilt, kIndexNotFinished otherwise (the rebuild was
// declined, a failure was reported, or the key could not be built).
uint8_t INDEXFILE1(Session& s, const IndexRequest& request, const IndexProgress& progress = {},
                   IndexOutcome* outcome = nullptr);

// Messages per pass from the pace settings; 4 when they cannot be read.
int messages_per_pass(Session& s);

// The window title of a run.
std::string index_title(const Session& s);

}  // namespace qs::words
