// SPDX-License-Identifier: MIT
// Duplicate mails: the same mail imported twice (from two mailboxes, or a copy kept by two mail
// programs) is found by its subject, minute, sender, receiver and text, and all but one are marked
// delete. Mails marked keep are never marked; the first of equal mails stays as the reference.
#include <algorithm>
#include <tuple>

#include "import/processor.h"
#include "maintenance/purge_run.h"
#include "platform/unicode.h"
#include "storage/file_access.h"

namespace qs::maint {

namespace {

struct Candidate {
    uint32_t id = 0;
    std::string subject;  // upper-cased
    int32_t date = 0;
    int32_t time = 0;
    uint32_t from = 0;
    uint32_t to = 0;
    uint8_t status = 0;
    std::string start;  // the first 30 characters of the text

    auto order() const { return std::tie(subject, date, time, from, to, start); }
};

// Mails that differ in their seconds only are the same mail: a time without its seconds and
// hundredths, as step 97 stores it.
int32_t to_minute(int32_t time) {
    const int32_t r = ((time % 6000) + 6000) % 6000;
    return r > 1 ? time - (r - 1) : time;
}

bool same_group(const Candidate& a, const Candidate& b) {
    return a.subject == b.subject && a.date == b.date && a.time == b.time;
}

// The text start of a mail; blank when its text is missing.
std::string text_start(Session& s, uint32_t id) {
    s.rec.MsgText = MsgText{};
    s.rec.MsgText.MSGNUMBER = id;
    if (!Get(s, kMsgText, keys::TxtIdKey)) return std::string(30, ' ');
    return std::string(cut_chars(s.rec.MsgText.MSGTEXT.text, 30));
}

// The mails that share subject, date and time with the mail before or after them in subject
// order, read in that order.
bool candidates(Session& s, std::vector<Candidate>& out) {
    const uint64_t before = s.read_failures;
    std::vector<Candidate> run;
    auto flush = [&] {
        if (run.size() >= 2) out.insert(out.end(), run.begin(), run.end());
        run.clear();
    };
    Set(s, kMail, keys::SubjectKey);
    const Mail& m = s.rec.Mail;
    while (Next(s, kMail)) {
        Candidate c{m.MAILID, upper_case(m.SUBJECT.trimmed()),
                    m.DATE,   to_minute(m.TIME),
                    m.FROMID, m.TOID,
                    m.DUMMY,  {}};
        if (!run.empty() && !same_group(run.back(), c)) flush();
        run.push_back(std::move(c));
    }
    flush();
    for (Candidate& c : out) c.start = text_start(s, c.id);
    return s.read_failures == before;
}

}  // namespace

bool find_duplicate_mails(Session& s, std::vector<uint32_t>& out) {
    std::vector<Candidate> list;
    if (!candidates(s, list)) return false;
    std::stable_sort(list.begin(), list.end(),
                     [](const Candidate& a, const Candidate& b) { return a.order() < b.order(); });
    const Candidate* ref = nullptr;
    for (const Candidate& c : list) {
        if (c.status == kStatusDelete) continue;
        if (ref && ref->order() == c.order() && DupString(s, 2, ref->id, c.id)) {
            out.push_back(c.id);
            continue;
        }
        ref = &c;
    }
    return true;
}

bool PurgeRun::mail_minutes() {
    if (!loaded) {
        caption("Preparing for mail duplicate elimination");
        list.clear();
        at = 0;
        if (!collect_ids<Mail>(s, kMail, keys::MaiIdKey, &Mail::MAILID, {}, list)) return false;
        loaded = true;
    }
    bool done = false;
    auto one = [this](uint32_t id) {
        ++units;
        const uint64_t before = s.read_failures;
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = id;
        if (!Get(s, kMail, keys::MaiIdKey)) return !read_failed(before);
        // Seconds and hundredths go; the 1 that the time encoding adds stays.
        const int32_t t = to_minute(s.rec.Mail.TIME);
        if (t == s.rec.Mail.TIME) return true;
        s.rec.Mail.TIME = t;
        return UppDat(s, kMail, kUpdate, kRollback);
    };
    if (!batch({kMail}, one, done)) return false;
    if (done) go(PurgeStep::MailDuplicates, "Identifying duplicate mail messages");
    return true;
}

bool PurgeRun::mail_duplicates() {
    std::vector<uint32_t> dups;
    if (!find_duplicate_mails(s, dups)) return false;
    caption("Set delete status on duplicates");
    if (!dups.empty()) {
        if (TransactionCheck(s, BeginTransaction(s, {kMail}))) return false;
        for (uint32_t id : dups) {
            const uint64_t before = s.read_failures;
            s.rec.Mail = Mail{};
            s.rec.Mail.MAILID = id;
            if (!Get(s, kMail, keys::MaiIdKey)) {
                if (read_failed(before)) return false;
                continue;
            }
            if (s.rec.Mail.DUMMY != kStatusNormal) continue;  // kept mails are never marked
            s.rec.Mail.DUMMY = kStatusDelete;
            if (!UppDat(s, kMail, kUpdate, kRollback)) return false;
            ++out.duplicates;
        }
        if (!Commit(s)) return false;
    }
    if (CheckSpace(s, 5000000, s.mem.FileDir) != 0) {
        go(PurgeStep::End);
        return true;
    }
    go(PurgeStep::MailPersons);
    return true;
}

}  // namespace qs::maint
