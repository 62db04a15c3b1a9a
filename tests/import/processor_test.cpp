// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "app/startup.h"
#include "import/processor.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/line_reader.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

class Import : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        mailbox = AddMailDatabase(h.s, {"Home", "me@example.org", {"me@work.example"}});
        ASSERT_NE(mailbox, 0u);
    }

    std::string write(const std::vector<std::string>& lines) {
        std::string path = h.dir + "/input" + std::to_string(++inputs) + ".txt";
        std::ofstream out(path);
        for (const auto& l : lines) out << l << "\n";
        return path;
    }

    ImportSettings settings(const std::string& path) {
        ImportSettings st;
        st.format = "test lines";
        st.selection = kSelectedFiles;
        st.files = {path};
        st.mailbox = mailbox;
        return st;
    }

    static ImportProcessor::ParserFactory factory() {
        return [](const std::string&) {
            return std::make_unique<testing::LineReader>();
        };
    }

    // Runs to the end, or stops after `steps` steps when given.
    ImportAccounting run(const ImportSettings& st, int steps = -1) {
        ImportProcessor p(h.s, st, factory());
        for (int i = 0; steps < 0 || i < steps; ++i) {
            auto r = p.step();
            EXPECT_NE(r, ImportProcessor::Result::Failed) << p.final_message();
            if (r != ImportProcessor::Result::More) break;
        }
        if (p.state() != 7) {
            EXPECT_TRUE(p.interrupt());
        }
        const ImportAccounting& a = p.accounting();
        if (steps < 0) {
            EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
        }
        return a;
    }

    template <class R>
    std::vector<R> all(uint32_t db, int file) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {file});
        std::vector<R> out;
        Set(h.s, file, 0);
        while (Next(h.s, file)) out.push_back(buffer<R>(h.s, file));
        OP_CLOSE(h.s, kOpClose, {file});
        return out;
    }

    std::string text_of(uint32_t db, uint32_t number) {
        EXPECT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {kMsgText});
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = number;
        std::string t = Get(h.s, kMsgText, 0) ? h.s.rec.MsgText.MSGTEXT.text : "<none>";
        OP_CLOSE(h.s, kOpClose, {kMsgText});
        return t;
    }

    testing::TempHome h;
    uint32_t mailbox = 0;
    int inputs = 0;
};

std::string forum(const char* name, int number, int ref, const char* subject, const char* from,
                  const char* text) {
    return std::string("F\t") + name + "\t3\tGeneral\t" + std::to_string(number) + "\t" +
           std::to_string(ref) + "\t" + subject + "\t" + from + "\t12345,678\tAll\t\t2001-02-03" +
           "\t10:00:00\t" + text;
}

std::string mail(const char* subject, const char* from, const char* to, const char* time,
                 const char* text, const char* from_name = "Bob", const char* to_name = "Me") {
    return std::string("M\t\t\t\t\t\t") + subject + "\t" + from_name + "\t" + from + "\t" +
           to_name + "\t" + to + "\t2001-02-03\t" + time + "\t" + text;
}

std::string news(const char* group, const char* subject, const char* from, const char* id,
                 const char* parent) {
    return std::string("N\t") + group + "\t\t\t\t\t" + subject + "\t" + from + "\t" + from +
           "@news.example\t\t\t2001-02-03\t09:00:00\tbody of " + id + "\t" + id + "\t" + parent;
}

TEST_F(Import, UnknownForumIsCreatedWithTheNextDirectoryAndThreadsFollowReplies) {
    auto path = write({forum("Photo", 100, 0, "Lenses", "Ann Lee", "first"),
                       forum("Photo", 101, 100, "Re: Lenses", "Bob Ray", "second"),
                       forum("Photo", 102, 999, "Lenses", "Cy Doe", "parent not stored"),
                       forum("Photo", 103, 0, "Tripods", "Ann Lee", "other thread")});
    ImportAccounting a = run(settings(path));
    EXPECT_EQ(a.stored, 4u);
    uint32_t photo = FindDatabase(h.s, "PHOTO");
    ASSERT_NE(photo, 0u);
    EXPECT_TRUE(MakeCurrent(h.s, photo));
    EXPECT_EQ(h.s.mem.Dirnamn, "F2");           // the mail database has F1
    auto msgs = all<MsgNmbr>(photo, kMsgNmbr);  // newest first
    ASSERT_EQ(msgs.size(), 4u);
    EXPECT_EQ(msgs[2].THREADNUMBER, msgs[3].THREADNUMBER);  // the reply joined its parent
    EXPECT_EQ(msgs[1].THREADNUMBER, msgs[3].THREADNUMBER);  // no parent: the same subject
    EXPECT_EQ(msgs[1].REFNUMBER, 999u);
    EXPECT_NE(msgs[0].THREADNUMBER, msgs[3].THREADNUMBER);
    auto threads = all<Threads>(photo, kThreads);
    ASSERT_EQ(threads.size(), 2u);
    EXPECT_EQ(threads[0].MSGCOUNT + threads[1].MSGCOUNT, 4u);
    auto people = all<Person>(photo, kPerson);
    EXPECT_EQ(people.size(), 4u);  // Ann, Bob, Cy and the receiver "All"
    EXPECT_EQ(text_of(photo, 101), "second");
}

