// SPDX-License-Identifier: MIT
// Transactions over several files are all or nothing: after a commit, a rollback, a refused
// record or a process killed at any moment, every file holds the same set of transactions.
#include <gtest/gtest.h>
#include <time.h>

#include <random>

#include "storage/file_access.h"
#include "tests/storage/child_process.h"
#include "tests/storage/store_query.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using storetest::Child;
using testing::HomeDir;
using testing::TestSession;

// One transaction n writes a marker record n into Forums (encrypted), Person and MsgText, and
// sets the counter record 0 of each file to n.
std::string marker_text(uint32_t n) {
    std::string text;
    while (text.size() < 6000) text += "marker " + std::to_string(n) + " of the kill test\r\n";
    return text;
}

void fill_markers(Session& s, uint32_t n) {
    s.rec.Forums = Forums{};
    s.rec.Forums.ID = n;
    s.rec.Forums.DIRNUMBER = n;
    s.rec.Forums.DESCRIPTION = n ? "marker " + std::to_string(n) : "counter";
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = n;
    s.rec.Person.PERSONSTRING = n ? "marker " + std::to_string(n) : "counter";
    s.rec.MsgText = MsgText{};
    s.rec.MsgText.MSGNUMBER = n;
    s.rec.MsgText.MSGTEXT.text = n ? marker_text(n) : "";
}

bool write_markers(Session& s, int operation) {
    return UppDat(s, kForums, operation, kRollback) && UppDat(s, kPerson, operation, kRollback) &&
           UppDat(s, kMsgText, operation, kRollback);
}

bool read_counters(Session& s) {
    fill_markers(s, 0);
    return Get(s, kForums, keys::ForumKey) && Get(s, kPerson, keys::PersonKey) &&
           Get(s, kMsgText, keys::TxtIdKey);
}

bool set_counters(Session& s, uint32_t n) {
    if (!read_counters(s)) return false;
    s.rec.Forums.MSGCOUNT = n;
    s.rec.Person.FROMCOUNT = n;
    s.rec.MsgText.DATE = static_cast<int32_t>(n);
    return write_markers(s, kUpdate);
}

bool one_transaction(Session& s, uint32_t n) {
    if (TransactionCheck(s, BeginTransaction(s, {kForums, kPerson, kMsgText}))) return false;
    fill_markers(s, n);
    return write_markers(s, kAdd) && set_counters(s, n) && Commit(s);
}

void create_files(const std::string& home) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kForums, kPerson, kMsgText});
    fill_markers(t.s, 0);
    ASSERT_TRUE(write_markers(t.s, kAdd));
    OP_CLOSE(t.s, kOpForceClose, {kForums, kPerson, kMsgText});
}

// The child: tells the parent when its files are open (0) and after every commit (n).
int run_transactions(Child& child, const std::string& home) {
    TestSession t(home);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kForums, kPerson, kMsgText});
    if (!read_counters(s)) return 2;
    uint32_t n = s.rec.Forums.MSGCOUNT;
    child.send(0);
    for (int i = 0; i < 100000; ++i) {
        if (!one_transaction(s, ++n)) return 3;
        if (!child.send(n)) return 4;
    }
    return 0;
}

struct Contents {
    std::vector<uint32_t> forums, persons, texts;
    uint32_t counters[3] = {};
    bool texts_intact = true;
};

Contents read_contents(Session& s) {
    Contents c;
    Set(s, kForums, keys::ForumKey);
    while (Next(s, kForums))
        if (s.rec.Forums.ID) c.forums.push_back(s.rec.Forums.ID);
    Set(s, kPerson, keys::PersonKey);
    while (Next(s, kPerson))
        if (s.rec.Person.PERSONID) c.persons.push_back(s.rec.Person.PERSONID);
    Set(s, kMsgText, keys::TxtIdKey);
    while (Next(s, kMsgText)) {
        uint32_t n = s.rec.MsgText.MSGNUMBER;
        if (!n) continue;
        c.texts.push_back(n);
        c.texts_intact = c.texts_intact && s.rec.MsgText.MSGTEXT.text == marker_text(n);
    }
    if (read_counters(s)) {
        c.counters[0] = s.rec.Forums.MSGCOUNT;
        c.counters[1] = s.rec.Person.FROMCOUNT;
        c.counters[2] = static_cast<uint32_t>(s.rec.MsgText.DATE);
    }
    return c;
}

void delay_microseconds(long us) {
    timespec ts{0, us * 1000};
    nanosleep(&ts, nullptr);
}

