// SPDX-License-Identifier: MIT
// The count steps, the tail of every purge and the whole of a count: orphaned key word links and
// key word counts, the word list's counts, orphaned person strings, newsgroup receivers, and the
// counts of persons, threads, sections and the database. In a check every change is listed
// instead of written.
#include <map>
#include <set>

#include "import/address.h"
#include "maintenance/purge_run.h"
#include "storage/file_access.h"
#include "wordindex/index_files.h"
#include "wordindex/postings.h"

namespace qs::maint {

namespace {

constexpr int kSinIdKey = 0, kSinMsgKey = 1;
constexpr int kThreadSecKey = 1;

bool header_exists(Session& s, bool mail, uint32_t n) {
    if (mail) {
        s.rec.Mail = Mail{};
        s.rec.Mail.MAILID = n;
        return Get(s, kMail, keys::MaiIdKey);
    }
    s.rec.MsgNmbr = MsgNmbr{};
    s.rec.MsgNmbr.MSGNUMBER = n;
    return Get(s, kMsgNmbr, keys::MsgIdKey);
}

// Removes every SIndex link whose `key` (ID or MSGNUMBER, one part) has the value.
bool remove_links(Session& s, int key, const SIndex& values) {
    store::File& h = handle(s, kSIndex);
    SIndex rec;
    Status st;
    while ((st = h.get(key, &values, &rec, 1)))
        if (!h.remove()) return false;
    return st.code() == Code::NotFound;
}

template <class F>
bool in_transaction(Session& s, bool check, std::initializer_list<int> files, F&& work) {
    if (check) return work();
    if (TransactionCheck(s, BeginTransaction(s, files))) return false;
    if (!work()) return false;
    return Commit(s);
}

}  // namespace

bool PurgeRun::links() {
    caption("Removing orphaned search indexes");
    const uint64_t before = s.read_failures;
    std::map<uint32_t, int64_t> by_message, by_id;
    Set(s, kSIndex, kSinMsgKey);
    while (Next(s, kSIndex)) {
        ++by_message[s.rec.SIndex.MSGNUMBER];
        ++by_id[s.rec.SIndex.ID];
    }
    std::set<uint32_t> codes;
    Set(s, kCodes, 0);
    while (Next(s, kCodes)) codes.insert(s.rec.Codes.ID);
    std::vector<uint32_t> gone_messages, gone_ids;
    for (const auto& [n, links] : by_message)
        if (!header_exists(s, mail(), n)) gone_messages.push_back(n);
    for (const auto& [id, links] : by_id)
        if (!codes.count(id)) gone_ids.push_back(id);
    if (read_failed(before)) return false;
    auto work = [&] {
        for (uint32_t n : gone_messages) {
            change("SIndex", n, "record", by_message[n], -1);
            if (!check() && !remove_links(s, kSinMsgKey, SIndex{0, n})) return false;
        }
        for (uint32_t id : gone_ids) {
            change("SIndex", id, "record", by_id[id], -1);
            if (!check() && !remove_links(s, kSinIdKey, SIndex{id, 0})) return false;
        }
        return true;
    };
    if (!in_transaction(s, check(), {kSIndex}, work)) return false;
    go(PurgeStep::CodeCounts, "Updating key word index counts");
    return true;
}

bool PurgeRun::code_counts() {
    const uint64_t before = s.read_failures;
    std::vector<Codes> all;
    Set(s, kCodes, 0);
    while (Next(s, kCodes)) all.push_back(s.rec.Codes);
    if (read_failed(before)) return false;
    auto work = [&] {
        for (const Codes& c : all) {
            uint32_t n = 0;
            s.rec.SIndex = SIndex{c.ID, 0};
            SetFrom(s, kSIndex, kSinIdKey, 1);
            while (Next(s, kSIndex) && s.rec.SIndex.ID == c.ID) ++n;
            if (read_failed(before)) return false;
            if (n == c.COUNT || !change("Codes", c.ID, "COUNT", c.COUNT, n)) continue;
            s.rec.Codes = c;
            if (!Get(s, kCodes, 0)) return false;
            s.rec.Codes.COUNT = n;
            if (!UppDat(s, kCodes, kUpdate, kRollback)) return false;
        }
        return true;
    };
    if (!in_transaction(s, check(), {kCodes}, work)) return false;
    if (mail() && rq.purge)
        go(PurgeStep::MailCounts);
    else if (rq.purge)
        go(PurgeStep::WordEntries, "Purging orphaned word indexes");
    else
        go(PurgeStep::WordCounts, "Updating index counts per indexed word");
    return true;
}

// The purge removed each deleted message's word index entries, and counted its words down, in
// the batch that deleted the message; what is left here is the word list's count key.
bool PurgeRun::word_entries() {
    if (out.deleted.empty()) {
        go(after_word_key());
        return true;
    }
    go(PurgeStep::WordCounts, "Updating index counts per indexed word");
    return true;
}

// In a purge the counts are already right; a count recounts every word's entries.
bool PurgeRun::word_counts() {
    if (rq.purge) {
        caption("Flushing buffers");
        go(PurgeStep::WordKey, "Rebuilding word list");
        return true;
    }
    const uint64_t before = s.read_failures;
    std::map<uint32_t, int32_t> counted;
    if (!words::entries_per_word(s, counted)) return false;
    std::vector<WordList> list;
    Set(s, kWordList, words::kWordIdKey);
    while (Next(s, kWordList)) list.push_back(s.rec.WordList);
    if (read_failed(before)) return false;
    auto work = [&] {
        for (const WordList& w : list) {
            const auto it = counted.find(static_cast<uint32_t>(w.WORDID));
            const int32_t n = it == counted.end() ? 0 : it->second;
            if (n == w.WORDCOUNT) continue;
            if (!change("WordList", static_cast<uint32_t>(w.WORDID), n ? "WORDCOUNT" : "record",
                        w.WORDCOUNT, n ? n : -1))
                continue;
            s.rec.WordList = w;
            if (!Get(s, kWordList, words::kWordIdKey)) return false;
            s.rec.WordList.WORDCOUNT = n;
            if (!UppDat(s, kWordList, n ? int{kUpdate} : int{kDelete}, kRollback)) return false;
            if (!n) ++out.words_dropped;
        }
        return true;
    };
    if (!in_transaction(s, check(), {kWordList}, work)) return false;
    go(PurgeStep::WordKey, "Rebuilding word list");
    return true;
}

bool PurgeRun::word_key() {
    if (!check() && !words::rebuild_count_key(s)) return false;
    go(after_word_key());
    return true;
}

PurgeStep PurgeRun::after_word_key() const {
    if (!mail()) return PurgeStep::Plinks;
    return rq.purge ? PurgeStep::Links : PurgeStep::MailPlinks;
}

bool PurgeRun::plinks() {
    caption("Removing orphan duplicates");
    const uint64_t before = s.read_failures;
    std::vector<PLINK> all;
    Set(s, kPLINK, 0);
    while (Next(s, kPLINK)) all.push_back(s.rec.PLINK);
    std::vector<PLINK> orphans;
    for (const PLINK& p : all) {
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = p.PERSONID;
        if (!Get(s, kPerson, keys::PersonKey)) orphans.push_back(p);
    }
    if (read_failed(before)) return false;
    auto work = [&] {
        for (const PLINK& p : orphans) {
            if (!change("PLINK", p.PERSONID, "record", 1, -1)) continue;
            s.rec.PLINK = p;
            if (!Get(s, kPLINK, 0)) continue;
            if (!UppDat(s, kPLINK, kDelete, kRollback)) return false;
        }
        return true;
    };
    if (!in_transaction(s, check(), {kPLINK}, work)) return false;
    if (mail())
        go(rq.purge ? PurgeStep::WordEntries : PurgeStep::MailCounts,
           rq.purge ? "Purging orphaned word indexes" : nullptr);
    else if (type == kNewsDb)
        go(PurgeStep::Receivers, "Updating message receiver information");
    else
        go(PurgeStep::PersonCounts, "Updating message counts per person");
    return true;
}

bool PurgeRun::receivers() {
    if (!loaded) {
        list.clear();
        at = 0;
        std::function<bool(const MsgNmbr&)> replies = [](const MsgNmbr& m) {
            return m.REFNUMBER != 0;
        };
        if (!collect_ids<MsgNmbr>(s, kMsgNmbr, keys::MsgIdKey, &MsgNmbr::MSGNUMBER, replies, list))
            return false;
        loaded = true;
    }
    bool done = false;
    auto one = [this](uint32_t n) {
        ++units;
        const uint64_t before = s.read_failures;
        if (!header_exists(s, false, n)) return !read_failed(before);
        const uint32_t ref = s.rec.MsgNmbr.REFNUMBER;
        if (!header_exists(s, false, ref)) return !read_failed(before);
        const MsgNmbr parent = s.rec.MsgNmbr;
        if (!header_exists(s, false, n)) return false;
        MsgNmbr& m = s.rec.MsgNmbr;
        if (parent.FROMID == m.TOID) return true;
        if (!change("MsgNmbr", n, "TOID", m.TOID, parent.FROMID)) return true;
        m.TOID = parent.FROMID;
        m.TOALPHA = parent.FROMALPHA;
        return UppDat(s, kMsgNmbr, kUpdate, kRollback);
    };
    if (!batch({kMsgNmbr}, one, done)) return false;
    if (done) go(PurgeStep::PersonCounts, "Updating message counts per person");
    return true;
}

// Loads the identifiers of every record of a file as the step's work list, once.
template <class R>
bool load_all(PurgeRun& r, int file, int key, uint32_t R::*id) {
    if (r.loaded) return true;
    r.list.clear();
    r.at = 0;
    if (!collect_ids<R>(r.s, file, key, id, {}, r.list)) return false;
    r.loaded = true;
    return true;
}

// Writes a recounted person, or deletes one without messages (`result` as CFromToMsg gives it).
bool store_person(PurgeRun& r, const Person& stored, uint8_t result) {
    Session& s = r.s;
    if (result == 3) {
        if (!r.change("Person", stored.PERSONID, "record", stored.FROMCOUNT + stored.TOCOUNT, -1))
            return true;
        return UppDat(s, kPerson, kDelete, kRollback);
    }
    if (result != 2) return true;
    const Person& now = s.rec.Person;
    bool write = false;
    if (now.FROMCOUNT != stored.FROMCOUNT)
        write |= r.change("Person", stored.PERSONID, "FROMCOUNT", stored.FROMCOUNT, now.FROMCOUNT);
    if (now.TOCOUNT != stored.TOCOUNT)
        write |= r.change("Person", stored.PERSONID, "TOCOUNT", stored.TOCOUNT, now.TOCOUNT);
    if (!write && r.check()) return true;
    return UppDat(s, kPerson, kUpdate, kRollback);
}

bool PurgeRun::person_counts() {
    if (!load_all<Person>(*this, kPerson, keys::PersonKey, &Person::PERSONID)) return false;
    bool done = false;
    auto one = [this](uint32_t id) {
        ++units;
        const uint64_t before = s.read_failures;
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = id;
        if (!Get(s, kPerson, keys::PersonKey)) return !read_failed(before);
        const Person stored = s.rec.Person;
        const uint8_t result = CFromToMsg(s);
        if (read_failed(before)) return false;
        return store_person(*this, stored, result);
    };
    if (!batch({kPerson}, one, done)) return false;
    if (done) go(PurgeStep::ThreadCounts, "Updating message counts per thread");
    return true;
}

bool PurgeRun::thread_counts() {
    if (!load_all<Threads>(*this, kThreads, 0, &Threads::THREADNUMBER)) return false;
    bool done = false;
    auto one = [this](uint32_t t) {
        ++units;
        std::vector<MsgNmbr> msgs;
        if (!thread_messages(s, t, msgs)) return false;
        const auto n = static_cast<uint32_t>(msgs.size());
        recounted[t] = n;
        const uint64_t before = s.read_failures;
        s.rec.Threads = Threads{};
        s.rec.Threads.THREADNUMBER = t;
        if (!Get(s, kThreads, 0)) return !read_failed(before);
        const uint32_t stored = s.rec.Threads.MSGCOUNT;
        if (n == 0) {
            if (!change("Threads", t, "record", stored, -1)) return true;
            return UppDat(s, kThreads, kDelete, kRollback);
        }
        if (n == stored || !change("Threads", t, "MSGCOUNT", stored, n)) return true;
        s.rec.Threads.MSGCOUNT = n;
        return UppDat(s, kThreads, kUpdate, kRollback);
    };
    if (!batch({kThreads}, one, done)) return false;
    if (done) go(PurgeStep::SectionCounts, "Updating message counts per section");
    return true;
}

bool PurgeRun::section_counts() {
    if (!load_all<Sections>(*this, kSections, 0, &Sections::SECSYSID)) return false;
    bool done = false;
    auto one = [this](uint32_t sec) {
        ++units;
        const uint64_t before = s.read_failures;
        uint32_t sum = 0;
        Threads& t = s.rec.Threads;
        t = Threads{};
        t.SECSYSID = sec;
        SetFrom(s, kThreads, kThreadSecKey, 1);
        while (Next(s, kThreads) && t.SECSYSID == sec) {
            // A check wrote no thread count: it sums what it counted.
            const auto it = recounted.find(t.THREADNUMBER);
            sum += it != recounted.end() ? it->second : t.MSGCOUNT;
        }
        s.rec.Sections = Sections{};
        s.rec.Sections.SECSYSID = sec;
        if (read_failed(before) || !Get(s, kSections, 0)) return !read_failed(before);
        const uint32_t stored = s.rec.Sections.MSGCOUNT;
        if (sum == 0) {
            if (!change("Sections", sec, "record", stored, -1)) return true;
            return UppDat(s, kSections, kDelete, kRollback);
        }
        if (sum == stored || !change("Sections", sec, "MSGCOUNT", stored, sum)) return true;
        s.rec.Sections.MSGCOUNT = sum;
        return UppDat(s, kSections, kUpdate, kRollback);
    };
    if (!batch({kSections}, one, done)) return false;
    if (!done) return true;
    if (!update_forums()) return false;
    go(PurgeStep::End);
    return true;
}

bool PurgeRun::mail_counts() {
    if (!loaded) {
        caption("Updating message counts per person");
        s.rec.Forums = Forums{};
        s.rec.Forums.ID = s.mem.ForumNumber;
        if (!Get(s, kForums, keys::ForumKey)) return false;
        owner = s.rec.Forums.PERSONID;
    }
    if (!load_all<Person>(*this, kPerson, keys::PersonKey, &Person::PERSONID)) return false;
    bool done = false;
    auto one = [this](uint32_t id) {
        ++units;
        const uint64_t before = s.read_failures;
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = id;
        if (!Get(s, kPerson, keys::PersonKey)) return !read_failed(before);
        const Person stored = s.rec.Person;
        const uint8_t result = CFromToMail(s, id == owner ? 1 : 0);
        if (read_failed(before)) return false;
        return store_person(*this, stored, result);
    };
    if (!batch({kPerson}, one, done)) return false;
    if (!done) return true;
    if (!update_forums()) return false;
    go(PurgeStep::End);
    return true;
}

}  // namespace qs::maint
