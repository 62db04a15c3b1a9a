// SPDX-License-Identifier: MIT
// The import processor's step dispatch, its log and its ending.
#include "import/processor.h"

#include "import/import_run.h"
#include "platform/fs.h"
#include "storage/config.h"
#include "storage/file_access.h"

namespace qs {

ImportProcessor::Impl::Impl(ImportProcessor& o, Session& session, ImportSettings settings,
                            ParserFactory f)
    : SessionParseContext(session),
      owner(o),
      s(session),
      cfg(std::move(settings)),
      factory(std::move(f)) {}

ImportProcessor::ImportProcessor(Session& s, ImportSettings settings, ParserFactory factory)
    : impl_(std::make_unique<Impl>(*this, s, std::move(settings), std::move(factory))) {}

ImportProcessor::~ImportProcessor() {
    if (impl_ && state_ != 7) interrupt_without_asking();
}

void ImportProcessor::interrupt_without_asking() {
    Impl& r = *impl_;
    if (r.s.engine.in_transaction()) {
        // Stored batches stay; the batch under way goes, and a rerun stores it again.
        if (store_phase())
            Commit(r.s);
        else
            Rollback(r.s);
    }
    if (r.control_held) {
        ReleaseRec(r.s, kControl);
        r.control_held = false;
    }
    if (r.db_open) ReturnIds(r.s);
    OP_CLOSE(r.s, kOpForceClose, r.files_of_current_db());
    OP_CLOSE(r.s, kOpForceClose, {kNHR, kCCT, kTID, kControl, kForums, kIMP});
    state_ = 7;
}

bool ImportProcessor::interrupt() {
    if (state_ == 7) return true;
    if (store_phase() && !impl_->s.quiet() &&
        !impl_->s.dialog.ask("Import process interrupted",
                             "Stopping at this stage will cause message counts \r\nper section, "
                             "thread and person to be incorrect.\r\nIf you do quit, please run the "
                             "Count Messages process to correct the numbers! Are you sure you want "
                             "to quit?",
                             true))
        return false;
    impl_->log("interrupted in state " + std::to_string(state_));
    final_ = "The import was interrupted.";
    interrupt_without_asking();
    if (impl_->s.mem.DoTask == 2) impl_->s.mem.DoTask = 6;
    return true;
}

ImportProcessor::Result ImportProcessor::step() {
    Impl& r = *impl_;
    if (r.failed) return Result::Failed;
    bool ok = true;
    switch (state_) {
        case 105: ok = r.start(); break;
        case 104:
        case 101: ok = r.next_file(); break;
        case 10: ok = r.parse_chunk(); break;
        case 102: ok = r.next_database(); break;
        case 0: ok = r.store_batch(); break;
        case 22: ok = r.carbon_copies(); break;
        case 1: ok = r.person_counts(); break;
        case 6: ok = r.thread_counts(); break;
        case 12: ok = r.section_counts(); break;
        case 88:
            // Every imported forum message entered the list with its key maintained.
            r.log("Building SaveFile Index!");
            r.finish(acc_.stored > 0);
            break;
        case 7: return Result::Done;
    }
    if (!ok || r.failed) {
        r.failed = true;
        interrupt_without_asking();
        if (r.s.mem.DoTask == 2) r.s.mem.DoTask = 6;
        return Result::Failed;
    }
    return state_ == 7 ? Result::Done : Result::More;
}

int ImportProcessor::percent() const {
    const Impl& r = *impl_;
    if (!store_phase()) {
        if (r.files.empty()) return 0;
        // The file being read counts by the share of its bytes read so far.
        double files_done = static_cast<double>(r.file_index);
        if (state_ == 10 && r.parser) {
            ReadProgress p = r.parser->progress();
            double share = p.total ? static_cast<double>(p.done) / static_cast<double>(p.total) : 0;
            files_done += std::min(1.0, share) - 1;
        }
        return static_cast<int>(100 * files_done / static_cast<double>(r.files.size()));
    }
    if (r.temp_records == 0) return 100;
    return static_cast<int>(std::min<uint64_t>(100, 100 * r.stored_done / r.temp_records));
}

std::string ImportProcessor::log_path() const { return impl_->log_path; }

std::vector<uint32_t> ImportProcessor::databases() const {
    std::vector<uint32_t> out;
    for (size_t i : impl_->run_dbs) out.push_back(impl_->dbs[i].id);
    return out;
}

void ImportProcessor::Impl::log(const std::string& line) {
    if (log_file) log_file << line << "\n";
}

void ImportProcessor::Impl::fail(const std::string& why) {
    log("stopped: " + why);
    owner.final_ = why;
    failed = true;
}

void ImportProcessor::Impl::skip_message(SkipReason reason, const std::string& what) {
    ++owner.acc_.found;
    ++owner.acc_.skipped;
    ++owner.acc_.skipped_by_reason[skip_reason_text(reason)];
    log("not stored: " + what + ": " + skip_reason_text(reason));
}

void ImportProcessor::Impl::finish(bool stored_any) {
    owner.final_ = stored_any ? "The import process has finished!" : "No messages to import!";
    owner.seconds_ = StartStop(s, 2, 0);
    const ImportAccounting& a = owner.acc_;
    log("found " + std::to_string(a.found) + ", stored " + std::to_string(a.stored) +
        ", duplicates " + std::to_string(a.duplicates) + ", skipped " + std::to_string(a.skipped));
    log(owner.final_);
    int32_t show_time = 0;
    Konfig(s, 8, 32, &show_time);
    if (show_time && !s.quiet()) {
        s.dialog.beep();
        s.dialog.message(" Import Processing ", "The time for completion was: " +
                                                    std::to_string(owner.seconds_) + " seconds");
    }
    OP_CLOSE(s, kOpForceClose, {kNHR, kCCT, kTID, kIMP});
    owner.state_ = 7;
}

bool ImportProcessor::Impl::space_ok(const std::string& path, const char* text) {
    auto free = fs::free_space(path);
    if (!free || *free >= 5000000) return true;
    if (s.mem.DoTask == 2) return false;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%13llu", static_cast<unsigned long long>(*free));
    return s.dialog.ask("Warning",
                        std::string("You have only ") + digits + " bytes free on disk " +
                            fs::mount_point(path) + " " + text,
                        false);
}

}  // namespace qs