// Kills the child after `commits` commits (0: once its files are open; -1: wherever it got to,
// perhaps recovering the last one's files) and a random moment more; returns the last commit
// the child reported.
uint32_t kill_child(Child& child, int commits, long delay_us) {
    uint32_t last = 0, v = 0;
    for (int i = 0; i <= commits; ++i) {
        EXPECT_TRUE(child.receive(v)) << "the child stopped on its own: " << child.wait();
        last = v;
    }
    delay_microseconds(delay_us);
    child.kill();
    EXPECT_EQ(child.wait(), -SIGKILL);
    return last;
}

TEST(Transactions, ProcessKilledAtAnyMomentLeavesWholeTransactionsOnly) {
    HomeDir home;
    create_files(home.dir);
    std::mt19937 rng(2024);
    uint32_t reported = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int commits = round % 5 - 1;
        long delay = static_cast<long>(rng() % 3000);
        {
            Child child([&](Child& c) { return run_transactions(c, home.dir); });
            ASSERT_TRUE(child.started());
            uint32_t last = kill_child(child, commits, delay);
            if (commits > 0) reported = last;
        }
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kForums, kPerson, kMsgText});
        Contents c = read_contents(t.s);
        uint32_t m = c.counters[0];
        std::vector<uint32_t> expected;
        for (uint32_t i = 1; i <= m; ++i) expected.push_back(i);
        EXPECT_EQ(c.forums, expected);
        EXPECT_EQ(c.persons, expected);
        EXPECT_EQ(c.texts, expected);
        EXPECT_EQ(c.counters[1], m);
        EXPECT_EQ(c.counters[2], m);
        EXPECT_TRUE(c.texts_intact);
        EXPECT_GE(m, reported) << "a commit the child saw succeed was lost";
        reported = m;
        std::vector<std::string> paths;
        for (int f : {kForums, kPerson, kMsgText}) paths.push_back(full_name(t.s, f));
        OP_CLOSE(t.s, kOpClose, {kForums, kPerson, kMsgText});
        EXPECT_TRUE(t.dialog.entries.empty()) << t.dialog.entries.front().title;
        EXPECT_EQ(storetest::integrity(paths[0], kForums), "ok");
        EXPECT_EQ(storetest::integrity(paths[1], kPerson), "ok");
        EXPECT_EQ(storetest::integrity(paths[2], kMsgText), "ok");
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GT(reported, 40u) << "the children got through their transactions";
}

TEST(Transactions, RollbackDiscardsAndCommitKeepsEveryFile) {
    HomeDir home;
    create_files(home.dir);
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kForums, kPerson, kMsgText});
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kForums, kPerson, kMsgText})));
    fill_markers(s, 1);
    ASSERT_TRUE(write_markers(s, kAdd) && set_counters(s, 1));
    Rollback(s);
    Contents c = read_contents(s);
    EXPECT_TRUE(c.forums.empty() && c.persons.empty() && c.texts.empty());
    EXPECT_EQ(c.counters[0] + c.counters[1] + c.counters[2], 0u);
    ASSERT_TRUE(one_transaction(s, 1));
    c = read_contents(s);
    EXPECT_EQ(c.forums, std::vector<uint32_t>{1});
    EXPECT_EQ(c.persons, std::vector<uint32_t>{1});
    EXPECT_EQ(c.texts, std::vector<uint32_t>{1});
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(Transactions, StartRefusedWhileAnotherUserWritesIsReported) {
    HomeDir home;
    create_files(home.dir);
    TestSession writer(home.dir), other(home.dir);
    OP_CLOSE(writer.s, kOpOpen, {kForums, kPerson});
    OP_CLOSE(other.s, kOpOpen, {kPerson, kMsgText});
    ASSERT_FALSE(TransactionCheck(writer.s, BeginTransaction(writer.s, {kForums, kPerson})));
    EXPECT_TRUE(TransactionCheck(other.s, BeginTransaction(other.s, {kPerson, kMsgText}, 0)));
    ASSERT_EQ(other.dialog.entries.size(), 1u);
    EXPECT_EQ(other.dialog.entries[0].title, "Warning!");
    EXPECT_TRUE(other.dialog.entries[0].text.starts_with("Transaction Frame Error!\r\n"));
    EXPECT_FALSE(other.s.engine.in_transaction());
    EXPECT_TRUE(Commit(writer.s));
    EXPECT_FALSE(TransactionCheck(other.s, BeginTransaction(other.s, {kPerson, kMsgText}, 0)));
    EXPECT_TRUE(Commit(other.s));
}

}  // namespace
}  // namespace qs
