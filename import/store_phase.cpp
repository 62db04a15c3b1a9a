// SPDX-License-Identifier: MIT
// The store phase: database by database, the temporary records become stored messages, in
// transactions committed after more than 400 records; then carbon copies and counts.
#include "import/address.h"
#include "import/import_run.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "storage/paths.h"

namespace qs {

namespace {

constexpr uint64_t kCommitAfter = 400;
constexpr const char* kBatchLost = "its batch could not be written";
// Identifiers for new persons, threads and sections are reserved before each frame, so that a
// frame writes the Control file only when it needs more than were left.
constexpr uint32_t kIdsLow = 1024;
constexpr uint32_t kIdsBlock = 4096;

}  // namespace

std::vector<int> ImportProcessor::Impl::files_of_current_db() const {
    if (db_index >= run_dbs.size()) return {};
    switch (current_db().type) {
        // At most eleven files: a transaction runs on one connection, which attaches at most
        // ten files to its own.
        case kMailDb:
            return {kMail,   kMsgText, kPerson, kPLINK,   kControl,
                    kSIndex, kCCR,     kAttach, kAttData, kCodes};
        case kNewsDb:
            return {kMsgNmbr, kMsgText, kPerson,    kPLINK,  kSections,
                    kThreads, kControl, kMsgString, kAttach, kAttData};
        default:
            return {kMsgNmbr, kMsgText, kPerson, kPLINK,  kSections,
                    kThreads, kControl, kIMP,    kAttach, kAttData};
    }
}

namespace {

bool create_database(Session& s, const RunDatabase& d) {
    OP_CLOSE(s, kOpOpen, {kForums});
    Forums& f = s.rec.Forums;
    f = Forums{};
    f.ID = d.id;
    f.DESCRIPTION = d.description;
    f.DIRNUMBER = d.dirnumber;
    f.CREATED = s.clock.today();
    f.TYPE = d.type;
    f.WORDLISTINDEXNEEDSUPDATE = 1;
    f.INDEXTYPE = 1;
    bool ok = UppDat(s, kForums, kAdd, kReport);
    OP_CLOSE(s, kOpClose, {kForums});
    if (!ok) return false;
    std::string dir = "F" + std::to_string(d.dirnumber);
    ExistPath(s, 3, 0, fs::join(s.mem.FileDir, dir), "", true);
    s.mem.Dirnamn = dir;
    return WriteREF(s);
}

// Adds the run's new messages to the database's count; false when the record could not be
// written (the user was told why). The count is exact again after a recount.
bool add_to_database_count(Session& s, uint32_t id, uint64_t added) {
    OP_CLOSE(s, kOpOpen, {kForums});
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = id;
    bool written = false;
    if (HoldRec(s, kForums, keys::ForumKey, true, 0, 5)) {
        s.rec.Forums.MSGCOUNT += static_cast<uint32_t>(added);
        s.rec.Forums.COUNTFLAG = 0;
        written = UppDat(s, kForums, kUpdate, kReport);
    }
    OP_CLOSE(s, kOpClose, {kForums});
    return written;
}

}  // namespace

ImportState ImportProcessor::Impl::next_database() {
    if (db_open) {
        ReturnIds(s);
        compact_headers();
        if (!add_to_database_count(s, current_db().id, db_stored))
            log("the message count of " + current_db().description +
                " could not be raised; the count process puts it right");
        OP_CLOSE(s, kOpClose, files_of_current_db());
        db_open = false;
    }
    db_index = db_index == SIZE_MAX ? 0 : db_index + 1;
    if (db_index >= run_dbs.size()) return ImportState::SaveFileKeys;
    RunDatabase& d = dbs[run_dbs[db_index]];
    log("storing into " + d.description);
    if (d.is_new && !create_database(s, d))
        return fail("The database " + d.description + " could not be created.");
    d.is_new = false;
    if (!MakeCurrent(s, d.id))
        return fail("The directory of the database " + d.description + " is missing.");
    OP_CLOSE(s, kOpOpen, files_of_current_db());
    db_open = true;
    db_stored = 0;
    person_delta.clear();
    thread_delta.clear();
    section_delta.clear();
    sections.clear();
    copies_go_to.clear();
    if (d.type == kMailDb) CheckOwnAddress(s, d.id);
    if (d.type != kMailDb) {
        Set(s, kSections, 0);
        while (Next(s, kSections))
            sections.push_back({s.rec.Sections.SECTIONNUMBER, s.rec.Sections.SECSYSID,
                                s.rec.Sections.DESCRIPTION.str()});
    }
    s.rec.NHR = NHR{};
    s.rec.NHR.INTERNAL = d.id;
    SetFrom(s, kNHR, 0, 1);
    reading_db = true;
    first_unread_db = db_index + 1;
    if (!set_mail_keys_aside()) return fail("The keys of the mail file could not be built.");
    return ImportState::Store;
}

bool ImportProcessor::Impl::begin_batch() {
    // When no block can be reserved, NextNr still takes the identifiers one by one.
    static_cast<void>(ReserveIds(s, kIdsLow, kIdsBlock));
    std::vector<int> files = files_of_current_db();
    std::vector<store::File*> handles;
    for (int f : files) handles.push_back(&handle(s, f));
    return !TransactionCheck(s, s.engine.begin(handles, 5));
}

ImportState ImportProcessor::Impl::store_batch() {
    const int budget = std::max(1, SpeedVal(s, kGetPace, item::kPaceImport));
    const uint32_t id = current_db().id;
    for (int i = 0; i < budget; ++i) {
        if (!s.engine.in_transaction() && !begin_batch()) return fail("Transaction Frame Error!");
        if (!Next(s, kNHR) || s.rec.NHR.INTERNAL != id) {
            reading_db = false;
            if (!end_batch(true, kBatchLost)) return fail("The last batch could not be written.");
            if (!restore_mail_keys()) return fail("The keys of the mail file could not be built.");
            return current_db().type == kMailDb && any_copies ? ImportState::CarbonCopies
                                                              : ImportState::PersonCounts;
        }
        ++settled;
        const std::string what = "\"" + s.rec.NHR.HEADING.str() + "\"";
        switch (store_record()) {
            case Stored::Yes:
                ++acc.stored;
                pending.push_back({what, false});
                break;
            case Stored::Duplicate:
                ++acc.duplicates;
                pending.push_back({what, true});
                break;
            case Stored::Failed:
                not_stored(what, "it could not be stored");
                return fail("The message " + what + " could not be stored.");
        }
        // Committed once more than 400 records were dealt with since the last commit.
        if (pending.size() > kCommitAfter && !end_batch(true, kBatchLost))
            return fail("The last batch could not be written.");
    }
    if (!space_ok(s.mem.FileDir,
                  "This may be too little to allow import. Running out of diskspace may corrupt "
                  "the currently accessed data file(s).Press OK if you want to continue and Cancel "
                  "if you want to abort the import!")) {
        // What was stored so far stays; the rest is left for a rerun.
        if (!end_batch(true, kBatchLost)) return fail("The last batch could not be written.");
        return fail("The import was stopped for lack of free disk space.");
    }
    return ImportState::Store;
}

ImportState ImportProcessor::Impl::carbon_copies() {
    if (TransactionCheck(s, BeginTransaction(s, {kMail, kCCR})))
        return fail("Transaction Frame Error!");
    Set(s, kCCT, 0);
    uint32_t current = 0;
    bool mail_found = false;
    while (Next(s, kCCT)) {
        CCT c = s.rec.CCT;
        if (c.MAILID != current) {
            current = c.MAILID;
            mail_found = mail_for_copies(current);
            if (mail_found && s.rec.Mail.CCR == 0) {
                s.rec.Mail.CCR = 1;
                if (!UppDat(s, kMail, kUpdate, kRollback)) return fail("Record update error!");
            }
        }
        if (!mail_found || CheckOwnAddress(s, c.R_CISADRESS.view()) == 0) continue;
        s.rec.CCR = CCR{};
        static_cast<CopyRecipient&>(s.rec.CCR) = c;
        s.rec.CCR.MAILID = s.rec.Mail.MAILID;
        // A recipient named twice is kept once.
        if (!AddOnce(s, kCCR, kRollback)) return fail("The carbon copies could not be stored.");
    }
    if (!Commit(s)) return fail("The carbon copies could not be stored.");
    return ImportState::PersonCounts;
}

bool ImportProcessor::Impl::mail_for_copies(uint32_t run_id) {
    // A mail stored by an earlier run that stopped before its copies were added takes them now.
    auto moved = copies_go_to.find(run_id);
    s.rec.Mail = Mail{};
    s.rec.Mail.MAILID = moved == copies_go_to.end() ? run_id : moved->second;
    if (!Get(s, kMail, keys::MaiIdKey)) return false;
    return moved == copies_go_to.end() || s.rec.Mail.CCR == 0;
}

namespace {

template <class Apply>
bool apply_counts(Session& s, int file, int key, std::initializer_list<int> txn, Apply apply,
                  const std::vector<uint32_t>& ids) {
    if (TransactionCheck(s, BeginTransaction(s, txn))) return false;
    for (uint32_t id : ids) {
        if (!apply(id, true)) continue;    // fills the key; false: nothing to do
        if (!Get(s, file, key)) continue;  // a missing record is passed over
        apply(id, false);
        if (!UppDat(s, file, kUpdate, kRollback)) return false;
    }
    return Commit(s);
}

template <class Map>
std::vector<uint32_t> keys_of(const Map& m) {
    std::vector<uint32_t> v;
    for (const auto& [k, _] : m) v.push_back(k);
    return v;
}

}  // namespace

ImportState ImportProcessor::Impl::person_counts() {
    bool ok = apply_counts(
        s, kPerson, keys::PersonKey, {kPerson},
        [&](uint32_t id, bool key_only) {
            if (key_only) {
                s.rec.Person = Person{};
                s.rec.Person.PERSONID = id;
                return true;
            }
            s.rec.Person.FROMCOUNT += static_cast<uint32_t>(person_delta[id].first);
            s.rec.Person.TOCOUNT += static_cast<uint32_t>(person_delta[id].second);
            return true;
        },
        keys_of(person_delta));
    if (!ok) return fail("The person counts could not be written.");
    return current_db().type == kMailDb ? ImportState::NextDatabase : ImportState::ThreadCounts;
}

ImportState ImportProcessor::Impl::thread_counts() {
    bool ok = apply_counts(
        s, kThreads, 0, {kThreads},
        [&](uint32_t id, bool key_only) {
            if (key_only) {
                s.rec.Threads = Threads{};
                s.rec.Threads.THREADNUMBER = id;
            } else {
                s.rec.Threads.MSGCOUNT += static_cast<uint32_t>(thread_delta[id]);
            }
            return true;
        },
        keys_of(thread_delta));
    if (!ok) return fail("The thread counts could not be written.");
    return ImportState::SectionCounts;  // a newsgroup's one section counts its messages too
}

ImportState ImportProcessor::Impl::section_counts() {
    bool ok = apply_counts(
        s, kSections, 0, {kSections},
        [&](uint32_t id, bool key_only) {
            if (key_only) {
                s.rec.Sections = Sections{};
                s.rec.Sections.SECSYSID = id;
            } else {
                s.rec.Sections.MSGCOUNT += static_cast<uint32_t>(section_delta[id]);
            }
            return true;
        },
        keys_of(section_delta));
    if (!ok) return fail("The section counts could not be written.");
    return ImportState::NextDatabase;
}

}  // namespace qs
