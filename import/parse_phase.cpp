// SPDX-License-Identifier: MIT
// The parse phase: the run's identifier counter, the database list of the run, the temporary
// files, and the readers called file by file.
#include "import/address.h"
#include "import/catalogue.h"
#include "import/import_run.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

namespace {

// The temporary records go to disk in transactions of this many records. The temporary files
// are scratch files (see start()): a commit hands the pages to the system without a disk sync.
constexpr uint64_t kFlushEvery = 400;

}  // namespace

bool ImportProcessor::Impl::start() {
    StartStop(s, 1, 0);
    OP_CLOSE(s, kOpOpen, {kControl, kForums});
    s.rec.Control = Control{};
    s.rec.Control.ID = 1;
    // The counter record stays held while the readers hand out identifiers from it.
    if (!HoldRec(s, kControl, keys::CtlIdKey, true, 0, 5) || s.rec.Control.NEXTNUMBER == 0) {
        if (!s.quiet())
            s.dialog.message("Warning!", "No access to Control File!\r\nImport will not proceed!");
        fail("No access to Control File!");
        return false;
    }
    control_held = true;
    run_counter = s.rec.Control.NEXTNUMBER;
    Set(s, kForums, keys::ForumKey);
    while (Next(s, kForums)) {
        const Forums& f = s.rec.Forums;
        RunDatabase d{f.ID,   f.DESCRIPTION.str(), f.DIRNUMBER, false, !f.NOIMPORT,
                      f.TYPE, f.REDIRNOW};
        db_by_name[upper1252(d.description)] = dbs.size();
        dbs.push_back(d);
        next_dirnumber = std::max(next_dirnumber, f.DIRNUMBER + 1);
    }
    run_date = s.clock.today();
    run_time = s.clock.now();
    log_path = fs::join(s.mem.Net, "Log.txt");
    log_file.open(log_path, std::ios::trunc);
    if (!log_file) {
        fail("Log.txt cannot be created in " + s.mem.Net);
        return false;
    }
    log("import from " + cfg.format);
    files = expand_selection(cfg);
    if (cfg.mailbox) CheckOwnAddress(s, cfg.mailbox);
    // The temporary files are written without waiting for the disk, so what a crashed run left
    // is never opened: they are removed and made anew (emptied, should a removal fail).
    OP_CLOSE(s, kOpRemove, {kNHR, kCCT, kTID});
    OP_CLOSE(s, kOpEmpty, {kNHR, kCCT, kTID});
    OP_CLOSE(s, kOpOpen, {kNHR, kCCT, kTID, kIMP});
    owner.state_ = 104;
    return !TransactionCheck(s, BeginTransaction(s, {kNHR, kCCT, kTID}));
}

bool ImportProcessor::Impl::next_file() {
    if (file_index >= files.size()) return finish_parse();
    const std::string& path = files[file_index++];
    owner.current_file_ = path;
    ++owner.acc_.files;
    log("file: " + path);
    owner.state_ = 104;
    if (!fs::exists(path)) {
        if (!s.quiet())
            s.dialog.message(" Import Error ",
                             "The file " + path + " does not exist and will be skipped!");
        log("not read: the file does not exist");
        ++owner.acc_.bad_files;
        return true;
    }
    parser = factory(cfg.format);
    if (!parser) {
        if (!s.quiet())
            s.dialog.message(" Import Error ", "There is no reader for the format " + cfg.format +
                                                   " yet!\r\nThe file " + path +
                                                   " will be skipped!");
        log("not read: no reader for the format " + cfg.format);
        ++owner.acc_.bad_files;
        return true;
    }
    if (!parser->open(*this, path)) {
        log("not read: not a file of the format " + cfg.format);
        ++owner.acc_.bad_files;
        parser.reset();
        return true;
    }
    owner.state_ = 10;
    return true;
}

bool ImportProcessor::Impl::parse_chunk() {
    int budget = std::max(1, SpeedVal(s, 3, 31));
    if (parser->step(*this, budget)) {
        parser.reset();
        owner.state_ = 104;
    }
    return !failed;
}

