// SPDX-License-Identifier: MIT
// Identifiers reserved in blocks: handed out before the counter is touched again, given back when
// nobody took from the counter meanwhile, never the same in two processes, and never handed out
// again after the process that reserved them died in the middle of a transaction.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "storage/file_access.h"
#include "tests/storage/child_process.h"
#include "tests/storage/store_query.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using storetest::Child;
using testing::HomeDir;
using testing::TestSession;

uint32_t stored_counter(const std::string& home) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kControl});
    t.s.rec.Control = Control{};
    t.s.rec.Control.ID = 1;
    return Get(t.s, kControl, keys::CtlIdKey) ? t.s.rec.Control.NEXTNUMBER : 0;
}

TEST(IdentifierBlock, HandedOutFirstAndTheRestGivenBack) {
    HomeDir home;
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kControl});
    ASSERT_EQ(NextNr(t.s), 1u);
    ASSERT_TRUE(ReserveIds(t.s, 5, 20));
    EXPECT_EQ(stored_counter(home.dir), 22u);  // 2 to 21 reserved
    EXPECT_EQ(NextNr(t.s), 2u);
    EXPECT_EQ(NextNr(t.s), 3u);
    // Enough left: nothing is taken.
    ASSERT_TRUE(ReserveIds(t.s, 5, 20));
    EXPECT_EQ(stored_counter(home.dir), 22u);
    for (uint32_t n = 4; n < 18; ++n) ASSERT_EQ(NextNr(t.s), n);
    // Four left: the next block follows on, the four stay usable.
    ASSERT_TRUE(ReserveIds(t.s, 5, 20));
    EXPECT_EQ(stored_counter(home.dir), 42u);
    EXPECT_EQ(NextNr(t.s), 18u);
    ReturnIds(t.s);
    EXPECT_EQ(stored_counter(home.dir), 19u);
    EXPECT_EQ(NextNr(t.s), 19u);  // one at a time again
    EXPECT_EQ(stored_counter(home.dir), 20u);
}

TEST(IdentifierBlock, NotGivenBackOnceAnotherUserTookFromTheCounter) {
    HomeDir home;
    TestSession a(home.dir), b(home.dir);
    OP_CLOSE(a.s, kOpOpen, {kControl});
    OP_CLOSE(b.s, kOpOpen, {kControl});
    ASSERT_EQ(NextNr(a.s), 1u);
    ASSERT_TRUE(ReserveIds(a.s, 1, 10));  // 2 to 11
    EXPECT_EQ(NextNr(b.s), 12u);
    ASSERT_TRUE(ReserveIds(a.s, 100, 10));  // the counter moved on: a new run, 13 to 22
    EXPECT_EQ(NextNr(a.s), 13u);
    EXPECT_EQ(NextNr(b.s), 23u);
    ReturnIds(a.s);
    EXPECT_EQ(NextNr(a.s), 24u);
    EXPECT_EQ(NextNr(b.s), 25u);
}

TEST(IdentifierBlock, NotReservedInsideAnotherTransaction) {
    HomeDir home;
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kControl, kPerson});
    ASSERT_FALSE(TransactionCheck(t.s, BeginTransaction(t.s, {kPerson, kControl})));
    EXPECT_FALSE(ReserveIds(t.s, 1, 50));
    EXPECT_EQ(NextNr(t.s), 1u);  // one at a time, inside the transaction
    ASSERT_TRUE(Commit(t.s));
    EXPECT_EQ(stored_counter(home.dir), 2u);
}

constexpr uint32_t kGo = 2;
constexpr uint32_t kDone = 0xFFFFFFFF;

// Draws `times` identifiers, reserving them `block` at a time when `block` is not 0, and sends
// them to the parent; the exit status counts failures.
int draw(Child& c, const std::string& home, int times, uint32_t block) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kControl});
    uint32_t word = 0;
    if (!c.receive(word)) return 90;
    std::vector<uint32_t> got;
    for (int i = 0; i < times; ++i) {
        if (block && !ReserveIds(t.s, 1, block)) return 91;
        got.push_back(NextNr(t.s));
    }
    ReturnIds(t.s);
    for (uint32_t n : got) c.send(n);
    c.send(kDone);
    return static_cast<int>(std::count(got.begin(), got.end(), 0u));
}

TEST(IdentifierBlock, TwoProcessesNeverGetTheSameIdentifier) {
    HomeDir home;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kControl});
        ASSERT_EQ(NextNr(t.s), 1u);
    }
    Child a([&](Child& c) { return draw(c, home.dir, 400, 7); });
    Child b([&](Child& c) { return draw(c, home.dir, 400, 5); });
    Child one([&](Child& c) { return draw(c, home.dir, 100, 0); });
    for (Child* c : {&a, &b, &one}) c->send(kGo);
    std::set<uint32_t> seen;
    for (Child* c : {&a, &b, &one}) {
        uint32_t n = 0;
        while (c->receive(n) && n != kDone) EXPECT_TRUE(seen.insert(n).second) << n;
    }
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    EXPECT_EQ(one.wait(), 0);
    ASSERT_EQ(seen.size(), 900u);
    EXPECT_GE(*seen.begin(), 2u);
    EXPECT_GT(stored_counter(home.dir), *seen.rbegin());
}

// Reserves a block, adds persons with identifiers from it in one transaction, reports the last
// identifier and waits to be killed before the commit.
int die_in_frame(Child& c, const std::string& home) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kControl, kPerson});
    if (!ReserveIds(t.s, 100, 100)) return 2;
    if (BeginTransaction(t.s, {kPerson, kControl}).code() != Code::Ok) return 3;
    uint32_t last = 0;
    for (int i = 0; i < 50; ++i) {
        t.s.rec.Person = Person{};
        t.s.rec.Person.PERSONID = last = NextNr(t.s);
        t.s.rec.Person.PERSONSTRING = "P" + std::to_string(i);
        if (!UppDat(t.s, kPerson, kAdd, kReport)) return 4;
    }
    c.send(last);
    uint32_t word = 0;
    c.receive(word);  // killed meanwhile
    return 5;
}

TEST(IdentifierBlock, ProcessKilledInTheMiddleOfAFrameLeavesNothingAndItsBlockUnused) {
    HomeDir home;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kControl});
        ASSERT_EQ(NextNr(t.s), 1u);
    }
    Child child([&](Child& c) { return die_in_frame(c, home.dir); });
    uint32_t last = 0;
    ASSERT_TRUE(child.receive(last));
    EXPECT_EQ(last, 51u);
    child.kill();
    child.wait();
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kControl, kPerson});
    EXPECT_EQ(testing::record_count(t.s, kPerson), 0u);
    EXPECT_EQ(NextNr(t.s), 102u);  // the dead process's block is not handed out again
    EXPECT_EQ(storetest::integrity(t.s.slots[kPerson].path, kPerson), "ok");
}

}  // namespace
}  // namespace qs