TEST_F(Import, IdentifiersOverManyFramesAreUniqueAndNoneIsWasted) {
    std::vector<std::string> lines;
    for (int i = 0; i < 1500; ++i) {
        std::string subject = "Topic " + std::to_string(i / 3);
        std::string from = "User " + std::to_string(i % 70);
        lines.push_back(forum("Busy", 1000 + i, 0, subject.c_str(), from.c_str(), "text"));
    }
    ImportAccounting a = run(settings(write(lines)));
    ASSERT_EQ(a.stored, 1500u);
    uint32_t busy = FindDatabase(h.s, "BUSY");
    ASSERT_NE(busy, 0u);
    std::set<uint32_t> ids{busy, mailbox};
    size_t expected = 2;
    for (const auto& t : all<Threads>(busy, kThreads)) ids.insert(t.THREADNUMBER);
    for (const auto& p : all<Person>(busy, kPerson)) ids.insert(p.PERSONID);
    for (const auto& s : all<Sections>(busy, kSections)) ids.insert(s.SECSYSID);
    expected += 500 + 71 + 1;  // threads, persons with the receiver "All", the section
    EXPECT_EQ(ids.size(), expected);
    // The identifiers reserved and not used went back to the counter.
    OP_CLOSE(h.s, kOpOpen, {kControl});
    h.s.rec.Control = Control{};
    h.s.rec.Control.ID = 1;
    ASSERT_TRUE(Get(h.s, kControl, keys::CtlIdKey));
    EXPECT_EQ(h.s.rec.Control.NEXTNUMBER, *ids.rbegin() + 1);
    OP_CLOSE(h.s, kOpClose, {kControl});
}

TEST_F(Import, ForumMessageImportedAgainIsOverwrittenWithoutRaisingCounts) {
    auto st = settings(write({forum("Photo", 100, 0, "Lenses", "Ann Lee", "first version")}));
    run(st);
    st.files = {write({forum("Photo", 100, 0, "Lenses", "Ann Lee", "second version")})};
    ImportAccounting skipped = run(st);  // imported before: passed over
    EXPECT_EQ(skipped.skipped, 1u);
    st.reimport = true;
    ImportAccounting again = run(st);
    EXPECT_EQ(again.stored, 1u);
    uint32_t photo = FindDatabase(h.s, "Photo");
    EXPECT_EQ(all<MsgNmbr>(photo, kMsgNmbr).size(), 1u);
    EXPECT_EQ(text_of(photo, 100), "second version");
    EXPECT_EQ(all<Threads>(photo, kThreads)[0].MSGCOUNT, 1u);
    for (const auto& p : all<Person>(photo, kPerson)) EXPECT_LE(p.FROMCOUNT + p.TOCOUNT, 1u);
}

TEST_F(Import, MailDuplicatesWithinTheMinuteFollowTheTwentyCharacterRule) {
    std::string base = "The meeting is on Monday";
    auto path = write({
        mail("Meeting", "bob@example.org", "me@example.org", "10:00:10", base.c_str()),
        mail("MEETING", "bob@example.org", "me@example.org", "10:00:50",
             (base + " - 19 more letters").c_str()),  // same, 19 more
        mail("Meeting", "bob@example.org", "me@example.org", "10:00:55",
             (base + " and 20 more letters").c_str()),  // 20 more: kept
        mail("Meeting", "bob@example.org", "me@example.org", "10:00:58",
             "The meeting is on Tuesday"),  // differs inside
        mail("Meeting", "bob@example.org", "me@example.org", "10:01:00", base.c_str()),
    });
    ImportAccounting a = run(settings(path));
    EXPECT_EQ(a.found, 5u);
    EXPECT_EQ(a.duplicates, 1u);
    EXPECT_EQ(a.stored, 4u);
    auto mails = all<Mail>(mailbox, kMail);
    ASSERT_EQ(mails.size(), 4u);
    for (const auto& m : mails) EXPECT_EQ((m.TIME - 1) % 6000, 0) << "stored to the minute";
}

