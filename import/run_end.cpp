// SPDX-License-Identifier: MIT
// How an import run accounts for its messages when a batch does not reach the disk and when the
// run ends before it completed: every message found and not stored is counted and logged.
#include "import/import_run.h"
#include "storage/file_access.h"

namespace qs {

namespace {

constexpr const char* kStopped = "the import stopped";

std::string describe(const NHR& h) { return "\"" + h.HEADING.str() + "\""; }

}  // namespace

void ImportProcessor::Impl::not_stored(const std::string& what, const std::string& why) {
    ++acc.skipped;
    ++acc.skipped_by_reason[kStopped];
    log("not stored: " + what + ": " + why);
}

bool ImportProcessor::Impl::end_batch(bool keep, const std::string& why) {
    const bool open = s.engine.in_transaction();
    bool kept = pending.empty();
    if (open && keep)
        kept = places.count(s) && Commit(s);  // reported and rolled back when either fails
    else if (open)
        Rollback(s);
    places.reset();
    // With no transaction open, a failed record operation has rolled the batch back already.
    for (const Pending& p : pending) {
        if (kept) {
            if (p.duplicate) log("not stored: " + p.what + ": duplicate");
            continue;
        }
        --(p.duplicate ? acc.duplicates : acc.stored);
        not_stored(p.what, why);
    }
    pending.clear();
    return kept;
}

void ImportProcessor::Impl::settle_database(uint32_t id, const std::string& why, bool from_start) {
    if (from_start) {
        s.rec.NHR = NHR{};
        s.rec.NHR.INTERNAL = id;
        SetFrom(s, kNHR, 0, 1);
    }
    while (unsettled() > 0 && Next(s, kNHR) && s.rec.NHR.INTERNAL == id) {
        ++settled;
        not_stored(describe(s.rec.NHR), why);
    }
}

void ImportProcessor::Impl::settle_rest(const std::string& why) {
    if (unsettled() == 0) return;
    if (s.slots[kNHR].file) {
        // The temporary file is read database by database, in the order first met.
        if (reading_db) settle_database(current_db().id, why, false);
        for (size_t i = first_unread_db; i < run_dbs.size(); ++i)
            settle_database(dbs[run_dbs[i]].id, why, true);
    }
    reading_db = false;
    first_unread_db = run_dbs.size();
    // Records a failed write of the temporary file took with it.
    if (uint64_t rest = unsettled()) {
        settled += rest;
        acc.skipped += rest;
        acc.skipped_by_reason[kStopped] += rest;
        log("not stored: " + std::to_string(rest) + " more messages read from the files: " + why);
    }
}

void ImportProcessor::Impl::end_run(bool keep_batch, const std::string& why, bool settle) {
    if (state == ImportState::Finished) return;
    if (lock.held()) close_run(keep_batch, why, settle);
    // A scheduled task learns that this import did not complete.
    if (s.mem.DoTask == 2) s.mem.DoTask = 6;
    state = ImportState::Finished;
}

void ImportProcessor::Impl::close_run(bool keep_batch, const std::string& why, bool settle) {
    if (storing(state)) end_batch(keep_batch, why);
    if (settle) settle_rest(why);
    // The temporary records of an unfinished parse phase are scratch.
    if (s.engine.in_transaction()) Rollback(s);
    parser.reset();
    if (control_held) {
        ReleaseRec(s, kControl);
        control_held = false;
    }
    if (db_open) {
        static_cast<void>(restore_mail_keys());  // logged; the next open builds what is missing
        ReturnIds(s);
        OP_CLOSE(s, kOpForceClose, files_of_current_db());
        db_open = false;
    }
    reading_db = false;
    OP_CLOSE(s, kOpForceClose, {kNHR, kCCT, kTID, kControl, kForums, kIMP, kATN, kATB});
    log("found " + std::to_string(acc.found) + ", stored " + std::to_string(acc.stored) +
        ", duplicates " + std::to_string(acc.duplicates) + ", skipped " +
        std::to_string(acc.skipped));
    log_file.close();
    lock.release();
}

}  // namespace qs
