// SPDX-License-Identifier: MIT
// The run of a purge or count: its start, its batches and transactions, the deletion of one
// message with everything that hangs on it, and its end.
#include "maintenance/purge.h"

#include <algorithm>

#include "maintenance/purge_run.h"
#include "storage/attachments.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs::maint {

namespace {

// Stopwatch slot of the purge window.
constexpr int kStopwatch = 5;

PurgeStep first_step(const PurgeRequest& rq, uint8_t type) {
    if (!rq.purge) return PurgeStep::Links;
    if (type == kMailDb) return PurgeStep::MailMinutes;
    return rq.ageing ? PurgeStep::AgedThreads : PurgeStep::CountMarkedThreads;
}

uint64_t count_of(Session& s, int file) {
    uint64_t n = 0;
    return RecordCount(s, file, n) ? n : 0;
}

}  // namespace

std::vector<int> purge_files(uint8_t type) {
    std::vector<int> f = {kForums, kMsgText,  kPerson, kPLINK,  kSIndex,
                          kCodes,  kWordList, kMasIdx, kAttach, kAttData};
    if (type == kMailDb) {
        f.insert(f.end(), {kMail, kCCR});
    } else {
        f.insert(f.end(), {kMsgNmbr, kThreads, kSections});
    }
    return f;
}

void op_files(Session& s, int operation, const std::vector<int>& files) {
    for (size_t i = 0; i < files.size(); i += 10)
        OP_CLOSE(s, operation,
                 std::vector<int>(
                     files.begin() + static_cast<std::ptrdiff_t>(i),
                     files.begin() + static_cast<std::ptrdiff_t>(std::min(files.size(), i + 10))));
}

PurgeRun::PurgeRun(Session& s, const PurgeRequest& rq, Caption caption)
    : s(s), rq(rq), caption_fn(std::move(caption)), type(s.mem.ForumType) {}

void PurgeRun::caption(const std::string& c) const {
    if (caption_fn) caption_fn(c);
}

void PurgeRun::go(PurgeStep next, const char* shown) {
    step = next;
    loaded = false;
    if (shown) caption(shown);
}

bool PurgeRun::batch(const std::vector<int>& tx, const std::function<bool(uint32_t)>& one,
                     bool& done) {
    done = at >= list.size();
    if (done) return true;
    std::vector<store::File*> handles;
    for (int f : tx) handles.push_back(&handle(s, f));
    if (TransactionCheck(s, s.engine.begin(handles, 5))) return false;
    units = 0;
    while (at < list.size() && units <= batch_size) {
        if (!one(list[at])) {
            Rollback(s);
            return false;
        }
        ++at;
    }
    done = at >= list.size();
    return Commit(s);
}

bool PurgeRun::change(const char* file, uint32_t id, const char* field, int64_t stored,
                      int64_t counted) {
    if (!check()) return true;
    out.differences.push_back({file, id, field, stored, counted});
    return false;
}

bool PurgeRun::remove_word_entries(uint32_t number) {
    std::vector<uint32_t> words;
    if (Status st = words::remove_message(s, number, words); !st) return StoreRead(s, kMasIdx, st);
    for (uint32_t w : words) {
        s.rec.WordList = WordList{};
        s.rec.WordList.WORDID = static_cast<int32_t>(w);
        if (!Get(s, kWordList, words::kWordIdKey)) continue;  // a word already gone
        if (--s.rec.WordList.WORDCOUNT > 0) {
            if (!UppDat(s, kWordList, kUpdate, kRollback)) return false;
        } else {
            if (!UppDat(s, kWordList, kDelete, kRollback)) return false;
            ++out.words_dropped;
        }
    }
    return true;
}

bool PurgeRun::delete_message(uint32_t number, bool& deleted) {
    deleted = false;
    const int header = mail() ? kMail : kMsgNmbr;
    const int64_t at_header = handle(s, header).position();
    const uint64_t before = s.read_failures;
    s.rec.MsgText = MsgText{};
    s.rec.MsgText.MSGNUMBER = number;
    if (!Get(s, kMsgText, keys::TxtIdKey)) return !read_failed(before);  // no text: left alone
    if (!UppDat(s, kMsgText, kDelete, kRollback)) return false;
    handle(s, header).set_position(at_header);
    if (!UppDat(s, header, kDelete, kRollback)) return false;
    if (!RemoveAttachments(s, number, kRollback) || !remove_word_entries(number)) return false;
    out.deleted.push_back(number);
    units += 2;
    deleted = true;
    return true;
}

void PurgeRun::disk_check() {
    if (CheckSpace(s, 10000000, s.mem.FileDir) == 0) return;
    // Every batch is committed to the disk already; reopening lets go of what the store keeps
    // in memory for these files before the walk goes on.
    const std::vector<int> walked =
        mail() ? std::vector<int>{kMail, kMsgText} : std::vector<int>{kMsgNmbr, kMsgText, kThreads};
    OP_CLOSE(s, kOpForceClose, walked);
    OP_CLOSE(s, kOpOpen, walked);
}

bool PurgeRun::update_forums() {
    uint64_t n = 0;
    if (!RecordCount(s, mail() ? kMail : kMsgNmbr, n)) return false;
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = s.mem.ForumNumber;
    if (!Get(s, kForums, keys::ForumKey)) return false;
    const Forums& f = s.rec.Forums;
    bool differs = f.MSGCOUNT != n || f.COUNTFLAG != 0;
    if (f.MSGCOUNT != n) change("Forums", f.ID, "MSGCOUNT", f.MSGCOUNT, static_cast<int64_t>(n));
    if (f.COUNTFLAG != 0) change("Forums", f.ID, "COUNTFLAG", f.COUNTFLAG, 0);
    if (!differs || check()) return true;
    if (!HoldRec(s, kForums, keys::ForumKey, true, 0, 5)) return false;
    s.rec.Forums.MSGCOUNT = static_cast<uint32_t>(n);
    s.rec.Forums.COUNTFLAG = 0;
    return UppDat(s, kForums, kUpdate, kReport);
}