TEST_F(Import, MailFromAnAlternativeOwnAddressIsSentFromTheDefaultOne) {
    auto path =
        write({mail("Out", "ME@WORK.EXAMPLE", "bob@example.org", "08:00:00", "hi bob", "Me", "Bob"),
               mail("In", "bob@example.org", "", "09:00:00", "hi me")});
    run(settings(path));
    auto mails = all<Mail>(mailbox, kMail);
    ASSERT_EQ(mails.size(), 2u);
    auto people = all<Person>(mailbox, kPerson);
    const Mail& out = mails[1].SUBJECT == "Out" ? mails[1] : mails[0];
    const Mail& in = mails[1].SUBJECT == "Out" ? mails[0] : mails[1];
    EXPECT_EQ(out.FROMID, 250000u);  // the owner
    EXPECT_EQ(in.TOID, 250000u);
    EXPECT_EQ(out.PAIRID, in.PAIRID);  // Bob on the other side both times
    EXPECT_EQ(out.TOID, in.FROMID);
}

TEST_F(Import, EncodedNamesAndSubjectsAreDecodedBeforeStoring) {
    auto path = write({mail("=?ISO-8859-1?Q?Caf=E9?=", "bob@example.org", "", "09:00:00", "x",
                            "=?ISO-8859-1?Q?Bj=F6rn?= Berg")});
    run(settings(path));
    auto mails = all<Mail>(mailbox, kMail);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].SUBJECT.str(), "Caf\xe9");
    EXPECT_EQ(mails[0].FROMALPHA.str(), "Berg");
    bool found = false;
    for (const auto& p : all<Person>(mailbox, kPerson)) found |= p.FIRSTNAME.str() == "Bj\xf6rn";
    EXPECT_TRUE(found);
}

TEST_F(Import, NewsgroupMessagesByMessageIdAndRedirection) {
    auto st = settings(write({news("comp.lang", "Question", "ann", "<1@x>", ""),
                              news("comp.lang", "Re: Question", "bob", "<2@x>", "<1@x>")}));
    ImportAccounting first = run(st);
    EXPECT_EQ(first.stored, 2u);
    uint32_t group = FindDatabase(h.s, "comp.lang");
    auto msgs = all<MsgNmbr>(group, kMsgNmbr);
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].THREADNUMBER, msgs[1].THREADNUMBER);
    EXPECT_EQ(msgs[0].REFNUMBER, msgs[1].MSGNUMBER);
    EXPECT_EQ(msgs[0].TOID, msgs[1].FROMID);  // the answer goes to the author it answers

    ImportAccounting again = run(st);  // known Message-IDs: duplicates
    EXPECT_EQ(again.duplicates, 2u);
    EXPECT_EQ(again.stored, 0u);
    st.reimport = true;
    EXPECT_EQ(run(st).stored, 2u);
    EXPECT_EQ(all<MsgNmbr>(group, kMsgNmbr).size(), 2u);

    // A group redirected into another database lands there.
    uint32_t target = AddForumDatabase(h.s, "Archive");  // any database can be a target
    OP_CLOSE(h.s, kOpOpen, {kForums});
    h.s.rec.Forums = Forums{};
    h.s.rec.Forums.ID = group;
    ASSERT_TRUE(Get(h.s, kForums, keys::ForumKey));
    h.s.rec.Forums.REDIRNOW = target;
    ASSERT_TRUE(UppDat(h.s, kForums, kUpdate, kReport));
    OP_CLOSE(h.s, kOpClose, {kForums});
    st.files = {write({news("comp.lang", "New one", "cy", "<3@x>", "")})};
    EXPECT_EQ(run(st).stored, 1u);
    EXPECT_EQ(all<MsgNmbr>(target, kMsgNmbr).size(), 1u);
    EXPECT_EQ(all<MsgNmbr>(group, kMsgNmbr).size(), 2u);
}

