// SPDX-License-Identifier: MIT
// The parse phase: the run's lock, its identifier counter, the database list of the run, the
// temporary files, and the readers called file by file.
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
// Each commit still writes the keys' pages again and makes and removes a journal file: at 400
// records that was a fifth of the parse phase's time. A transaction's pages beyond the cache
// spill to the file, so a larger one holds no more memory.
constexpr uint64_t kFlushEvery = 4000;

// The safety net of the hand-over: whatever a reader gives is kept as UTF-8 in NFC, a text that
// is not UTF-8 being read as Windows-1252, so that the store never holds anything else.
struct ToStoredText {
    template <size_t N>
    void operator()(const char*, Text<N>& t) const {
        if (!is_ascii(t.view())) t = text_from_input(t.view());
    }
    void operator()(const char*, Memo& m) const {
        if (!is_ascii(m.text)) m.text = text_from_input(m.text);
    }
    template <class T>
    void operator()(const char*, T&) const {}
};

template <class R>
void to_stored_texts(R& record) {
    record.visit(ToStoredText{});
}

}  // namespace

ImportState ImportProcessor::Impl::start() {
    StartStop(s, kStartStopwatch, 0);
    // The run owns the temporary files from here on; the log of a run under way is not touched.
    const std::string temp_file = full_name(s, kNHR);
    const std::string lock_path = fs::dir_part(temp_file) + "IMPORT.LCK";
    switch (temp_file.empty() ? RunLock::Take::Failed : lock.take(lock_path)) {
        case RunLock::Take::Taken: break;
        case RunLock::Take::Busy:
            report("Warning!", "Another import is running!\r\nImport will not proceed!");
            return fail("Another import is running!");
        case RunLock::Take::Failed:
            report(" Import Error ", "The file " + lock_path + " cannot be created!");
            return fail("The file " + lock_path + " cannot be created!");
    }
    OP_CLOSE(s, kOpOpen, {kControl, kForums});
    s.rec.Control = Control{};
    s.rec.Control.ID = 1;
    // The counter record stays held while the readers hand out identifiers from it.
    if (!HoldRec(s, kControl, keys::CtlIdKey, true, 0, 5) || s.rec.Control.NEXTNUMBER == 0) {
        report("Warning!", "No access to Control File!\r\nImport will not proceed!");
        return fail("No access to Control File!");
    }
    control_held = true;
    run_counter = s.rec.Control.NEXTNUMBER;
    load_databases();
    run_date = s.clock.today();
    run_time = s.clock.now();
    log_path = fs::join(s.mem.Net, "Log.txt");
    log_file.open(log_path, std::ios::trunc);
    if (!log_file) return fail("Log.txt cannot be created in " + s.mem.Net);
    log("import from " + cfg.format);
    const Format* format = format_by_name(cfg.format);
    if (format && format->number == kOutlookMailFormat && !OutlookInstalled()) {
        report("Warning!", "Fatal error. Outlook cannot be initialized.");
        return fail("Fatal error. Outlook cannot be initialized.");
    }
    std::vector<std::string> passed_over;
    files = expand_selection(cfg, nullptr, &passed_over);
    for (const std::string& note : passed_over) log(note);
    if (cfg.mailbox) CheckOwnAddress(s, cfg.mailbox);
    // The temporary files are written without waiting for the disk, so what a crashed run left
    // is never opened: they are removed and made anew (emptied, should a removal fail).
    OP_CLOSE(s, kOpRemove, {kNHR, kCCT, kTID, kATN, kATB});
    OP_CLOSE(s, kOpEmpty, {kNHR, kCCT, kTID, kATN, kATB});
    OP_CLOSE(s, kOpOpen, {kNHR, kCCT, kTID, kIMP, kATN, kATB});
    if (TransactionCheck(s, BeginTransaction(s, {kNHR, kCCT, kTID, kATN, kATB})))
        return fail("Transaction Frame Error!");
    return ImportState::NextPath;
}

void ImportProcessor::Impl::load_databases() {
    Set(s, kForums, keys::ForumKey);
    while (Next(s, kForums)) {
        const Forums& f = s.rec.Forums;
        RunDatabase d{f.ID,   f.DESCRIPTION.str(), f.DIRNUMBER, false, !f.NOIMPORT,
                      f.TYPE, f.REDIRNOW};
        db_by_name[fold_case(trim_right(d.description))] = dbs.size();
        dbs.push_back(d);
        next_dirnumber = std::max(next_dirnumber, f.DIRNUMBER + 1);
    }
}

ImportState ImportProcessor::Impl::next_path() {
    return file_index < files.size() ? ImportState::NextFile : finish_parse();
}

ImportState ImportProcessor::Impl::next_file() {
    const std::string& path = files[file_index++];
    current_file = path;
    ++acc.files;
    log("file: " + path);
    if (!fs::exists(path)) {
        report(" Import Error ", "The file " + path + " does not exist and will be skipped!");
        log("not read: the file does not exist");
        ++acc.bad_files;
        return ImportState::NextPath;
    }
    parser = factory(cfg.format);
    if (!parser) {
        report(" Import Error ", "There is no reader for the format " + cfg.format +
                                     " yet!\r\nThe file " + path + " will be skipped!");
        log("not read: no reader for the format " + cfg.format);
        ++acc.bad_files;
        return ImportState::NextPath;
    }
    if (!parser->open(*this, path)) {
        log("not read: not a file of the format " + cfg.format);
        ++acc.bad_files;
        parser.reset();
        return ImportState::NextPath;
    }
    return ImportState::Parse;
}

