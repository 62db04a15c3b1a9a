// SPDX-License-Identifier: MIT
// The duplicate person elimination and the manual merge over stored archives: messages follow
// their persons, merged identities live on as aliases that later imports find, the owner of a
// mail database is never merged away, and a run cut anywhere is finished by the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "maintenance/dedupe_persons.h"
#include "maintenance/person_merge.h"
#include "tests/import/import_home.h"

namespace qs {
namespace {

std::string mail_line(const char* subject, const char* from_name, const char* from,
                      const char* to_name, const char* to, const char* date) {
    return std::string("M\t\t\t\t\t\t") + subject + "\t" + from_name + "\t" + from + "\t" +
           to_name + "\t" + to + "\t" + date + "\t10:00:00\ttext of " + subject;
}

std::string forum_line(int number, const char* from_name, const char* from, const char* to_name,
                       const char* to, const char* date) {
    return std::string("F\tPhoto\t3\tGeneral\t") + std::to_string(number) + "\t0\tSubject " +
           std::to_string(number) + "\t" + from_name + "\t" + from + "\t" + to_name + "\t" + to +
           "\t" + date + "\t10:00:00\ttext";
}

class Dedupe : public testing::ImportHome {
protected:
    // Bob is three persons by one address in three spellings; Robert wrote last with a last
    // name, so he stays. Ann is alone at her address. Joe's CompuServe address is corrected into
    // his other one, and a reader left a gateway address in the name of Joe Bloggs.
    void import_mail() {
        run(settings(write({
            mail_line("one", "Bob Smith", "bob@example.org", "Me", "me@example.org", "2001-02-01"),
            mail_line("two", "Robert Smith", "BOB@example.org", "Me", "me@example.org",
                      "2001-02-05"),
            mail_line("three", "Me", "me@example.org", "Bobby", "bob@EXAMPLE.org", "2001-02-07"),
            mail_line("four", "Ann Lee", "ann@example.org", "Me", "me@example.org", "2001-02-02"),
            mail_line("cis", "Joe", "12345.678@compuserve.com", "Me", "me@example.org",
                      "2001-02-01"),
            mail_line("cis2", "Joe Bloggs", "12345,678", "Me", "me@example.org", "2001-02-03"),
            mail_line("gw", "Me", "me@example.org", "Joe Bloggs CSINET:12345.678@compuserve.com",
                      "", "2001-02-04"),
        })));
    }

    DuplicatePersons::Result dedupe(Session& s, uint32_t db, uint32_t batch = 0) {
        EXPECT_TRUE(MakeCurrent(s, db));
        DuplicatePersons d(s);
        if (batch) d.set_batch(batch);
        DuplicatePersons::Result r;
        while ((r = d.step()) == DuplicatePersons::Result::More) {
        }
        return r;
    }

    // The person of that first name (or, with `last`, of that last name).
    Person person_named(uint32_t db, const std::string& name, bool last = false) {
        for (const Person& p : all<Person>(db, kPerson))
            if ((last ? p.LASTNAME : p.FIRSTNAME).str() == name) return p;
        return Person{};
    }

    std::set<uint32_t> person_ids() {
        std::set<uint32_t> out;
        for (const Person& p : all<Person>(mailbox, kPerson)) out.insert(p.PERSONID);
        return out;
    }

