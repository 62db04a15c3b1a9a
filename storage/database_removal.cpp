// SPDX-License-Identifier: MIT
// Removing the current database: its files and directories first, then its place in the import
// definitions and timings, then its record in the database list.
#include <vector>

#include "platform/fs.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "storage/paths.h"

namespace qs {

namespace {

// Every file that may hold the database open, and the global ones its removal touches.
const std::vector<int> kPerDatabase = {kCodes,   kMsgNmbr, kMsgText, kPerson, kSections,
                                       kThreads, kSIndex,  kMail,    kCCR,    kREF};
const std::vector<int> kMoreFiles = {kPLINK, kMsgString, kWordList, kMasIdx,  kSearch,
                                     kPUR,   kWD,        kForums,   kControl, kTAS};
const std::vector<int> kGlobalFiles = {kSTO, kBAT, kTIM};
const std::vector<int> kAttachmentFiles = {kAttach, kAttData};

// Deletes the store's files of one database directory, each kind only when the one before went
// completely, and the directory when all went. True when the keyed files went.
bool delete_directory(Session& s, const std::string& dir, bool& all_gone) {
    all_gone = false;
    if (!fs::is_dir(dir)) {
        all_gone = true;
        return true;
    }
    bool keyed = DOSFunc(s, 4, "*.TPS", dir) == 1;
    bool ok = keyed && DOSFunc(s, 4, "*.DAT", dir) && DOSFunc(s, 4, "*.K*", dir) &&
              DOSFunc(s, 4, "*.I*", dir);
    // Journals are part of the store's files; with nothing open none should be left. Files that
    // a crash left half made go too.
    if (ok) ok = DOSFunc(s, 4, "*-journal", dir);
    if (ok) ok = DOSFunc(s, 4, std::string("*") + store::kMakingTag + "*", dir);
    if (ok) ok = fs::remove_dir(dir);
    all_gone = ok;
    return keyed;
}

void close_everything(Session& s) {
    OP_CLOSE(s, kOpForceClose, kPerDatabase);
    OP_CLOSE(s, kOpForceClose, kMoreFiles);
    OP_CLOSE(s, kOpForceClose, kGlobalFiles);
    OP_CLOSE(s, kOpForceClose, kAttachmentFiles);
}

// Applies the removal to one import definition; true when it is to be deleted.
bool detach_definition(BAT& b, uint32_t id) {
    if (b.DATABASE == id) {
        b.DATABASE = 0;
        b.FORUMMSG = 0;
    }
    if (b.MAILBOX == id) {
        b.MAILBOX = 0;
        b.MAILMSG = 0;
    }
    return !b.MAILMSG && !b.FORUMMSG && !b.NEWSGROUPMSG;
}

bool delete_timings(Session& s, uint32_t batch) {
    store::File& tim = handle(s, kTIM);
    TIM probe;
    probe.BATCHID = batch;
    for (;;) {
        if (!tim.get(1, &probe, &s.rec.TIM, 1)) return true;  // TIM:BATCHKEY
        if (!UppDat(s, kTIM, kDelete, kRollback)) return false;
    }
}

bool update_definitions(Session& s, uint32_t id) {
    std::vector<int64_t> positions;
    Set(s, kBAT, 0);
    while (Next(s, kBAT)) positions.push_back(handle(s, kBAT).position());
    for (int64_t pos : positions) {
        if (!Fetch(s, kBAT, pos)) continue;
        BAT before = s.rec.BAT;
        if (detach_definition(s.rec.BAT, id)) {
            if (!delete_timings(s, s.rec.BAT.ID)) return false;
            if (!Fetch(s, kBAT, pos) || !UppDat(s, kBAT, kDelete, kRollback)) return false;
        } else if (!(s.rec.BAT == before) && !UppDat(s, kBAT, kUpdate, kRollback)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RemoveFromLists(Session& s, uint32_t id) {
    OP_CLOSE(s, kOpOpen, {kBAT, kTIM, kForums});
    bool ok = false;
    if (!TransactionCheck(s, BeginTransaction(s, {kBAT, kTIM, kForums}))) {
        ok = update_definitions(s, id);
        s.rec.Forums = Forums{};
        s.rec.Forums.ID = id;
        if (ok && Get(s, kForums, keys::ForumKey)) ok = UppDat(s, kForums, kDelete, kRollback);
        // A failed step rolled the transaction back already (mode 8).
        if (ok && s.engine.in_transaction())
            ok = Commit(s);
        else
            Rollback(s);
    }
    OP_CLOSE(s, kOpClose, {kBAT, kTIM, kForums});
    return ok;
}

bool RemoveCurrentDatabase(Session& s) {
    uint32_t id = s.mem.ForumNumber;
    if (id == 0 || s.mem.Dirnamn.empty()) return false;
    close_everything(s);
    bool all_gone = false;
    bool keyed_gone = delete_directory(s, fs::join(s.mem.FileDir, s.mem.Dirnamn), all_gone);
    bool listed_gone = keyed_gone && RemoveFromLists(s, id);
    if (compare_nocase(s.MasIdxPath, s.mem.FileDir) != 0) {
        bool index_gone = false;
        delete_directory(s, fs::join(s.MasIdxPath, s.mem.Dirnamn), index_gone);
        all_gone = all_gone && index_gone;
    }
    s.mem.ForumNumber = 0;
    return listed_gone && all_gone;
}

}  // namespace qs
