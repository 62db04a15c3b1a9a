// SPDX-License-Identifier: MIT
// The import processor's step dispatch, its invariants, its log and its completion.
#include "import/processor.h"

#include <cassert>

#include "import/import_run.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

bool storing(ImportState s) {
    switch (s) {
        case ImportState::Start:
        case ImportState::NextPath:
        case ImportState::NextFile:
        case ImportState::Parse: return false;
        default: return true;
    }
}

ImportProcessor::Impl::Impl(Session& session, ImportSettings settings, ParserFactory f)
    : SessionParseContext(session),
      s(session),
      cfg(std::move(settings)),
      factory(std::move(f)),
      free_space(fs::free_space),
      spool(session) {}

ImportProcessor::ImportProcessor(Session& s, ImportSettings settings, ParserFactory factory)
    : impl_(std::make_unique<Impl>(s, std::move(settings), std::move(factory))) {}

ImportProcessor::~ImportProcessor() {
    if (impl_->state == ImportState::Finished) return;
    try {
        impl_->end_run(true, "the import was abandoned", false);
    } catch (...) {
        // A halt on the way out leaves the files as the store's transactions left them.
    }
}

void ImportProcessor::set_free_space(FreeSpace free_space) {
    impl_->free_space = std::move(free_space);
}

ImportState ImportProcessor::state() const { return impl_->state; }
const ImportAccounting& ImportProcessor::accounting() const { return impl_->acc; }
const std::string& ImportProcessor::final_message() const { return impl_->final; }
const std::string& ImportProcessor::current_file() const { return impl_->current_file; }
int ImportProcessor::percent() const { return impl_->percent(); }
int64_t ImportProcessor::seconds() const { return impl_->seconds; }
std::string ImportProcessor::log_path() const { return impl_->log_path; }

std::vector<uint32_t> ImportProcessor::databases() const {
    std::vector<uint32_t> out;
    for (size_t i : impl_->run_dbs) out.push_back(impl_->dbs[i].id);
    return out;
}

bool ImportProcessor::interrupt() {
    Impl& r = *impl_;
    if (r.state == ImportState::Finished) return true;
    if (storing(r.state) && !r.s.quiet() &&
        !r.s.dialog.ask("Import process interrupted",
                        "Stopping at this stage will cause message counts \r\nper section, "
                        "thread and person to be incorrect.\r\nIf you do quit, please run the "
                        "Count Messages process to correct the numbers! Are you sure you want "
                        "to quit?",
                        true))
        return false;
    r.log("interrupted in state " + std::to_string(static_cast<int>(r.state)));
    r.fail("The import was interrupted.");
    // Stored batches stay, and so does the batch under way: a rerun finds them stored.
    r.end_run(true, "the import was interrupted");
    r.check_invariants();
    return true;
}

ImportProcessor::Result ImportProcessor::step() { return impl_->step(); }

ImportProcessor::Result ImportProcessor::Impl::step() {
    if (state == ImportState::Finished) return failed ? Result::Failed : Result::Done;
    ImportState next = run_state();
    if (failed) {
        // A failed record rolls back its batch; a stop between batches has committed it.
        end_run(false, "the import stopped before storing it (" + final + ")");
        check_invariants();
        return Result::Failed;
    }
    state = next;
    check_invariants();
    return state == ImportState::Finished ? Result::Done : Result::More;
}

ImportState ImportProcessor::Impl::run_state() {
    switch (state) {
        case ImportState::Start: return start();
        case ImportState::NextPath: return next_path();
        case ImportState::NextFile: return next_file();
        case ImportState::Parse: return parse_chunk();
        case ImportState::NextDatabase: return next_database();
        case ImportState::Store: return store_batch();
        case ImportState::CarbonCopies: return carbon_copies();
        case ImportState::PersonCounts: return person_counts();
        case ImportState::ThreadCounts: return thread_counts();
        case ImportState::SectionCounts: return section_counts();
        case ImportState::SaveFileKeys: return finish();
        case ImportState::Finished: break;
    }
    return ImportState::Finished;
}