    void copy_home(testing::HomeDir& to) {
        std::filesystem::copy(h.dir, to.dir,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }

    // The mail database's persons, aliases and mail as text to compare archives by; every person
    // a mail names must exist (the owner's mail names the owner).
    static std::string snapshot(Session& s, uint32_t db) {
        EXPECT_TRUE(MakeCurrent(s, db));
        OP_CLOSE(s, kOpOpen, {kPerson, kPLINK, kMail});
        std::ostringstream o;
        std::set<uint32_t> ids{static_cast<uint32_t>(s.mem.PersonID)};
        Set(s, kPerson, keys::PersonKey);
        for (const Person& p = s.rec.Person; Next(s, kPerson); ids.insert(p.PERSONID))
            o << p.PERSONID << p.PERSONSTRING.view() << p.ADDRESS.view() << p.LASTNAME.view() << " "
              << p.FROMCOUNT << " " << p.TOCOUNT << "\n";
        Set(s, kPLINK, 0);
        while (Next(s, kPLINK))
            o << s.rec.PLINK.PERSONSTRING.view() << " > " << s.rec.PLINK.PERSONID << "\n";
        Set(s, kMail, 0);
        for (const Mail& m = s.rec.Mail; Next(s, kMail);) {
            o << m.MAILID << " " << m.FROMID << m.FROMALPHA.view() << " " << m.TOID
              << m.TOALPHA.view() << " " << m.PAIRID << m.PAIRALPHA.view() << "\n";
            EXPECT_TRUE(ids.count(m.FROMID) && ids.count(m.TOID) && ids.count(m.PAIRID))
                << "mail " << m.MAILID << " names nobody";
        }
        OP_CLOSE(s, kOpClose, {kPerson, kPLINK, kMail});
        return o.str();
    }
};

TEST_F(Dedupe, MailOfMergedPersonsMovesToTheSurvivorAndTheirStringsLeadToIt) {
    import_mail();
    const Person robert = person_named(mailbox, "Robert");
    ASSERT_NE(robert.PERSONID, 0u);
    // An alias of a person about to be merged away (from an earlier merge) is not lost with it.
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    OP_CLOSE(h.s, kOpOpen, {kPLINK});
    h.s.rec.PLINK.PERSONSTRING = "B. SMITH BOB@EXAMPLE.ORG";
    h.s.rec.PLINK.PERSONID = person_named(mailbox, "Bob").PERSONID;
    ASSERT_TRUE(UppDat(h.s, kPLINK, kAdd, kReport));
    OP_CLOSE(h.s, kOpClose, {kPLINK});
    const size_t persons_before = all<Person>(mailbox, kPerson).size();
    ASSERT_EQ(dedupe(h.s, mailbox), DuplicatePersons::Result::Done);
    EXPECT_TRUE(h.dialog.saw("The Duplicate Removal Process has finished!"));

    // Bob Smith, Bobby, Joe, and the owner's name from the mail, which the owner takes in.
    EXPECT_EQ(all<Person>(mailbox, kPerson).size(), persons_before - 4);
    const Person after = person_named(mailbox, "Robert");
    EXPECT_EQ(after.FROMCOUNT, 2u);  // "one" and "two"
    EXPECT_EQ(after.TOCOUNT, 1u);    // "three"
    EXPECT_NE(person_named(mailbox, "Ann").PERSONID, 0u);
    // The gateway's partner got its address and name from its string; its mail's alphas follow.
    const Person gw = person_named(mailbox, "BLOGGS", true);
    EXPECT_EQ(gw.ADDRESS.str(), "12345.678");
    for (const Mail& m : all<Mail>(mailbox, kMail)) {
        SCOPED_TRACE(m.SUBJECT.str());
        if (m.SUBJECT.str() == "gw") {
            EXPECT_EQ(m.TOID, gw.PERSONID);
            EXPECT_EQ(m.TOALPHA.str() + m.PAIRALPHA.str(), "BLOGGSBLOGGS");
        }
        const std::string subject = m.SUBJECT.str();
        if (subject != "one" && subject != "two" && subject != "three") continue;
        EXPECT_EQ(m.PAIRID, robert.PERSONID);
        EXPECT_EQ(m.PAIRALPHA.str(), "Smith");
        const bool sent_by_bob = subject != "three";
        EXPECT_EQ(sent_by_bob ? m.FROMID : m.TOID, robert.PERSONID);
        EXPECT_EQ((sent_by_bob ? m.FROMALPHA : m.TOALPHA).str(), "Smith");
    }
    std::set<std::string> aliases;
    for (const PLINK& a : all<PLINK>(mailbox, kPLINK))
        if (a.PERSONID == robert.PERSONID) aliases.insert(a.PERSONSTRING.str());
    EXPECT_EQ(aliases,
              (std::set<std::string>{"B. SMITH BOB@EXAMPLE.ORG", "BOB SMITH BOB@EXAMPLE.ORG",
                                     "BOBBY BOB@EXAMPLE.ORG"}));

    // A later import of a merged spelling finds the survivor and makes no new person.
    run(settings(write(
        {mail_line("five", "Bobby", "bob@example.org", "Me", "me@example.org", "2001-03-01")})));
    EXPECT_EQ(all<Person>(mailbox, kPerson).size(), persons_before - 4);
    EXPECT_EQ(all<Mail>(mailbox, kMail).front().FROMID, robert.PERSONID);  // the newest
}

TEST_F(Dedupe, ForumMembersAreMergedAfterTheirCompuServeAddressesAreCorrected) {
    run(settings(write({
        forum_line(1, "Ann Lee", "12345,678", "All", "", "2001-02-01"),
        forum_line(2, "Ann", "12345.678@compuserve.com", "Ann Lee", "12345,678", "2001-02-09"),
        forum_line(3, "Joe Ray", "777,1", "Ann", "12345.678@compuserve.com", "2001-02-03"),
    })));
    const uint32_t photo = FindDatabase(h.s, "Photo");
    ASSERT_EQ(dedupe(h.s, photo), DuplicatePersons::Result::Done);
    // "Ann" wrote last but has a last name, "Ann", too: she stays, at the corrected address.
    const Person ann = person_named(photo, "Ann", true);
    EXPECT_EQ(ann.ADDRESS.str(), "12345,678");
    EXPECT_EQ(ann.FROMCOUNT, 2u);
    EXPECT_EQ(ann.TOCOUNT, 2u);
    EXPECT_EQ(person_named(photo, "Ann").PERSONID, 0u) << "Ann Lee was not merged";
    for (const MsgNmbr& m : all<MsgNmbr>(photo, kMsgNmbr)) {
        SCOPED_TRACE(m.MSGNUMBER);
        if (m.MSGNUMBER != 3) {
            EXPECT_EQ(m.FROMID, ann.PERSONID);
        }
        if (m.MSGNUMBER != 1) {
            EXPECT_EQ(m.TOID, ann.PERSONID);
        }
    }
}

TEST_F(Dedupe, TheOwnerOfAMailDatabaseIsNeverMergedAway) {
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    const uint32_t owner = static_cast<uint32_t>(h.s.mem.PersonID);
    // Another person at the owner's address, with a last name (the owner has none here) and a
    // newer mail: by the survivor rules alone it would take the owner's place.
    OP_CLOSE(h.s, kOpOpen, {kPerson, kMail});
    Person& p = h.s.rec.Person;
    p = Person{};
    p.PERSONID = 900001;
    p.PERSONSTRING = "MYSELF ME@EXAMPLE.ORG";
    p.ADDRESS = "ME@example.org";
    p.LASTNAME = "Myself";
    ASSERT_TRUE(UppDat(h.s, kPerson, kAdd, kReport));
    Mail& m = h.s.rec.Mail;
    for (auto [id, from, alpha, date] :
         {std::tuple{1u, owner, "", 10}, {2u, 900001u, "Myself", 20}}) {
        m = Mail{};
        m.MAILID = id;
        m.FROMID = m.PAIRID = from;
        m.FROMALPHA = alpha;
        m.PAIRALPHA = alpha;
        m.TOID = 900002;
        m.DATE = date;
        ASSERT_TRUE(UppDat(h.s, kMail, kAdd, kReport));
    }
    OP_CLOSE(h.s, kOpClose, {kPerson, kMail});

    ASSERT_EQ(dedupe(h.s, mailbox), DuplicatePersons::Result::Done);
    EXPECT_EQ(person_ids(), (std::set<uint32_t>{owner}));
    for (const Mail& x : all<Mail>(mailbox, kMail)) EXPECT_EQ(x.FROMID, owner);
    // Nor by hand: tests/cli/persons.sh has merge-persons refuse it.
}

TEST_F(Dedupe, AManualMergeMovesMailAndEveryAliasToTheKeptPerson) {
    import_mail();
    const Person ann = person_named(mailbox, "Ann"), bob = person_named(mailbox, "Bob");
    const Person robert = person_named(mailbox, "Robert");
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    ASSERT_TRUE(MergePersons(h.s, bob.PERSONID, {robert.PERSONID}).merged.size() == 1);
    ASSERT_TRUE(MakeCurrent(h.s, mailbox));
    const ManualMergeResult r = MergePersons(h.s, ann.PERSONID, {bob.PERSONID, 12345});
    EXPECT_EQ(r.merged, std::vector<uint32_t>{bob.PERSONID});
    EXPECT_EQ(r.skipped, std::vector<uint32_t>{12345});  // no such person
    EXPECT_FALSE(r.failed);
    // Robert's alias, which led to Bob, now leads to Ann, as does Bob's own string.
    std::vector<std::string> aliases;
    for (const PLINK& a : all<PLINK>(mailbox, kPLINK)) {
        EXPECT_EQ(a.PERSONID, ann.PERSONID) << a.PERSONSTRING.str();
        aliases.push_back(a.PERSONSTRING.str());
    }
    std::sort(aliases.begin(), aliases.end());
    EXPECT_EQ(aliases, (std::vector<std::string>{"BOB SMITH BOB@EXAMPLE.ORG",
                                                 "ROBERT SMITH BOB@EXAMPLE.ORG"}));
    const Person kept = person_named(mailbox, "Ann");
    EXPECT_EQ(kept.FROMCOUNT, 3u);
    for (const Mail& m : all<Mail>(mailbox, kMail))
        if (m.SUBJECT.str() == "one" || m.SUBJECT.str() == "two") {
            EXPECT_EQ(m.PAIRALPHA.str(), "Lee") << m.SUBJECT.str();
        }
}

// A failed write anywhere in the run (the first, the second, ... until the run gets through)
// stands for a crash at that point, and a stop by the user for one between two batches: the
// archive is consistent, and a new run ends where one whole run ends.
TEST_F(Dedupe, ARunCutAnywhereIsFinishedByTheNext) {
    run(settings(write({
        mail_line("one", "Bob Smith", "bob@example.org", "Me", "me@example.org", "2001-02-01"),
        mail_line("two", "Robert Smith", "BOB@example.org", "Me", "me@example.org", "2001-02-05"),
        mail_line("three", "Me", "me@example.org", "Bobby", "bob@EXAMPLE.org", "2001-02-07"),
        mail_line("cis", "Joe", "12345.678@compuserve.com", "Me", "me@example.org", "2001-02-01"),
        mail_line("cis2", "Joe Bloggs", "12345,678", "Me", "me@example.org", "2001-02-03"),
    })));
    std::string whole;
    {
        testing::HomeDir home;
        copy_home(home);
        testing::TestSession t(home.dir, "CFG");
        ASSERT_TRUE(StartUp(t.s, home.dir).ok);
        ASSERT_EQ(dedupe(t.s, mailbox, 2), DuplicatePersons::Result::Done);
        whole = snapshot(t.s, mailbox);
    }
    // Cuts a run on a copy of the home as `cut` does, and finishes it with another; true when the
    // cut run was not cut after all.
    auto cut_and_finish =
        [&](const std::function<DuplicatePersons::Result(DuplicatePersons&)>& cut) {
            testing::HomeDir home;
            copy_home(home);
            bool finished;
            {
                testing::TestSession t(home.dir, "CFG");
                EXPECT_TRUE(MakeCurrent(t.s, mailbox));
                DuplicatePersons d(t.s);
                d.set_batch(2);
                const DuplicatePersons::Result r = cut(d);
                finished = r == DuplicatePersons::Result::Done;
                EXPECT_EQ(r == DuplicatePersons::Result::Stopped,
                          t.dialog.saw("Duplicate Person elimination interrupted"));
            }
            testing::TestSession t(home.dir, "CFG");
            snapshot(t.s, mailbox);  // consistent as it is
            if (!finished) {
                EXPECT_EQ(dedupe(t.s, mailbox, 2), DuplicatePersons::Result::Done);
            }
            EXPECT_EQ(snapshot(t.s, mailbox), whole);
            return finished;
        };
    bool finished = false;
    for (int steps = 1; !finished && !HasFailure(); ++steps) {
        SCOPED_TRACE("stopped after step " + std::to_string(steps));
        finished = cut_and_finish([&](DuplicatePersons& d) {
            DuplicatePersons::Result r;
            for (int i = 0; (r = d.step()) == DuplicatePersons::Result::More;)
                if (++i == steps) d.stop();
            return r;
        });
    }
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    finished = false;
    for (int n = 1; !finished && !HasFailure() && n < 2000; ++n) {
        SCOPED_TRACE("cut at write " + std::to_string(n));
        finished = cut_and_finish([&](DuplicatePersons& d) {
            fault.fail_after(n, true);
            DuplicatePersons::Result r;
            while ((r = d.step()) == DuplicatePersons::Result::More) {
            }
            fault.fail_after(0);
            return r;
        });
    }
    vfs::set_base(nullptr);
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace qs
