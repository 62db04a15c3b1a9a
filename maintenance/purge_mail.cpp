// SPDX-License-Identifier: MIT
// The purge steps of mail databases after the duplicates: the mails of partners marked delete
// (a mail marked keep keeps its partner), the mails marked delete, and the copy recipients of
// mails that are gone.
#include <set>

#include "maintenance/purge_run.h"
#include "storage/file_access.h"

namespace qs::maint {

namespace {

const std::vector<int> kPartnerTx = {kMail,    kMsgText, kPerson,  kAttach,
                                     kAttData, kMasIdx,  kWordList};
const std::vector<int> kMailTx = {kMail, kMsgText, kAttach, kAttData, kMasIdx, kWordList};

bool get_person(Session& s, uint32_t id) {
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = id;
    return Get(s, kPerson, keys::PersonKey);
}

bool get_mail(Session& s, uint32_t id) {
    s.rec.Mail = Mail{};
    s.rec.Mail.MAILID = id;
    return Get(s, kMail, keys::MaiIdKey);
}

// The mails whose partner is the person in the Person buffer.
bool partner_mails(Session& s, std::vector<Mail>& out) {
    const uint64_t before = s.read_failures;
    const Person p = s.rec.Person;
    Mail& m = s.rec.Mail;
    m = Mail{};
    m.PAIRALPHA = p.LASTNAME;
    m.PAIRID = p.PERSONID;
    SetFrom(s, kMail, keys::PairKey, 2);
    while (Next(s, kMail) && m.PAIRID == p.PERSONID &&
           compare_nocase(m.PAIRALPHA.view(), p.LASTNAME.view()) == 0)
        out.push_back(m);
    return s.read_failures == before;
}

}  // namespace

bool PurgeRun::mail_persons() {
    list.clear();
    at = 0;
    std::function<bool(const Person&)> marked = [](const Person& p) {
        return p.DUMMY == kStatusDelete;
    };
    if (!collect_ids<Person>(s, kPerson, keys::PersonKey, &Person::PERSONID, marked, list))
        return false;
    go(PurgeStep::MailPartners, "Deleting obsolete messages");
    return true;
}

bool PurgeRun::mail_partners() {
    bool done = false;
    auto one = [this](uint32_t id) {
        ++units;
        const uint64_t before = s.read_failures;
        if (!get_person(s, id)) return !read_failed(before);
        std::vector<Mail> mails;
        if (!partner_mails(s, mails)) return false;
        bool kept = false;
        for (const Mail& m : mails) {
            if (m.DUMMY != kStatusNormal && m.DUMMY != kStatusDelete) {
                kept = true;
                continue;
            }
            if (!get_mail(s, m.MAILID)) {
                if (read_failed(before)) return false;
                continue;
            }
            bool deleted = false;
            if (!delete_message(m.MAILID, deleted)) return false;
            kept = kept || !deleted;
        }
        if (kept) return true;
        if (!get_person(s, id)) return !read_failed(before);
        return UppDat(s, kPerson, kDelete, kRollback);
    };
    if (!batch(kPartnerTx, one, done)) return false;
    disk_check();
    if (!done) return true;
    list.clear();
    at = 0;
    const uint64_t before = s.read_failures;
    s.rec.Mail = Mail{};
    s.rec.Mail.DUMMY = kStatusDelete;
    SetFrom(s, kMail, keys::MaiStatusKey, 1);
    while (Next(s, kMail) && s.rec.Mail.DUMMY == kStatusDelete) list.push_back(s.rec.Mail.MAILID);
    if (read_failed(before)) return false;
    go(PurgeStep::MailMarked);
    return true;
}

bool PurgeRun::mail_marked() {
    bool done = false;
    auto one = [this](uint32_t id) {
        const uint64_t before = s.read_failures;
        if (!get_mail(s, id)) return !read_failed(before);
        if (s.rec.Mail.DUMMY != kStatusDelete) return true;
        bool deleted = false;
        return delete_message(id, deleted);
    };
    if (!batch(kMailTx, one, done)) return false;
    disk_check();
    if (done) go(PurgeStep::CopyRecipients);
    return true;
}

bool PurgeRun::copy_recipients() {
    const uint64_t before = s.read_failures;
    std::set<uint32_t> ids;
    Set(s, kCCR, 0);
    while (Next(s, kCCR)) ids.insert(s.rec.CCR.MAILID);
    std::vector<uint32_t> orphans;
    for (uint32_t id : ids)
        if (!get_mail(s, id)) orphans.push_back(id);
    if (read_failed(before)) return false;
    if (!orphans.empty()) {
        if (TransactionCheck(s, BeginTransaction(s, {kCCR}))) return false;
        store::File& h = handle(s, kCCR);
        for (uint32_t id : orphans) {
            CCR key;
            key.MAILID = id;
            CCR rec;
            while (h.get(0, &key, &rec, 1))
                if (!h.remove()) return false;
        }
        if (!Commit(s)) return false;
    }
    go(PurgeStep::MailPlinks);
    return true;
}

}  // namespace qs::maint
