// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "tests/import/import_home.h"

namespace qs {
namespace {

using testing::forum;
using testing::mail;
using testing::news;

class Import : public testing::ImportHome {};

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
    // Imported before: passed over as a duplicate; nothing left to store is no failure.
    ImportAccounting skipped = run(st);
    EXPECT_EQ(skipped.duplicates, 1u);
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

// The readers decode encoded words; a decoded text that reads like one is not decoded again.
TEST_F(Import, NamesAndSubjectsAreStoredAsTheReaderHandsThemOver) {
    auto path = write({mail("=?ISO-8859-1?Q?Caf=E9?=", "bob@example.org", "", "09:00:00", "x",
                            "=?ISO-8859-1?Q?Bj=F6rn?= Berg")});
    run(settings(path));
    auto mails = all<Mail>(mailbox, kMail);
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].SUBJECT.str(), "=?ISO-8859-1?Q?Caf=E9?=");
    bool found = false;
    for (const auto& p : all<Person>(mailbox, kPerson))
        found |= p.FIRSTNAME.str() == "=?ISO-8859-1?Q?Bj=F6rn?=";
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

// What an archive holds, by content rather than by identifiers (a run cut short and run again
// hands out other ones): the forum's messages with their threads, persons and texts, the mails
// with their persons, copy recipients and texts, the newsgroup's messages, and the persons of each.
// The message counts of persons and threads are left out unless `counts`: a run stopped while it
// stores leaves them to the count process.
std::string archive_contents(Session& s, uint32_t box, bool counts) {
    std::vector<std::string> rows;
    auto row = [&](std::initializer_list<std::string> parts) {
        std::string r;
        for (const auto& p : parts) r += p + "|";
        rows.push_back(r);
    };
    auto each = [&](int file, auto&& f) {
        OP_CLOSE(s, kOpOpen, {file});
        Set(s, file, 0);
        while (Next(s, file)) f();
        OP_CLOSE(s, kOpClose, {file});
    };
    auto text = [&](uint32_t number) {
        OP_CLOSE(s, kOpOpen, {kMsgText});
        s.rec.MsgText = MsgText{};
        s.rec.MsgText.MSGNUMBER = number;
        std::string t = Get(s, kMsgText, 0) ? s.rec.MsgText.MSGTEXT.text : "<no text>";
        OP_CLOSE(s, kOpClose, {kMsgText});
        return t;
    };
    for (const char* name : {"Photo", "comp.lang", "Home"}) {
        uint32_t db = std::string(name) == "Home" ? box : FindDatabase(s, name);
        EXPECT_TRUE(MakeCurrent(s, db)) << name;
        std::map<uint32_t, std::string> person, thread;
        each(kPerson, [&] {
            const Person& p = s.rec.Person;
            person[p.PERSONID] = p.PERSONSTRING.str();
            std::string n =
                counts ? std::to_string(p.FROMCOUNT) + "/" + std::to_string(p.TOCOUNT) : "";
            row({name, "person", p.PERSONSTRING.str(), p.FIRSTNAME.str(), p.LASTNAME.str(),
                 p.ADDRESS.str(), n});
        });
        if (db == box) {
            std::vector<Mail> mails;
            each(kMail, [&] { mails.push_back(s.rec.Mail); });
            std::multimap<uint32_t, std::string> copies;
            each(kCCR, [&] {
                copies.emplace(s.rec.CCR.MAILID,
                               s.rec.CCR.R_NAME.str() + " <" + s.rec.CCR.R_CISADRESS.str() + ">");
            });
            for (const Mail& m : mails) {
                std::vector<std::string> cc;
                for (auto [it, end] = copies.equal_range(m.MAILID); it != end; ++it)
                    cc.push_back(it->second);
                std::sort(cc.begin(), cc.end());
                std::string all_cc;
                for (const auto& c : cc) all_cc += c + ";";
                row({name, "mail", m.SUBJECT.str(), std::to_string(m.DATE), std::to_string(m.TIME),
                     person[m.FROMID], person[m.TOID], person[m.PAIRID], m.PAIRALPHA.str(),
                     m.RECIPTYPE.str(), std::to_string(m.CCR), all_cc, text(m.MAILID)});
            }
            continue;
        }
        each(kThreads, [&] {
            const Threads& t = s.rec.Threads;
            thread[t.THREADNUMBER] = t.heading();
            row({name, "thread", t.heading(), counts ? std::to_string(t.MSGCOUNT) : ""});
        });
        std::vector<MsgNmbr> msgs;
        each(kMsgNmbr, [&] { msgs.push_back(s.rec.MsgNmbr); });
        for (const MsgNmbr& m : msgs) {
            // Newsgroup messages are numbered by the run; forum messages keep their own numbers.
            bool forum = std::string(name) == "Photo";
            row({name, "message", forum ? std::to_string(m.MSGNUMBER) : "",
                 forum ? std::to_string(m.REFNUMBER) : std::to_string(m.REFNUMBER != 0),
                 thread[m.THREADNUMBER], m.THREADALPHA.str(), person[m.FROMID], person[m.TOID],
                 std::to_string(m.DATE), text(m.MSGNUMBER)});
        }
    }
    std::sort(rows.begin(), rows.end());
    std::string out;
    for (const auto& r : rows) out += r + "\n";
    return out;
}

// The lines of `got` that `wanted` lacks ("+") and those it has that `got` lacks ("-").
std::string differences(const std::string& got, const std::string& wanted) {
    auto lines = [](const std::string& text) {
        std::multiset<std::string> out;
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) out.insert(l);
        return out;
    };
    std::multiset<std::string> g = lines(got), w = lines(wanted);
    std::string out;
    for (const auto& l : g)
        if (g.count(l) > w.count(l)) out += "+ " + l + "\n";
    for (const auto& l : w)
        if (w.count(l) > g.count(l)) out += "- " + l + "\n";
    return out;
}