bool ImportProcessor::Impl::finish_parse() {
    log("Building Temporary File Index!");
    if (!Commit(s)) {
        fail("The temporary file could not be written.");
        return false;
    }
    // The identifiers handed out go back to the counter, which only ever rises.
    if (s.rec.Control.NEXTNUMBER < run_counter) s.rec.Control.NEXTNUMBER = run_counter;
    bool written = UppDat(s, kControl, kUpdate, kReport);
    control_held = false;
    if (!written) {
        fail("No access to Control File!");
        return false;
    }
    auto temp_size = fs::file_size(full_name(s, kNHR));
    if (temp_size && CheckSpace(s, *temp_size, s.mem.FileDir) != 0) {
        fail("Import unsuccessful!");
        return false;
    }
    if (run_dbs.empty()) {
        if (!s.quiet())
            s.dialog.message("Warning!",
                             "No messages found in selected file(s)!\r\nImport "
                             "unsuccessful!");
        log("No messages found in selected file(s)!");
        finish(false);
        owner.final_ = "No messages found in selected file(s)!";
        return true;
    }
    db_index = SIZE_MAX;
    owner.state_ = 102;
    return true;
}

DatabaseRef ImportProcessor::Impl::lookup_database(const std::string& name, bool newsgroup) {
    std::string key = upper1252(trim_right(name));
    auto it = db_by_name.find(key);
    size_t index;
    if (it != db_by_name.end()) {
        index = it->second;
    } else {
        RunDatabase d{next_id(),
                      std::string(trim_right(name)),
                      next_dirnumber++,
                      true,
                      true,
                      static_cast<uint8_t>(newsgroup ? kNewsDb : kForumDb),
                      0};
        index = dbs.size();
        db_by_name[key] = index;
        dbs.push_back(d);
    }
    const RunDatabase& named = dbs[index];
    DatabaseRef ref{named.id, named.import, named.type, named.id, named.description};
    if (newsgroup && named.redirect_to) {
        for (const auto& target : dbs)
            if (target.id == named.redirect_to) {
                ref.id = target.id;
                ref.import = target.import;
                ref.type = target.type;
            }
    }
    return ref;
}

bool ImportProcessor::Impl::imported_before(uint32_t database, uint32_t number) {
    s.rec.IMP.FORUMNUMBER = database;
    s.rec.IMP.MSGNUMBER = number;
    return Get(s, kIMP, 0);
}

bool ImportProcessor::Impl::add_message(NHR& h, const std::vector<CCT>& copies,
                                        const std::string& message_id,
                                        const std::string& parent_id) {
    size_t target = dbs.size();
    for (size_t i = 0; i < dbs.size(); ++i)
        if (dbs[i].id == h.INTERNAL) target = i;
    if (target == dbs.size()) {
        skip_message(SkipReason::NotImported, "\"" + h.HEADING.str() + "\" (no such database)");
        return false;
    }
    if (!message_id.empty()) {
        s.rec.TID = TID{};
        s.rec.TID.IDSTRING = message_id;
        s.rec.TID.MSGNUMBER = h.MSGNUMBER;
        if (!UppDat(s, kTID, kAdd, kRollback)) return fail("TempID Key Build Error!"), false;
    }
    if (!parent_id.empty()) {
        s.rec.TID = TID{};
        s.rec.TID.IDSTRING = parent_id;
        s.rec.TID.MSGNUMBER = h.REFNUMBER = next_id();
        if (!UppDat(s, kTID, kAdd, kRollback)) return fail("TempID Key Build Error!"), false;
    }
    h.IMPDATE = run_date;
    h.IMPTIME = run_time;
    s.rec.NHR = h;
    if (!UppDat(s, kNHR, kAdd, kRollback)) return fail("NewHR Key Build Error!"), false;
    if (!copies.empty()) any_copies = true;
    for (const CCT& c : copies) {
        s.rec.CCT = c;
        UppDat(s, kCCT, kAdd, 0);  // the same recipient named twice is kept once
    }
    ++owner.acc_.found;
    ++temp_records;
    if (std::find(run_dbs.begin(), run_dbs.end(), target) == run_dbs.end())
        run_dbs.push_back(target);
    if (++since_flush > kFlushEvery) {
        since_flush = 0;
        if (!Commit(s) || TransactionCheck(s, BeginTransaction(s, {kNHR, kCCT, kTID})))
            return fail("The temporary file could not be written."), false;
    }
    return true;
}

}  // namespace qs