ImportState ImportProcessor::Impl::parse_chunk() {
    int budget = std::max(1, SpeedVal(s, kGetPace, item::kPaceParsers));
    const bool done = parser->step(*this, budget);
    if (failed) return ImportState::Finished;  // a temporary record could not be written
    if (spool.failed()) return fail("The temporary file could not be written.");
    if (done) {
        parser.reset();
        spool.drop();  // streamed by a reader that handed over no message after them
    }
    if (!space_ok(s.mem.TempDir,
                  "This may be too little for the temporary importfile. Running out of diskspace "
                  "may corrupt the currently accessed data file(s).Press OK if you want to "
                  "continue and Cancel if you want to abort the import!"))
        return fail("The import was stopped for lack of free disk space.");
    return done ? ImportState::NextPath : ImportState::Parse;
}

ImportState ImportProcessor::Impl::finish_parse() {
    log("Building Temporary File Index!");
    if (!Commit(s)) return fail("The temporary file could not be written.");
    // The identifiers handed out go back to the counter, which only ever rises.
    if (s.rec.Control.NEXTNUMBER < run_counter) s.rec.Control.NEXTNUMBER = run_counter;
    bool written = UppDat(s, kControl, kUpdate, kReport);
    control_held = false;
    if (!written) return fail("No access to Control File!");
    auto temp_size = fs::file_size(full_name(s, kNHR));
    // The attachments move into the databases as well.
    if (auto bytes = fs::file_size(full_name(s, kATB)); temp_size && bytes) *temp_size += *bytes;
    if (temp_size && CheckSpace(s, *temp_size, s.mem.FileDir) != 0)
        return fail("Import unsuccessful!");
    // The messages found were imported before (a forum capture read again): nothing to store,
    // and nothing went wrong, as when the store finds every mail a duplicate.
    if (run_dbs.empty() && acc.duplicates > 0) return ImportState::SaveFileKeys;
    if (run_dbs.empty()) {
        report("Warning!", "No messages found in selected file(s)!\r\nImport unsuccessful!");
        return fail("No messages found in selected file(s)!");
    }
    return ImportState::NextDatabase;
}

DatabaseRef ImportProcessor::Impl::lookup_database(const std::string& name, bool newsgroup) {
    std::string key = fold_case(trim_right(name));
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
    if (failed) return lost(h, "the import stopped before it was read");
    to_stored_texts(h);
    if (!message_id.empty()) {
        s.rec.TID = TID{};
        s.rec.TID.IDSTRING = message_id;
        to_stored_texts(s.rec.TID);
        s.rec.TID.MSGNUMBER = h.MSGNUMBER;
        if (!UppDat(s, kTID, kAdd, kRollback)) return lost(h, "TempID Key Build Error!");
    }
    if (!parent_id.empty()) {
        s.rec.TID = TID{};
        s.rec.TID.IDSTRING = parent_id;
        to_stored_texts(s.rec.TID);
        s.rec.TID.MSGNUMBER = h.REFNUMBER = next_id();
        if (!UppDat(s, kTID, kAdd, kRollback)) return lost(h, "TempID Key Build Error!");
    }
    h.IMPDATE = run_date;
    h.IMPTIME = run_time;
    s.rec.NHR = h;
    if (!UppDat(s, kNHR, kAdd, kRollback)) return lost(h, "NewHR Key Build Error!");
    const int64_t position = handle(s, kNHR).position();
    const bool with_attachments = spool.holding();
    if (!spool.hand_over(position)) {
        Rollback(s);  // as a failed write of the other temporary files does
        return lost(h, "The temporary file could not be written.");
    }
    if (with_attachments) attached.push_back(static_cast<uint32_t>(position));
    if (!copies.empty()) any_copies = true;
    for (const CCT& c : copies) {
        s.rec.CCT = c;  // the same recipient named twice is kept once
        to_stored_texts(s.rec.CCT);
        if (!AddOnce(s, kCCT, kRollback))
            return lost(h, "The temporary file could not be written.");
    }
    ++acc.found;
    ++temp_records;
    if (std::find(run_dbs.begin(), run_dbs.end(), target) == run_dbs.end())
        run_dbs.push_back(target);
    if (++since_flush > kFlushEvery) {
        since_flush = 0;
        if (!Commit(s) ||
            TransactionCheck(s, BeginTransaction(s, {kNHR, kCCT, kTID, kATN, kATB}))) {
            fail("The temporary file could not be written.");
            return false;
        }
    }
    return true;
}

bool ImportProcessor::Impl::lost(const NHR& h, const std::string& why) {
    spool.drop();
    fail(why);
    ++acc.found;
    not_stored("\"" + h.HEADING.str() + "\"", why);
    return false;
}

}  // namespace qs
