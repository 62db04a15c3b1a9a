// SPDX-License-Identifier: MIT
// The duplicate person elimination's steps (state diagram in dedupe_persons.h). Each step works
// from what is committed: a run that was stopped or killed is simply run again. Step 50's
// corrections and step 5's deletions are whole per person, and headers moved in step 4 no longer
// count for the merged person, so a new run chooses the same survivors and moves the rest.
#include "maintenance/dedupe_persons.h"

#include <algorithm>

#include "import/address.h"
#include "maintenance/person_merge.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr const char* kStopTitle = "Duplicate Person elimination interrupted";
constexpr const char* kStopText =
    "Stopping at this stage will cause message counts \r\nto be incorrect.\r\nIf you do quit, "
    "please run the Count Messages process to correct the numbers! Are you sure you want to "
    "quit?";

bool begin(Session& s, std::initializer_list<int> files) {
    return !TransactionCheck(s, BeginTransaction(s, files));
}

}  // namespace

std::string DuplicatePersons::title(const Session& s) {
    return std::string(s.mem.DoTask ? " Scheduled Duplicate Merging [" : " Duplicate Merging [") +
           s.mem.Description + "]";
}

DuplicatePersons::DuplicatePersons(Session& s, Caption caption)
    : s_(s), caption_(std::move(caption)), header_(s.mem.ForumType == kMailDb ? kMail : kMsgNmbr) {
    files_ = {kPerson, kPLINK, header_};
    OP_CLOSE(s_, kOpOpen, files_);
    const int32_t pace = SpeedVal(s_, kGetPace, 26);
    batch_ = pace > 0 ? static_cast<uint32_t>(pace) : 500;
    StartStop(s_, kStartStopwatch, 0);
    if (!RecordCount(s_, kPerson, totals_.persons_before)) failed_ = true;
    if (caption_) caption_("Correcting non wellformed CIS addresses");
}

DuplicatePersons::~DuplicatePersons() {
    if (s_.engine.in_transaction()) Rollback(s_);
    OP_CLOSE(s_, kOpClose, files_);
}

DuplicatePersons::Result DuplicatePersons::fail() {
    if (s_.engine.in_transaction()) Rollback(s_);
    failed_ = true;
    return Result::Failed;
}

void DuplicatePersons::next(int step, const char* caption) {
    step_ = step;
    if (caption && caption_) caption_(caption);
}

DuplicatePersons::Result DuplicatePersons::step() {
    if (failed_) return Result::Failed;
    if (stopped_) return Result::Stopped;
    if (step_ == 0) return Result::Done;
    if (stop_requested_) {
        stop_requested_ = false;
        if (s_.quiet() || s_.dialog.ask(kStopTitle, kStopText, true)) {
            stopped_ = true;
            return Result::Stopped;
        }
    }
    switch (step_) {
        case 50:
            if (!correct_batch()) return fail();
            break;
        case 2: {
            if (caption_) caption_("Updating count for suspected duplicates");
            // The corrections are in the store by now.
            std::vector<GroupMember> persons;
            if (!ReadPersons(s_, persons, nullptr)) return fail();
            groups_ = GroupList(std::move(persons));
            next(11, "Processing Step 1");
            break;
        }
        case 11:
            if (!CountSent(s_, groups_)) return fail();
            next(3, "Processing Step 3");
            break;
        case 3:
            merges_ = ChooseSurvivors(
                groups_, s_.mem.ForumType == kMailDb ? static_cast<uint32_t>(s_.mem.PersonID) : 0);
            entry_ = 0;
            next(4, "Recoding Message Receiver ID");
            break;
        case 4:
            if (!recode_batch()) return fail();
            break;
        case 5:
            if (!delete_batch()) return fail();
            break;
        case 1:
            if (!count_batch()) return fail();
            break;
        case 7: finish(); return Result::Done;
    }
    return Result::More;
}

// Step 50: the next batch of persons by identifier; a transaction only when one is corrected.
bool DuplicatePersons::correct_batch() {
    std::vector<AddressCorrection> found;
    uint32_t seen = 0;
    const uint64_t failures = s_.read_failures;
    Person& p = s_.rec.Person;
    p = Person{};
    p.PERSONID = last_id_ + 1;
    SetFrom(s_, kPerson, keys::PersonKey, 1);
    bool more = false;
    while ((more = Next(s_, kPerson)) && seen < batch_) {
        ++seen;
        last_id_ = p.PERSONID;
        if (auto c = CorrectCISAddress(s_.mem.ForumType, p)) found.push_back(std::move(*c));
    }
    if (s_.read_failures != failures) return false;
    if (!found.empty()) {
        if (!begin(s_, {kPerson, header_})) return false;
        for (const AddressCorrection& c : found)
            if (!correct_one(c)) return false;
        if (!Commit(s_)) return false;
        totals_.corrected += found.size();
        corrections_.insert(corrections_.end(), found.begin(), found.end());
    }
    if (!more) next(2, "Identifying duplicate Forum Members");
    return true;
}

// One person's new address and name, and its headers' alphas when the last name changed.
bool DuplicatePersons::correct_one(const AddressCorrection& c) {
    if (!ReadPerson(s_, c.id)) return true;  // gone meanwhile
    Person& p = s_.rec.Person;
    const PersonRef before{c.id, p.LASTNAME.str()};
    p.ADDRESS = c.address;
    p.LASTNAME = c.last;
    p.FIRSTNAME = c.first;
    if (!UppDat(s_, kPerson, kUpdate, kRollback)) return false;
    if (before.last == c.last) return true;
    std::vector<int64_t> positions;
    if (!HeadersOf(s_, before, positions)) return false;
    const PersonRef after{c.id, c.last};
    for (int64_t pos : positions)
        if (!RecodeHeader(s_, pos, before, after)) return false;
    return true;
}