void ImportProcessor::Impl::check_invariants() const {
#ifndef NDEBUG
    const bool txn = s.engine.in_transaction();
    assert(acc.found == acc.stored + acc.duplicates + acc.skipped + unsettled());
    assert(state == ImportState::Finished || lock.held());
    assert(storing(state) || (!db_open && !reading_db && settled == 0));
    assert(!storing(state) || (!parser && !control_held));
    switch (state) {
        case ImportState::Start: assert(false && "a step always leaves Start"); break;
        case ImportState::NextPath:
        case ImportState::NextFile: assert(control_held && txn && !parser); break;
        case ImportState::Parse: assert(control_held && txn && parser); break;
        case ImportState::NextDatabase: assert(!txn && !reading_db && pending.empty()); break;
        case ImportState::Store: assert(db_open && reading_db && db_index < run_dbs.size()); break;
        case ImportState::CarbonCopies: assert(current_db().type == kMailDb); [[fallthrough]];
        case ImportState::PersonCounts:
            assert(db_open && !reading_db && !txn && pending.empty());
            break;
        case ImportState::ThreadCounts: assert(db_open && current_db().type != kMailDb); break;
        case ImportState::SectionCounts: assert(db_open && current_db().type != kMailDb); break;
        case ImportState::SaveFileKeys:
        case ImportState::Finished:
            assert(!db_open && !txn && unsettled() == 0 && pending.empty());
            break;
    }
#endif
}

int ImportProcessor::Impl::percent() const {
    if (!storing(state)) {
        if (files.empty()) return 0;
        // The file being read counts by the share of its bytes read so far.
        double files_done = static_cast<double>(file_index);
        if (state == ImportState::Parse && parser) {
            ReadProgress p = parser->progress();
            double share = p.total ? static_cast<double>(p.done) / static_cast<double>(p.total) : 0;
            files_done += std::min(1.0, share) - 1;
        }
        return static_cast<int>(100 * files_done / static_cast<double>(files.size()));
    }
    if (temp_records == 0) return 100;
    return static_cast<int>(std::min<uint64_t>(100, 100 * settled / temp_records));
}

void ImportProcessor::Impl::log(const std::string& line) {
    if (log_file) log_file << line << "\n";
}

ImportState ImportProcessor::Impl::fail(const std::string& why) {
    if (!failed) {
        log("stopped: " + why);
        final = why;
        failed = true;
    }
    return ImportState::Finished;
}

void ImportProcessor::Impl::skip_message(SkipReason reason, const std::string& what) {
    spool.drop();  // a message not handed over brings no attachments
    ++acc.found;
    // A forum message found among the imported ones (the SaveFile) is a duplicate like one the
    // store finds.
    if (reason == SkipReason::Duplicate) {
        ++acc.duplicates;
    } else {
        ++acc.skipped;
        ++acc.skipped_by_reason[skip_reason_text(reason)];
    }
    log("not stored: " + what + ": " + skip_reason_text(reason));
}

std::string ImportProcessor::Impl::mail_database_name(uint32_t id) {
    for (const RunDatabase& d : dbs)
        if (d.id == id && d.type == kMailDb) return d.description;
    return {};
}

ImportState ImportProcessor::Impl::finish() {
    // Every imported forum message entered the list with its key maintained.
    log("Building SaveFile Index!");
    final = acc.stored > 0 ? "The import process has finished!" : "No messages to import!";
    seconds = StartStop(s, kStopStopwatch, 0);
    log("found " + std::to_string(acc.found) + ", stored " + std::to_string(acc.stored) +
        ", duplicates " + std::to_string(acc.duplicates) + ", skipped " +
        std::to_string(acc.skipped));
    log(final);
    int32_t show_time = 0;
    if (Konfig(s, kGetDisplay, item::kShowCompletionTime, &show_time) && show_time && !s.quiet()) {
        s.dialog.beep();
        s.dialog.message(" Import Processing ",
                         "The time for completion was: " + std::to_string(seconds) + " seconds");
    }
    OP_CLOSE(s, kOpForceClose, {kNHR, kCCT, kTID, kIMP, kATN, kATB});
    log_file.close();
    lock.release();
    return ImportState::Finished;
}

bool ImportProcessor::Impl::space_ok(const std::string& path, const char* text) {
    auto free = free_space(path);
    if (!free || *free >= 5000000) return true;
    if (s.quiet()) return false;  // a scheduled task ends as after Cancel
    char digits[32];
    std::snprintf(digits, sizeof digits, "%13llu", static_cast<unsigned long long>(*free));
    return s.dialog.ask("Warning",
                        std::string("You have only ") + digits + " bytes free on disk " +
                            fs::mount_point(path) + " " + text,
                        false);
}

}  // namespace qs
