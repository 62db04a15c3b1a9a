// SPDX-License-Identifier: MIT
// The count alone: every stored count that differs from a recount is listed by a check and
// rebuilt by the count, records that hang on nothing go, and no message ever does.
#include <gtest/gtest.h>

#include <functional>

#include "tests/maintenance/purge_home.h"

namespace qs {
namespace {

class CountTest : public testing::PurgeHome {
protected:
    // Rewrites the first record of `file` that `pick` chooses, as `edit` changes it.
    template <class R>
    void edit(uint32_t db, int file, const std::function<bool(const R&)>& pick,
              const std::function<void(R&)>& change) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {file});
        Set(h.s, file, 0);
        bool found = false;
        while (!found && Next(h.s, file)) found = pick(buffer<R>(h.s, file));
        ASSERT_TRUE(found) << "file " << file;
        change(buffer<R>(h.s, file));
        ASSERT_TRUE(UppDat(h.s, file, kUpdate, kReport));
        OP_CLOSE(h.s, kOpClose, {file});
    }
    template <class R>
    void add(uint32_t db, int file, const R& rec) {
        ASSERT_TRUE(MakeCurrent(h.s, db));
        OP_CLOSE(h.s, kOpOpen, {file});
        buffer<R>(h.s, file) = rec;
        ASSERT_TRUE(UppDat(h.s, file, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {file});
    }
};

bool any(const Person&) { return true; }

TEST_F(CountTest, ACheckListsEveryWrongCountAndTheCountRepairsThemWithoutDeletingAMessage) {
    const uint32_t db = import_forum({
        post(101, 0, "Cameras", "alice", "2020-05-01", "lens shutter"),
        post(102, 101, "Cameras", "bob", "2020-05-02", "lens"),
        post(201, 0, "Tripods", "alice", "2020-05-03", "legs"),
    });
    index(db);
    struct Case {
        const char* file;
        const char* field;
        std::function<void()> damage;
    } cases[] = {
        {"Person", "FROMCOUNT",
         [&] {
             edit<Person>(db, kPerson, any, [](Person& p) { p.FROMCOUNT += 5; });
         }},
        {"Person", "record",
         [&] {
             Person p;
             p.PERSONID = 990001;
             p.PERSONSTRING = "NOBODY nobody@example.org";
             p.LASTNAME = "Nobody";
             p.FROMCOUNT = 3;
             add(db, kPerson, p);
         }},
        {"Threads", "MSGCOUNT",
         [&] {
             edit<Threads>(
                 db, kThreads, [](const Threads&) { return true; },
                 [](Threads& t) { t.MSGCOUNT = 40; });
         }},
        {"Sections", "MSGCOUNT",
         [&] {
             edit<Sections>(
                 db, kSections, [](const Sections&) { return true; },
                 [](Sections& x) { x.MSGCOUNT = 1; });
         }},
        {"Forums", "MSGCOUNT",
         [&] {
             OP_CLOSE(h.s, kOpOpen, {kForums});
             edit<Forums>(
                 db, kForums, [&](const Forums& f) { return f.ID == db; },
                 [](Forums& f) {
                     f.MSGCOUNT = 7;
                     f.COUNTFLAG = 1;
                 });
             OP_CLOSE(h.s, kOpClose, {kForums});
         }},
        {"PLINK", "record",
         [&] {
             PLINK l;
             l.PERSONSTRING = "GONE gone@example.org";
             l.PERSONID = 990002;
             add(db, kPLINK, l);
         }},
        {"SIndex", "record",
         [&] {
             add(db, kSIndex, SIndex{990003, 101});
         }},
        {"WordList", "WORDCOUNT",
         [&] {
             edit<WordList>(
                 db, kWordList, [](const WordList& w) { return w.THEWORD.trimmed() == "LENS"; },
                 [](WordList& w) { w.WORDCOUNT = 9; });
         }},
    };
    for (const Case& c : cases) c.damage();
    const std::set<uint32_t> before = messages(db);

    const auto found = check(db);
    for (const Case& c : cases) {
        const bool listed = std::any_of(found.begin(), found.end(), [&](const auto& d) {
            return d.file == c.file && d.field == c.field;
        });
        EXPECT_TRUE(listed) << c.file << " " << c.field;
    }
    EXPECT_EQ(all<Person>(db, kPerson).size(), 4u) << "the check changed something";

    count(db);
    EXPECT_EQ(messages(db), before);
    EXPECT_EQ(all<MsgText>(db, kMsgText).size(), before.size());
    const auto again = check(db);
    EXPECT_TRUE(again.empty()) << again.size() << " left, first " << again[0].file << " "
                               << again[0].field;
}

TEST_F(CountTest, AfterAnInterruptedImportTheCheckFindsWrongCountsAndTheCountRepairsThem) {
    std::vector<std::string> lines;
    for (int i = 0; i < 600; ++i) {
        const std::string subject = "Note " + std::to_string(i);
        const std::string from = "p" + std::to_string(i % 40) + "@example.org";
        lines.push_back(testing::mail(subject.c_str(), from.c_str(), "me@example.org", "10:00:00",
                                      ("text " + subject).c_str(), "Pen Pal"));
    }
    {
        ImportProcessor p(h.s, settings(write(lines)), factory());
        while (p.accounting().stored < 450) ASSERT_EQ(p.step(), ImportProcessor::Result::More);
        ASSERT_TRUE(p.interrupt());
    }
    const std::set<uint32_t> stored = mails(mailbox);
    ASSERT_GE(stored.size(), 400u);
    ASSERT_LT(stored.size(), 600u);

    const auto wrong = check(mailbox);
    EXPECT_FALSE(wrong.empty());
    EXPECT_TRUE(
        std::any_of(wrong.begin(), wrong.end(), [](const auto& d) { return d.file == "Person"; }));
    const maint::PurgeOutcome counted = count(mailbox);
    EXPECT_EQ(counted.after, stored.size());
    EXPECT_EQ(mails(mailbox), stored);
    EXPECT_TRUE(check(mailbox).empty());
}

}  // namespace
}  // namespace qs