TEST_F(Import, InterruptedAtAnyStepThenRerunStoresEverythingOnce) {
    std::vector<std::string> lines;
    for (int i = 0; i < 30; ++i) {
        lines.push_back(forum("Photo", 100 + i, i ? 100 + i - 1 : 0, "Lenses",
                              i % 2 ? "Ann Lee" : "Bob Ray",
                              ("text " + std::to_string(i)).c_str()));
        std::string copies = i % 3 ? "" : "\t\t\tAnn<ann@example.org>;Me<me@example.org>";
        lines.push_back(mail(("Subject " + std::to_string(i % 7)).c_str(), "bob@example.org",
                             "me@example.org", ("1" + std::to_string(i % 10) + ":00:00").c_str(),
                             ("mail " + std::to_string(i)).c_str()) +
                        copies);
        if (i % 3 == 0) {
            std::string id = "<" + std::to_string(i) + "@x>";
            std::string parent = i ? "<" + std::to_string(i - 3) + "@x>" : "";
            lines.push_back(
                news("comp.lang", "Question", i % 2 ? "ann" : "cy", id.c_str(), parent.c_str()));
        }
    }
    auto st = settings(write(lines));
    // What one uninterrupted run stores, and in how many steps.
    int steps = 0;
    {
        ImportProcessor p(h.s, st, factory());
        while (p.step() == ImportProcessor::Result::More) ++steps;
        ASSERT_EQ(p.accounting().stored, 70u);
    }
    const std::string whole = archive_contents(h.s, mailbox, true);
    const std::string whole_uncounted = archive_contents(h.s, mailbox, false);
    for (int cut = 1; cut <= steps; ++cut) {
        testing::TempHome fresh;
        ASSERT_TRUE(StartUp(fresh.s, fresh.dir).ok);
        uint32_t box = AddMailDatabase(fresh.s, {"Home", "me@example.org", {}});
        ImportSettings s2 = st;
        s2.mailbox = box;
        bool storing = false;
        {
            ImportProcessor p(fresh.s, s2, factory());
            for (int i = 0; i < cut; ++i) ASSERT_EQ(p.step(), ImportProcessor::Result::More);
            storing = p.store_phase();
            EXPECT_TRUE(p.interrupt());
        }
        ImportProcessor p(fresh.s, s2, factory());
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        ASSERT_EQ(r, ImportProcessor::Result::Done) << "cut after " << cut << " steps";
        EXPECT_EQ(differences(archive_contents(fresh.s, box, !storing),
                              storing ? whole_uncounted : whole),
                  "")
            << "cut after " << cut << " steps";
    }
}

}  // namespace
}  // namespace qs