TEST_F(Import, UnreadableLinesAndUnselectedKindsAreCountedAndLogged) {
    auto st = settings(write({"F\tbroken", forum("Photo", 1, 0, "A", "Ann", "x"),
                              mail("M", "bob@example.org", "", "10:00:00", "y")}));
    st.mail = false;
    ImportAccounting a = run(st);
    EXPECT_EQ(a.found, 3u);
    EXPECT_EQ(a.stored, 1u);
    EXPECT_EQ(a.skipped, 2u);
    EXPECT_EQ(a.skipped_by_reason["damaged"], 1u);
    std::ifstream log(h.s.mem.Net + "/Log.txt");
    std::string all_log((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(all_log.find("kind of message not selected"), std::string::npos);
    EXPECT_NE(all_log.find("found 3, stored 1, duplicates 0, skipped 2"), std::string::npos);
}

TEST_F(Import, DamagedTemporaryFilesOfACrashedRunAreMadeAnew) {
    // The temporary files are written without disk syncs: after a power cut they may be garbage.
    for (int f : {kNHR, kCCT, kTID}) {
        std::ofstream out(full_name(h.s, f), std::ios::binary | std::ios::trunc);
        out << std::string(3 * 4096, '\x5A');
    }
    auto path = write({mail("Hello", "bob@example.org", "me@example.org", "10:00:00", "hi")});
    ImportAccounting a = run(settings(path));
    EXPECT_EQ(a.stored, 1u);
    // The next run starts from empty files again.
    a = run(
        settings(write({mail("Other", "bob@example.org", "me@example.org", "11:00:00", "yo")})));
    EXPECT_EQ(a.found, 1u);
    EXPECT_EQ(a.stored, 1u);
}

TEST_F(Import, InterruptedAtAnyStepThenRerunStoresEverythingOnce) {
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
        lines.push_back(forum("Photo", 100 + i, i ? 100 + i - 1 : 0, "Lenses",
                              i % 2 ? "Ann Lee" : "Bob Ray",
                              ("text " + std::to_string(i)).c_str()));
        lines.push_back(mail(("Subject " + std::to_string(i % 7)).c_str(), "bob@example.org",
                             "me@example.org", ("1" + std::to_string(i % 10) + ":00:00").c_str(),
                             ("mail " + std::to_string(i)).c_str()));
    }
    auto st = settings(write(lines));
    // What one uninterrupted run stores.
    auto counts = [&](Session& s, uint32_t box) {
        std::vector<uint64_t> n;
        EXPECT_TRUE(MakeCurrent(s, FindDatabase(s, "Photo")));
        OP_CLOSE(s, kOpOpen, {kMsgNmbr, kThreads, kPerson, kMsgText});
        for (int f : {kMsgNmbr, kThreads, kPerson, kMsgText}) n.push_back(RecordCount(s, f));
        OP_CLOSE(s, kOpClose, {kMsgNmbr, kThreads, kPerson, kMsgText});
        EXPECT_TRUE(MakeCurrent(s, box));
        OP_CLOSE(s, kOpOpen, {kMail, kMsgText, kPerson});
        for (int f : {kMail, kMsgText, kPerson}) n.push_back(RecordCount(s, f));
        OP_CLOSE(s, kOpClose, {kMail, kMsgText, kPerson});
        return n;
    };
    run(st);
    const std::vector<uint64_t> whole = counts(h.s, mailbox);
    EXPECT_EQ(whole[0], 30u);
    EXPECT_EQ(whole[4], 30u);
    for (int cut = 1; cut < 40; cut += 3) {
        testing::TempHome fresh;
        ASSERT_TRUE(StartUp(fresh.s, fresh.dir).ok);
        uint32_t box = AddMailDatabase(fresh.s, {"Home", "me@example.org", {}});
        ImportSettings s2 = st;
        s2.mailbox = box;
        auto stop_after = [&](int steps) {
            ImportProcessor p(fresh.s, s2, factory());
            for (int i = 0; (steps < 0 || i < steps) && p.step() == ImportProcessor::Result::More;
                 ++i) {
            }
            if (p.state() != 7) p.interrupt();
        };
        stop_after(cut);
        stop_after(-1);
        EXPECT_EQ(counts(fresh.s, box), whole) << "cut after " << cut << " steps";
    }
}

}  // namespace
}  // namespace qs