// Step 4: headers of the merge entries onto their survivors, `batch_` headers per transaction.
bool DuplicatePersons::recode_batch() {
    uint32_t done = 0;
    bool open = false;
    while (entry_ < merges_.size() && done < batch_) {
        const MergeEntry& e = merges_[entry_];
        if (!loaded_) {
            if (!HeadersOf(s_, {e.id, e.last}, positions_)) return false;
            position_ = 0;
            loaded_ = true;
            ++done;  // looking a person up counts, or a batch of persons without mail never ends
        }
        if (!open && position_ < positions_.size()) {
            if (!begin(s_, {header_})) return false;
            open = true;
        }
        for (; position_ < positions_.size() && done < batch_; ++position_, ++done)
            if (!RecodeHeader(s_, positions_[position_], {e.id, e.last},
                              {e.survivor, e.survivor_last}))
                return false;
        if (position_ == positions_.size()) {
            ++entry_;
            loaded_ = false;
        }
    }
    if (open && !Commit(s_)) return false;
    if (entry_ == merges_.size()) {
        entry_ = 0;
        next(5, "Deleting duplicate persons");
    }
    return true;
}

// Step 5: each merged person's strings become aliases of its survivor, and it goes. Headers
// that came to name it since step 4 move with it, so none is left naming nobody.
bool DuplicatePersons::delete_one(const MergeEntry& e) {
    if (!ReadPerson(s_, e.survivor) || !ReadPerson(s_, e.id)) return true;
    const Person merged = s_.rec.Person;
    const PersonRef from{e.id, merged.LASTNAME.str()}, to{e.survivor, e.survivor_last};
    std::vector<int64_t> positions;
    if (!HeadersOf(s_, from, positions)) return false;
    for (int64_t pos : positions)
        if (!RecodeHeader(s_, pos, from, to)) return false;
    if (!MoveAliases(s_, merged, e.survivor)) return false;
    if (!ReadPerson(s_, e.id)) return true;
    if (!UppDat(s_, kPerson, kDelete, kRollback)) return false;
    ++totals_.duplicates;
    return true;
}

// The survivors' counts are written in the transaction that deletes their duplicates: a run cut
// later would find nothing left to merge, and so no survivor to recount.
bool DuplicatePersons::delete_batch() {
    const size_t end = std::min(merges_.size(), entry_ + batch_);
    if (entry_ < end) {
        if (!begin(s_, {kPerson, kPLINK, header_})) return false;
        std::vector<uint32_t> survivors;
        for (size_t i = entry_; i < end; ++i) {
            if (!delete_one(merges_[i])) return false;
            survivors.push_back(merges_[i].survivor);
        }
        std::sort(survivors.begin(), survivors.end());
        survivors.erase(std::unique(survivors.begin(), survivors.end()), survivors.end());
        for (uint32_t id : survivors)
            if (!RecountPerson(s_, id)) return false;
        if (!Commit(s_)) return false;
    }
    entry_ = end;
    if (entry_ == merges_.size()) {
        last_id_ = 0;
        next(1, "Updating message counts per person");
    }
    return true;
}

// Step 1: every person recounted, a batch per transaction; one left without any message goes
// (the owner of a mail database stays, with counts of 0).
bool DuplicatePersons::count_batch() {
    std::vector<uint32_t> ids;
    const uint64_t failures = s_.read_failures;
    Person& p = s_.rec.Person;
    p = Person{};
    p.PERSONID = last_id_ + 1;
    SetFrom(s_, kPerson, keys::PersonKey, 1);
    bool more = false;
    while (ids.size() < batch_ && (more = Next(s_, kPerson))) ids.push_back(p.PERSONID);
    if (s_.read_failures != failures) return false;
    if (!ids.empty()) {
        if (!begin(s_, {kPerson})) return false;
        for (uint32_t id : ids)
            if (!count_one(id)) return false;
        if (!Commit(s_)) return false;
        last_id_ = ids.back();
    }
    if (!more || ids.size() < batch_) next(7, nullptr);
    return true;
}

bool DuplicatePersons::count_one(uint32_t id) {
    const uint64_t failures = s_.read_failures;
    if (!ReadPerson(s_, id)) return s_.read_failures == failures;  // gone meanwhile
    const bool mail = header_ == kMail;
    const bool owner = mail && id == static_cast<uint32_t>(s_.mem.PersonID);
    const uint8_t r = mail ? CFromToMail(s_, owner ? 1 : 0) : CFromToMsg(s_);
    if (s_.read_failures != failures) return false;
    if (r == 3) {
        ++totals_.without_messages;
        return UppDat(s_, kPerson, kDelete, kRollback);
    }
    return r != 2 || UppDat(s_, kPerson, kUpdate, kRollback);
}

void DuplicatePersons::finish() {
    step_ = 0;
    const int64_t seconds = StartStop(s_, kStopStopwatch, 0);
    if (!RecordCount(s_, kPerson, totals_.remaining)) totals_.remaining = 0;
    if (s_.mem.DoTask == 2) return;
    s_.dialog.message(
        " Duplicate Elimination ",
        "The Duplicate Removal Process has finished!\r\nThe time for completion was: " +
            std::to_string(seconds) + " seconds");
}

}  // namespace qs
