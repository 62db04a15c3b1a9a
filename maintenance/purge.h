// SPDX-License-Identifier: MIT
// The purge and the recount of the current database, one step machine for both. The purge
// deletes what is marked delete (and, with ageing, the threads whose newest message is older
// than the cutoff) with everything that hangs on it; the recount rebuilds every stored count.
//
//   forum, newsgroup purge:  [99 aged threads -> 100 mark them] -> 15 -> 16 marked threads
//        -> 17 marked messages -> 23 marked sections -> 24/25 their threads -> 11 links
//        -> 12 key word counts -> 13 (10 -> 14 word list) -> 21 PLINK -> [22 receivers] -> 18
//        persons -> 19 threads -> 20 sections and database -> 8 end
//   mail purge:  97 minutes -> 98 duplicates -> 3 -> 4 marked partners -> 5 marked mails
//        -> 6 copy recipients -> 9 PLINK -> 13 (10 -> 14) -> 11 -> 12 -> 7 persons, database -> 8
//   count alone:  11 -> 12 -> 21/9 -> [22] -> 18 -> 19 -> 20 (forum, newsgroup) or 7 (mail) -> 8
//
// Each step() does one batch of the pace value 27 (one unit per thread, person, section, link or
// key word, two per deleted message) inside one transaction over the files the step changes, and
// commits it. A message's text, header, attachments no other message holds and word index entries
// (with the word counts) go in the same transaction, so a run stopped anywhere (cancel, kill,
// power cut) leaves the archive consistent: every step is a walk that a rerun repeats from the
// start and that finds nothing left to do where the last run got. A failure rolls the batch back,
// ends the run (Failed) and every later step() returns Failed.
//
// The count with `check` set writes nothing: every change it would make is listed instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qs::maint {

// The steps by the numbers the task processing and the window know them.
enum class PurgeStep : uint8_t {
    Idle = 0,
    MailPersons = 3,
    MailPartners = 4,
    MailMarked = 5,
    CopyRecipients = 6,
    MailCounts = 7,
    End = 8,
    MailPlinks = 9,
    WordCounts = 10,
    Links = 11,
    CodeCounts = 12,
    WordEntries = 13,
    WordKey = 14,
    CountMarkedThreads = 15,
    MarkedThreads = 16,
    MarkedMessages = 17,
    PersonCounts = 18,
    ThreadCounts = 19,
    SectionCounts = 20,
    Plinks = 21,
    Receivers = 22,
    MarkedSections = 23,
    SectionThreads = 24,
    SectionWalk = 25,
    MailMinutes = 97,
    MailDuplicates = 98,
    AgedThreads = 99,
    MarkAged = 100,
};

struct PurgeRequest {
    bool purge = true;  // false: count alone
    bool ageing = false;
    uint16_t weeks = 0;  // with ageing; 0 stands for 999
    bool check = false;  // count alone: list what differs, change nothing
    int batch = 0;       // units per batch; 0: the pace value 27
};

// A stored value that differs from the recount (or a record the count would delete: `counted`
// is then -1).
struct CountDifference {
    std::string file;  // "Person", "Threads", "Sections", "Forums", "Codes", "PLINK", "SIndex", ...
    uint32_t id = 0;   // the record's identifier (the message number for SIndex links)
    std::string field;  // "FROMCOUNT", "MSGCOUNT", ...; "record" for a record that would go
    int64_t stored = 0;
    int64_t counted = 0;
};

struct PurgeOutcome {
    uint64_t before = 0;            // messages or mails before the run
    std::vector<uint32_t> deleted;  // the messages deleted, ascending
    uint64_t after = 0;
    uint64_t threads = 0;        // after the run (forum, newsgroup)
    uint64_t persons = 0;        // after the run
    uint64_t aged = 0;           // threads marked by ageing
    uint64_t duplicates = 0;     // mails marked as duplicates
    uint64_t words_dropped = 0;  // words that left the word list
    bool database_removed = false;
    bool declined = false;  // a database marked for deletion that the user kept
    std::vector<CountDifference> differences;
    int64_t seconds = 0;
};

using Caption = std::function<void(const std::string&)>;

struct PurgeRun;

class Purge {
public:
    enum class Result { More, Done, Failed };

    // A run over the current database (Mem:ForumNumber). Opens the files it works on; shows
    // every caption through `caption`.
    Purge(Session& s, const PurgeRequest& request, Caption caption = {});
    // A run destroyed before its end rolls back the batch under way and closes its files.
    ~Purge();
    Purge(const Purge&) = delete;
    Purge& operator=(const Purge&) = delete;

    Result step();
    // Stops the run before the next batch; what was committed stays. step() then returns Done.
    void cancel();
    bool cancelled() const;

    PurgeStep current() const;
    const PurgeOutcome& outcome() const;
    // " Obsolete Message Purging The time for completion was: N seconds", or the count's.
    std::string end_message() const;

private:
    std::unique_ptr<PurgeRun> run_;
};

// The window title of a run.
std::string purge_title(const Session& s, bool purge);

// What a purge would delete, read without writing anything: the messages (ascending) that the
// run would delete, the threads ageing would mark and the mails found to be duplicates. False
// after a read failed (told).
struct PurgePlan {
    std::vector<uint32_t> messages;
    std::vector<uint32_t> aged_threads;
    std::vector<uint32_t> duplicates;
};
bool plan_purge(Session& s, const PurgeRequest& request, PurgePlan& plan);

}  // namespace qs::maint
