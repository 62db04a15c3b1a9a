// SPDX-License-Identifier: MIT
// The dry run of a purge: the same choices as the purge's steps, made on what is stored without
// writing anything. Marks the purge would write first (aged threads, duplicate mails) are taken
// as written.
#include <algorithm>
#include <set>

#include "maintenance/purge_run.h"
#include "storage/database_list.h"
#include "storage/file_access.h"

namespace qs::maint {

namespace {

struct Planner {
    Session& s;
    bool mail;
    std::set<uint32_t> deleted;
    std::set<uint32_t> marked;  // marked delete by the run before it deletes

    bool has_text(uint32_t n) {
        s.rec.MsgText = MsgText{};
        s.rec.MsgText.MSGNUMBER = n;
        return Get(s, kMsgText, keys::TxtIdKey);
    }
    // A message of status 0 or 2 (or marked by the run) goes when its text is there; true when
    // it stays.
    template <class R>
    bool stays(const R& m, uint32_t number) {
        const uint8_t st = marked.count(number) ? kStatusDelete : m.DUMMY;
        if (st != kStatusNormal && st != kStatusDelete) return true;
        if (!has_text(number)) return true;
        deleted.insert(number);
        return false;
    }
    void thread(uint32_t t) {
        std::vector<MsgNmbr> msgs;
        if (!thread_messages(s, t, msgs)) return;
        for (const MsgNmbr& m : msgs) stays(m, m.MSGNUMBER);
    }
};

template <class R>
std::vector<R> all_of(Session& s, int file, int key) {
    std::vector<R> out;
    Set(s, file, key);
    while (Next(s, file)) out.push_back(buffer<R>(s, file));
    return out;
}

void plan_forum(Planner& p, const PurgeRequest& rq, PurgePlan& plan) {
    Session& s = p.s;
    if (rq.ageing) {
        const int weeks = rq.weeks == 0 ? 999 : rq.weeks;
        find_aged_threads(s, s.clock.today() - weeks * 7, plan.aged_threads);
    }
    std::set<uint32_t> aged(plan.aged_threads.begin(), plan.aged_threads.end());
    const auto threads = all_of<Threads>(s, kThreads, 0);
    for (const Threads& t : threads)
        if (t.DUMMY == kStatusDelete || aged.count(t.THREADNUMBER)) p.thread(t.THREADNUMBER);
    for (const MsgNmbr& m : all_of<MsgNmbr>(s, kMsgNmbr, keys::MsgIdKey))
        if (m.DUMMY == kStatusDelete && !p.deleted.count(m.MSGNUMBER)) p.stays(m, m.MSGNUMBER);
    const bool all = s.mem.ForumCheck == kStatusDelete;
    for (const Sections& sec : all_of<Sections>(s, kSections, 0)) {
        if (sec.DUMMY == kStatusKeep || (!all && sec.DUMMY == kStatusNormal)) continue;
        for (const Threads& t : threads)
            if (t.SECSYSID == sec.SECSYSID && t.DUMMY != kStatusKeep) p.thread(t.THREADNUMBER);
    }
}

void plan_mail(Planner& p, PurgePlan& plan) {
    Session& s = p.s;
    find_duplicate_mails(s, plan.duplicates);
    const auto mails = all_of<Mail>(s, kMail, keys::MaiIdKey);
    std::set<uint32_t> dups(plan.duplicates.begin(), plan.duplicates.end());
    plan.duplicates.clear();
    for (const Mail& m : mails)
        if (dups.count(m.MAILID) && m.DUMMY == kStatusNormal) {
            p.marked.insert(m.MAILID);
            plan.duplicates.push_back(m.MAILID);
        }
    std::set<uint32_t> partners;
    for (const Person& per : all_of<Person>(s, kPerson, keys::PersonKey))
        if (per.DUMMY == kStatusDelete) partners.insert(per.PERSONID);
    for (const Mail& m : mails)
        if (partners.count(m.PAIRID) || m.DUMMY == kStatusDelete || p.marked.count(m.MAILID))
            p.stays(m, m.MAILID);
}

}  // namespace

bool plan_purge(Session& s, const PurgeRequest& request, PurgePlan& plan) {
    const uint8_t type = s.mem.ForumType;
    const std::vector<int> files = purge_files(type);
    op_files(s, kOpOpen, files);
    const uint64_t before = s.read_failures;
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = s.mem.ForumNumber;
    if (Get(s, kForums, keys::ForumKey)) s.mem.ForumCheck = s.rec.Forums.DUMMY;
    Planner p{s, type == kMailDb, {}, {}};
    if (type == kMailDb)
        plan_mail(p, plan);
    else
        plan_forum(p, request, plan);
    plan.messages.assign(p.deleted.begin(), p.deleted.end());
    op_files(s, kOpClose, files);
    return s.read_failures == before;
}

}  // namespace qs::maint
