// SPDX-License-Identifier: MIT
// The home of the purge and count tests: a started archive whose forum and mail messages come in
// through the import (so that threads, sections, persons and counts are what an import makes),
// marks set as the browses set them, runs stepped to their end, and what a database holds read
// back whole for comparing two archives.
#pragma once

#include <algorithm>
#include <set>
#include <utility>

#include "app/cli/json.h"
#include "app/status_marks.h"
#include "maintenance/purge.h"
#include "maintenance/purge_run.h"
#include "tests/import/import_home.h"
#include "wordindex/indexer.h"
#include "wordindex/postings.h"

namespace qs::testing {

class PurgeHome : public ImportHome {
protected:
    void SetUp() override {
        ImportHome::SetUp();
        h.clock.set(date_from_ymd(2020, 6, 1), 1);
    }

    // A forum message of "Photo", section 3, on `date` (YYYY-MM-DD).
    static std::string post(int number, int ref, const std::string& subject, const char* from,
                            const char* date, const std::string& text) {
        return "F\tPhoto\t3\tGeneral\t" + std::to_string(number) + "\t" + std::to_string(ref) +
               "\t" + subject + "\t" + from + "\t" + from + "@example.org\tAll\t\t" + date +
               "\t10:00:00\t" + text;
    }

    uint32_t import_forum(const std::vector<std::string>& lines) {
        run(settings(write(lines)));
        return FindDatabase(h.s, "Photo");
    }

    void mark(uint32_t db, MarkTarget target, uint32_t number, uint8_t mark) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        ASSERT_EQ(SetStatus(h.s, target, number, mark), MarkResult::Done);
    }

    void index(uint32_t db) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        words::IndexRequest rq;
        rq.type = h.s.mem.ForumType;
        ASSERT_EQ(words::INDEXFILE1(h.s, rq), words::kIndexFinished);
    }

    // Runs a purge or count of `db` to its end.
    maint::PurgeOutcome purge(uint32_t db, maint::PurgeRequest rq = {}) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        if (rq.batch == 0) rq.batch = 3;
        maint::Purge p(h.s, rq);
        maint::Purge::Result r;
        while ((r = p.step()) == maint::Purge::Result::More) {
        }
        EXPECT_EQ(r, maint::Purge::Result::Done);
        return p.outcome();
    }
    std::vector<maint::CountDifference> check(uint32_t db) {
        maint::PurgeRequest rq;
        rq.purge = false;
        rq.check = true;
        return purge(db, rq).differences;
    }
    maint::PurgeOutcome count(uint32_t db) {
        maint::PurgeRequest rq;
        rq.purge = false;
        return purge(db, rq);
    }

    template <class R, class F>
    std::set<uint32_t> ids(uint32_t db, int file, F&& id) {
        std::set<uint32_t> out;
        for (const R& r : all<R>(db, file)) out.insert(id(r));
        return out;
    }
    std::set<uint32_t> messages(uint32_t db) {
        return ids<MsgNmbr>(db, kMsgNmbr, [](const MsgNmbr& m) { return m.MSGNUMBER; });
    }
    std::set<uint32_t> threads(uint32_t db) {
        return ids<Threads>(db, kThreads, [](const Threads& t) { return t.THREADNUMBER; });
    }
    std::set<uint32_t> mails(uint32_t db) {
        return ids<Mail>(db, kMail, [](const Mail& m) { return m.MAILID; });
    }
    // Gives the mails at `from` the time `to`: mails the import took for two (it drops a mail
    // whose twin differs in the seconds only) become such twins.
    void retime(uint32_t db, int32_t from, int32_t to) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {kMail});
        std::vector<uint32_t> ids;
        Set(h.s, kMail, 0);
        while (Next(h.s, kMail))
            if (h.s.rec.Mail.TIME == from) ids.push_back(h.s.rec.Mail.MAILID);
        for (uint32_t id : ids) {
            h.s.rec.Mail = Mail{};
            h.s.rec.Mail.MAILID = id;
            ASSERT_TRUE(Get(h.s, kMail, 0));
            h.s.rec.Mail.TIME = to;
            ASSERT_TRUE(UppDat(h.s, kMail, kUpdate, kReport));
        }
        OP_CLOSE(h.s, kOpClose, {kMail});
    }

    uint32_t thread_of(uint32_t db, uint32_t message) {
        for (const MsgNmbr& m : all<MsgNmbr>(db, kMsgNmbr))
            if (m.MSGNUMBER == message) return m.THREADNUMBER;
        return 0;
    }
};

template <class R>
void dump_file(Session& s, int file, std::string& out) {
    OP_CLOSE(s, kOpOpen, {file});
    Set(s, file, 0);
    while (Next(s, file)) {
        cli::JsonObject o;
        cli::add_fields(o, buffer<R>(s, file));
        out += std::to_string(file) + o.str() + "\n";
    }
    OP_CLOSE(s, kOpClose, {file});
}

// The word index's entries as (sysid, word id), by message; the current database's files.
inline std::vector<std::pair<uint32_t, uint32_t>> index_entries(Session& s) {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    OP_CLOSE(s, kOpOpen, {kMasIdx});
    EXPECT_TRUE(words::all_entries(s, out));
    OP_CLOSE(s, kOpClose, {kMasIdx});
    std::sort(out.begin(), out.end());
    return out;
}

// Every record of a database's files in key order, and its database record, as text.
inline std::string dump_database(Session& s, uint32_t db) {
    std::string out;
    if (!MakeCurrent(s, db)) return "no database";
    for (const Forums& f : ListDatabases(s))
        if (f.ID == db) {
            cli::JsonObject o;
            Forums copy = f;
            cli::add_fields(o, copy);
            out += o.str() + "\n";
        }
    dump_file<MsgText>(s, kMsgText, out);
    dump_file<Person>(s, kPerson, out);
    dump_file<PLINK>(s, kPLINK, out);
    dump_file<SIndex>(s, kSIndex, out);
    dump_file<Codes>(s, kCodes, out);
    dump_file<WordList>(s, kWordList, out);
    for (const auto& [sysid, word] : index_entries(s))
        out += std::to_string(kMasIdx) + " " + std::to_string(sysid) + " " + std::to_string(word) +
               "\n";
    dump_file<Attach>(s, kAttach, out);
    dump_file<AttData>(s, kAttData, out);
    if (s.mem.ForumType == kMailDb) {
        dump_file<Mail>(s, kMail, out);
        dump_file<CCR>(s, kCCR, out);
    } else {
        dump_file<MsgNmbr>(s, kMsgNmbr, out);
        dump_file<Threads>(s, kThreads, out);
        dump_file<Sections>(s, kSections, out);
    }
    return out;
}

}  // namespace qs::testing
