// SPDX-License-Identifier: MIT
// The duplicate person elimination of the current database, as a step machine: each step() does
// one batch (pace value 26 records) and commits it, so a run stopped or killed between any two
// writes leaves a consistent archive, and a new run finishes the work.
//
//   50 correct CompuServe addresses: a batch of persons, each corrected person in the same
//      transaction as its headers' alphas ---+ (more persons)
//   50 (no person left) ---> 2 group list ---> 11 sent counts ---> 3 survivors
//   3 ---> 4 recode headers of each merged person onto its survivor, a batch per transaction
//   4 ---> 5 aliases (PLINK) and deletion of the merged persons, a batch per transaction, which
//          also writes the recounted counts of its survivors
//   5 ---> 1 every person recounted, a batch per transaction; persons without any message go
//   1 ---> 7 end message ---> Done
//   a failed read, record operation or transaction ---> Failed, sticky
//   stop() and the user confirms ---> Stopped after the batch under way, sticky
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/dedupe_plan.h"
#include "storage/session.h"

namespace qs {

struct DedupeTotals {
    uint64_t persons_before = 0;
    uint64_t corrected = 0;         // persons whose CompuServe address was corrected
    uint64_t duplicates = 0;        // persons merged into another and deleted
    uint64_t without_messages = 0;  // persons deleted by the recount for want of any message
    uint64_t remaining = 0;         // persons after the run
};

class DuplicatePersons {
public:
    enum class Result { More, Done, Stopped, Failed };

    // The captions of the steps, as the window shows them (the command line prints them).
    using Caption = std::function<void(const std::string&)>;

    // Opens the files of the current database; closes them when it goes.
    DuplicatePersons(Session& s, Caption caption = {});
    ~DuplicatePersons();
    DuplicatePersons(const DuplicatePersons&) = delete;
    DuplicatePersons& operator=(const DuplicatePersons&) = delete;

    Result step();
    // Asks to stop: the next step asks the user whether the counts may stay wrong (unattended,
    // and on the command line, the answer is yes) and then returns Stopped. Safe to call from a
    // signal handler's flag check between steps; committed batches stay.
    void stop() { stop_requested_ = true; }
    // Records per batch; the pace setting's value 26 unless set.
    void set_batch(uint32_t n) { batch_ = n ? n : 1; }

    int state() const { return step_; }
    const std::vector<MergeEntry>& merges() const { return merges_; }
    const std::vector<AddressCorrection>& corrections() const { return corrections_; }
    const DedupeTotals& totals() const { return totals_; }

    // The window's title for the database (scheduled or not).
    static std::string title(const Session& s);

private:
    Result fail();
    void next(int step, const char* caption);
    bool correct_batch();
    bool correct_one(const AddressCorrection& c);
    bool recode_batch();
    bool delete_batch();
    bool delete_one(const MergeEntry& e);
    bool count_batch();
    bool count_one(uint32_t id);
    void finish();

    Session& s_;
    Caption caption_;
    std::vector<int> files_;
    int header_;
    uint32_t batch_;
    int step_ = 50;
    bool failed_ = false;
    bool stopped_ = false;
    bool stop_requested_ = false;

    uint32_t last_id_ = 0;  // steps 50 and 1: persons up to this identifier are done
    std::vector<AddressCorrection> corrections_;
    std::vector<GroupMember> groups_;
    std::vector<MergeEntry> merges_;
    size_t entry_ = 0;                // steps 4, 5: the merge entry under way
    std::vector<int64_t> positions_;  // step 4: its headers
    size_t position_ = 0;
    bool loaded_ = false;
    DedupeTotals totals_;
};

}  // namespace qs
