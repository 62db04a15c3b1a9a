// SPDX-License-Identifier: MIT
// Transactions over several files are all or nothing: after a commit, a rollback, a refused
// record, a failed write or a process that crashed at any write, every file holds the same set
// of transactions.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/vfs.h"
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

// Every file holds transactions 1 to `m`, whole, and nothing else; opening them (and rolling
// back what a killed process left) reports nothing.
void expect_transactions(const std::string& home, uint32_t m) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kForums, kPerson, kMsgText});
    Contents c = read_contents(t.s);
    std::vector<uint32_t> expected;
    for (uint32_t i = 1; i <= m; ++i) expected.push_back(i);
    EXPECT_EQ(c.forums, expected);
    EXPECT_EQ(c.persons, expected);
    EXPECT_EQ(c.texts, expected);
    EXPECT_EQ(c.counters[0], m);
    EXPECT_EQ(c.counters[1], m);
    EXPECT_EQ(c.counters[2], m);
    EXPECT_TRUE(c.texts_intact);
    std::vector<std::string> paths;
    for (int f : {kForums, kPerson, kMsgText}) paths.push_back(full_name(t.s, f));
    OP_CLOSE(t.s, kOpClose, {kForums, kPerson, kMsgText});
    EXPECT_TRUE(t.dialog.entries.empty()) << t.dialog.entries.front().title;
    EXPECT_EQ(storetest::integrity(paths[0], kForums), "ok");
    EXPECT_EQ(storetest::integrity(paths[1], kPerson), "ok");
    EXPECT_EQ(storetest::integrity(paths[2], kMsgText), "ok");
}

// Runs the next transaction with the store's writes failing from the nth on: with `crash`,
// that one and every later one, so that the files stay as a crash at that write leaves them;
// else that one only, and the store goes on. True when the transaction was committed.
bool failing_transaction(Session& s, vfs::FaultVfs& fault, int n, bool crash) {
    OP_CLOSE(s, kOpOpen, {kForums, kPerson, kMsgText});
    if (!read_counters(s)) return false;
    const uint32_t next = s.rec.Forums.MSGCOUNT + 1;
    fault.fail_after(n, crash);
    const bool committed = one_transaction(s, next);
    fault.fail_after(0);
    return committed;
}

// A crash: a child runs the transaction, says whether it committed and is killed with nothing
// closed or cleaned up. A failed write: this process runs it and closes its files.
bool attempt(const std::string& home, int n, bool crash) {
    if (!crash) {
        vfs::FaultVfs fault;
        vfs::set_base(fault.vfs());
        bool committed = false;
        {
            TestSession t(home);
            committed = failing_transaction(t.s, fault, n, false);
        }
        vfs::set_base(nullptr);
        return committed;
    }
    constexpr uint32_t kFailed = 1, kCommitted = 2;
    Child child([&](Child& c) {
        vfs::FaultVfs fault;
        vfs::set_base(fault.vfs());
        TestSession t(home);
        c.send(failing_transaction(t.s, fault, n, true) ? kCommitted : kFailed);
        uint32_t never = 0;
        c.receive(never);
        return 3;
    });
    uint32_t result = 0;
    EXPECT_TRUE(child.receive(result)) << "the child stopped: " << child.wait();
    child.kill();
    EXPECT_EQ(child.wait(), -SIGKILL);
    return result == kCommitted;
}

// Fails the first write of a transaction, then the second, and so on until the transaction
// gets through; after each, every file holds the same whole transactions.
TEST(Transactions, FailedOrCrashedWriteAnywhereLeavesWholeTransactionsOnly) {
    HomeDir home;
    create_files(home.dir);
    uint32_t committed = 0;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kForums, kPerson, kMsgText});
        for (int i = 0; i < 2; ++i) ASSERT_TRUE(one_transaction(t.s, ++committed));
    }
    for (bool crash : {true, false}) {
        int n = 1;
        for (bool done = false; !done; ++n) {
            SCOPED_TRACE((crash ? "crash at write " : "failure of write ") + std::to_string(n));
            ASSERT_LT(n, 1000) << "the transaction never got through";
            done = attempt(home.dir, n, crash);
            committed += done;
            expect_transactions(home.dir, committed);
            if (::testing::Test::HasFailure()) return;
        }
        EXPECT_GT(n, 10) << "the transaction writes more than that";
    }
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