bool PurgeRun::end() {
    out.after = count_of(s, mail() ? kMail : kMsgNmbr);
    if (!mail()) out.threads = count_of(s, kThreads);
    out.persons = count_of(s, kPerson);
    out.seconds = StartStop(s, kStopStopwatch, kStopwatch);
    std::sort(out.deleted.begin(), out.deleted.end());
    step = PurgeStep::Idle;
    return true;
}

namespace {

// Asks about a database marked for deletion; removes it on OK. False when the run is to end.
bool marked_database(PurgeRun& r) {
    if (r.s.quiet() ||
        !r.s.dialog.ask(" Database marked for deletion!",
                        "Do you really want to delete all messages in this database? If you do, "
                        "the entire database directory will be removed.",
                        false)) {
        r.out.declined = true;
        return false;
    }
    op_files(r.s, kOpClose, r.files);
    r.open = false;
    r.out.database_removed = RemoveCurrentDatabase(r.s);
    return false;
}

bool dispatch(PurgeRun& r) {
    using S = PurgeStep;
    switch (r.step) {
        case S::AgedThreads: return r.aged_threads();
        case S::MarkAged: return r.mark_aged();
        case S::CountMarkedThreads: return r.count_marked_threads();
        case S::MarkedThreads: return r.marked_threads();
        case S::MarkedMessages: return r.marked_messages();
        case S::MarkedSections: return r.marked_sections();
        case S::SectionThreads: return r.section_threads();
        case S::SectionWalk: return r.section_walk();
        case S::MailMinutes: return r.mail_minutes();
        case S::MailDuplicates: return r.mail_duplicates();
        case S::MailPersons: return r.mail_persons();
        case S::MailPartners: return r.mail_partners();
        case S::MailMarked: return r.mail_marked();
        case S::CopyRecipients: return r.copy_recipients();
        case S::Links: return r.links();
        case S::CodeCounts: return r.code_counts();
        case S::WordEntries: return r.word_entries();
        case S::WordCounts: return r.word_counts();
        case S::WordKey: return r.word_key();
        case S::Plinks:
        case S::MailPlinks: return r.plinks();
        case S::Receivers: return r.receivers();
        case S::PersonCounts: return r.person_counts();
        case S::ThreadCounts: return r.thread_counts();
        case S::SectionCounts: return r.section_counts();
        case S::MailCounts: return r.mail_counts();
        case S::End: return r.end();
        case S::Idle: return true;
    }
    return false;
}

}  // namespace

Purge::Purge(Session& s, const PurgeRequest& request, Caption caption)
    : run_(std::make_unique<PurgeRun>(s, request, std::move(caption))) {
    PurgeRun& r = *run_;
    r.files = purge_files(r.type);
    op_files(s, kOpOpen, r.files);
    r.open = true;
    int32_t pace = request.batch > 0 ? request.batch : SpeedVal(s, kGetPace, item::kPacePurge);
    r.batch_size = pace > 0 ? pace : 100;
    StartStop(s, kStartStopwatch, kStopwatch);
    r.out.before = count_of(s, r.type == kMailDb ? kMail : kMsgNmbr);
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = s.mem.ForumNumber;
    if (Get(s, kForums, keys::ForumKey)) s.mem.ForumCheck = s.rec.Forums.DUMMY;
    if (request.purge && s.mem.ForumCheck == kStatusDelete && !marked_database(r)) {
        r.step = PurgeStep::Idle;
        return;
    }
    r.caption(request.purge ? " Purging Messages .. Please Wait!"
                            : " Counting Messages .. Please Wait!");
    r.step = first_step(request, r.type);
}

Purge::~Purge() {
    PurgeRun& r = *run_;
    if (!r.open) return;
    if (r.s.engine.in_transaction()) Rollback(r.s);
    op_files(r.s, kOpClose, r.files);
}

Purge::Result Purge::step() {
    PurgeRun& r = *run_;
    if (r.failed) return Result::Failed;
    if (r.cancelled || r.step == PurgeStep::Idle) {
        r.step = PurgeStep::Idle;
        return Result::Done;
    }
    if (!dispatch(r)) {
        if (r.s.engine.in_transaction()) Rollback(r.s);
        r.failed = true;
        return Result::Failed;
    }
    return r.step == PurgeStep::Idle ? Result::Done : Result::More;
}

void Purge::cancel() { run_->cancelled = true; }
bool Purge::cancelled() const { return run_->cancelled; }
PurgeStep Purge::current() const { return run_->step; }
const PurgeOutcome& Purge::outcome() const { return run_->out; }

std::string Purge::end_message() const {
    return std::string(run_->rq.purge ? " Obsolete Message Purging " : " Count Messages ") +
           "The time for completion was: " + std::to_string(run_->out.seconds) + " seconds";
}

std::string purge_title(const Session& s, bool purge) {
    if (!s.quiet()) return purge ? " Message Purging " : " Message Counting ";
    return std::string(purge ? " Scheduled Message Purging [" : " Scheduled Message Counting [") +
           s.mem.Description + "]";
}

}  // namespace qs::maint
