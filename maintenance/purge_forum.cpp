// SPDX-License-Identifier: MIT
// The purge steps of forum and newsgroup databases: ageing, marked threads, marked messages and
// the threads of marked sections. A message marked keep keeps its thread, whatever the thread's
// or the section's mark.
#include <set>

#include "maintenance/purge_run.h"
#include "storage/file_access.h"

namespace qs::maint {

namespace {

const std::vector<int> kThreadTx = {kMsgNmbr, kMsgText, kThreads, kAttach,
                                    kAttData, kMasIdx,  kWordList};
const std::vector<int> kMessageTx = {kMsgNmbr, kMsgText, kAttach, kAttData, kMasIdx, kWordList};

bool get_thread(Session& s, uint32_t thread) {
    s.rec.Threads = Threads{};
    s.rec.Threads.THREADNUMBER = thread;
    return Get(s, kThreads, 0);
}

bool get_message(Session& s, uint32_t number) {
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.MSGNUMBER = number;
    return Get(s, kMsgNmbr, keys::MsgIdKey);
}

// The records of `file` whose status (DUMMY, the only part of `key`) is `status`.
template <class R>
bool with_status(Session& s, int file, int key, uint8_t status, uint32_t R::*id,
                 std::vector<uint32_t>& out) {
    const uint64_t before = s.read_failures;
    R& r = buffer<R>(s, file);
    r = R{};
    r.DUMMY = status;
    SetFrom(s, file, key, 1);
    while (Next(s, file) && r.DUMMY == status) out.push_back(r.*id);
    return s.read_failures == before;
}

constexpr int kThreadStatusKey = 3;  // THR:StatusKey
constexpr int kThreadSecKey = 1;     // THR:SecKey

}  // namespace

bool thread_messages(Session& s, uint32_t thread, std::vector<MsgNmbr>& out) {
    const uint64_t before = s.read_failures;
    if (!get_thread(s, thread)) return s.read_failures == before;
    const decltype(MsgNmbr::THREADALPHA) alpha = s.rec.Threads.ALPHA;
    MsgNmbr& m = s.rec.MsgNmbr;
    m = MsgNmbr{};
    m.THREADALPHA = alpha;
    m.THREADNUMBER = thread;
    SetFrom(s, kMsgNmbr, keys::Threadkey, 2);
    while (Next(s, kMsgNmbr) && m.THREADNUMBER == thread &&
           compare_nocase(m.THREADALPHA.view(), alpha.view()) == 0)
        out.push_back(m);
    return s.read_failures == before;
}

bool find_aged_threads(Session& s, int32_t cutoff, std::vector<uint32_t>& out) {
    const uint64_t before = s.read_failures;
    std::set<uint32_t> threads;
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.DATE = cutoff;
    SetFrom(s, kMsgNmbr, keys::MsgDateKey, 1);  // the date key runs newest first
    while (Next(s, kMsgNmbr)) threads.insert(s.rec.MsgNmbr.THREADNUMBER);
    for (uint32_t t : threads) {
        if (!get_thread(s, t) || s.rec.Threads.DUMMY != kStatusNormal) continue;
        std::vector<MsgNmbr> msgs;
        if (!thread_messages(s, t, msgs)) return false;
        // The highest-numbered message is the newest: the thread ages only with it.
        if (!msgs.empty() && msgs.back().DATE <= cutoff) out.push_back(t);
    }
    return s.read_failures == before;
}

bool PurgeRun::aged_threads() {
    caption("Marking aged threads for deletion");
    const int weeks = rq.weeks == 0 ? 999 : rq.weeks;
    cutoff = s.clock.today() - weeks * 7;
    list.clear();
    at = 0;
    if (!find_aged_threads(s, cutoff, list)) return false;
    out.aged = list.size();
    if (list.empty()) {
        go(PurgeStep::CountMarkedThreads);
        return true;
    }
    go(PurgeStep::MarkAged, "Setting delete status to aged threads");
    return true;
}

bool PurgeRun::mark_aged() {
    bool done = false;
    auto one = [this](uint32_t t) {
        ++units;
        if (!get_thread(s, t)) return true;  // gone meanwhile
        if (s.rec.Threads.DUMMY != kStatusNormal) return true;
        s.rec.Threads.DUMMY = kStatusDelete;
        return UppDat(s, kThreads, kUpdate, kRollback);
    };
    if (!batch({kThreads}, one, done)) return false;
    if (done) go(PurgeStep::CountMarkedThreads);
    return true;
}

bool PurgeRun::count_marked_threads() {
    list.clear();
    at = 0;
    if (!with_status(s, kThreads, kThreadStatusKey, kStatusDelete, &Threads::THREADNUMBER, list))
        return false;
    go(PurgeStep::MarkedThreads, "Deleting messages in obsolete threads");
    return true;
}

// Deletes the messages of a thread that are not kept, and the thread when none is left.
bool PurgeRun::thread_purge(uint32_t thread) {
    ++units;
    std::vector<MsgNmbr> msgs;
    if (!thread_messages(s, thread, msgs)) return false;
    bool kept = false;
    for (const MsgNmbr& m : msgs) {
        if (m.DUMMY != kStatusNormal && m.DUMMY != kStatusDelete) {  // kept
            kept = true;
            continue;
        }
        const uint64_t before = s.read_failures;
        if (!get_message(s, m.MSGNUMBER)) {
            if (read_failed(before)) return false;
            continue;
        }
        bool deleted = false;
        if (!delete_message(m.MSGNUMBER, deleted)) return false;
        // A header left for want of its text still belongs to the thread.
        kept = kept || !deleted;
    }
    if (kept) return true;
    const uint64_t before = s.read_failures;
    if (!get_thread(s, thread)) return !read_failed(before);
    return UppDat(s, kThreads, kDelete, kRollback);
}

bool PurgeRun::marked_threads() {
    bool done = false;
    if (!batch(
            kThreadTx, [this](uint32_t t) { return thread_purge(t); }, done))
        return false;
    disk_check();
    if (!done) return true;
    list.clear();
    at = 0;
    if (!with_status(s, kMsgNmbr, keys::MsgStatusKey, kStatusDelete, &MsgNmbr::MSGNUMBER, list))
        return false;
    go(PurgeStep::MarkedMessages, "Deleting obsolete messages");
    return true;
}

bool PurgeRun::marked_messages() {
    bool done = false;
    auto one = [this](uint32_t n) {
        const uint64_t before = s.read_failures;
        if (!get_message(s, n)) return !read_failed(before);
        if (s.rec.MsgNmbr.DUMMY != kStatusDelete) return true;
        bool deleted = false;
        return delete_message(n, deleted);
    };
    if (!batch(kMessageTx, one, done)) return false;
    disk_check();
    if (done) go(PurgeStep::MarkedSections, "Deleting messages in obsolete sections");
    return true;
}

bool PurgeRun::marked_sections() {
    sections.clear();
    section_at = 0;
    // A database marked for deletion takes every section not kept along.
    const bool all = s.mem.ForumCheck == kStatusDelete;
    std::function<bool(const Sections&)> keep = [all](const Sections& r) {
        return r.DUMMY != kStatusKeep && (all || r.DUMMY != kStatusNormal);
    };
    if (!collect_ids<Sections>(s, kSections, 0, &Sections::SECSYSID, keep, sections)) return false;
    if (sections.empty())
        go(PurgeStep::Links);
    else
        go(PurgeStep::SectionThreads);
    return true;
}

bool PurgeRun::section_threads() {
    if (section_at >= sections.size()) {
        go(PurgeStep::Links);
        return true;
    }
    const uint32_t sec = sections[section_at];
    const uint64_t before = s.read_failures;
    list.clear();
    at = 0;
    Threads& t = s.rec.Threads;
    t = Threads{};
    t.SECSYSID = sec;
    SetFrom(s, kThreads, kThreadSecKey, 1);
    while (Next(s, kThreads) && t.SECSYSID == sec)
        if (t.DUMMY != kStatusKeep) list.push_back(t.THREADNUMBER);
    if (read_failed(before)) return false;
    go(PurgeStep::SectionWalk);
    return true;
}

bool PurgeRun::section_walk() {
    bool done = false;
    if (!batch(
            kThreadTx, [this](uint32_t t) { return thread_purge(t); }, done))
        return false;
    disk_check();
    if (done) {
        ++section_at;
        go(PurgeStep::SectionThreads);
    }
    return true;
}

}  // namespace qs::maint
