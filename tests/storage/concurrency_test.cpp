// SPDX-License-Identifier: MIT
// Two processes on one archive: a held record is refused to the other user and released when its
// holder dies, updates made under holds are never lost, and identifiers are never handed out twice.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "storage/file_access.h"
#include "tests/storage/child_process.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using storetest::Child;
using testing::HomeDir;
using testing::TestSession;

constexpr uint32_t kHeld = 1;
constexpr uint32_t kGo = 2;

void create_person(const std::string& home) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    t.s.rec.Person.PERSONID = 1;
    t.s.rec.Person.PERSONSTRING = "counter";
    ASSERT_TRUE(UppDat(t.s, kPerson, kAdd, kReport));
    OP_CLOSE(t.s, kOpClose, {kPerson});
}

bool hold_person(Session& s, int timeout) {
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = 1;
    return HoldRec(s, kPerson, keys::PersonKey, true, 0, timeout) == 1;
}

// The child holds the counter person, says so, and waits for the parent's word; then writes the
// record back (which releases it) and ends.
int hold_until_told(Child& c, const std::string& home) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    if (!hold_person(t.s, 5)) return 2;
    c.send(kHeld);
    uint32_t word = 0;
    if (!c.receive(word)) return 3;
    ++t.s.rec.Person.FROMCOUNT;
    return UppDat(t.s, kPerson, kUpdate, kReport) ? 0 : 4;
}

TEST(Concurrency, RecordHeldByAnotherProcessIsRefusedAfterTheLockWait) {
    HomeDir home;
    create_person(home.dir);
    Child child([&](Child& c) { return hold_until_told(c, home.dir); });
    uint32_t word = 0;
    ASSERT_TRUE(child.receive(word));
    ASSERT_EQ(word, kHeld);
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(hold_person(t.s, 1));
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::seconds(1)) << "the hold waits as long as it was told";
    ASSERT_EQ(t.dialog.entries.size(), 1u);
    EXPECT_EQ(t.dialog.entries[0].title, "The record is not accessible!");
    EXPECT_EQ(t.dialog.entries[0].text,
              "The record is locked by another user!\r\nUpdate is cancelled, try again later!");
    child.send(kGo);
    EXPECT_EQ(child.wait(), 0);
    ASSERT_TRUE(hold_person(t.s, 0)) << "written back, the record is free again";
    EXPECT_EQ(t.s.rec.Person.FROMCOUNT, 1u) << "the hold reads the holder's update";
}

TEST(Concurrency, HoldOfAKilledProcessLapses) {
    HomeDir home;
    create_person(home.dir);
    Child child([&](Child& c) { return hold_until_told(c, home.dir); });
    uint32_t word = 0;
    ASSERT_TRUE(child.receive(word));
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    store::File& f = handle(t.s, kPerson);
    Person p;
    EXPECT_EQ(f.hold(1, &p, 0).code(), Code::Locked);
    child.kill();
    // Not reaped yet: a dead process that lingers in the process table holds nothing either.
    Status st = f.hold(1, &p, 3);
    EXPECT_TRUE(st) << st.text();
    EXPECT_EQ(child.wait(), -SIGKILL);
    EXPECT_TRUE(f.holding());
}

TEST(Concurrency, HoldsExcludeTheSessionsOfOneProcess) {
    HomeDir home;
    create_person(home.dir);
    TestSession a(home.dir), b(home.dir);
    OP_CLOSE(a.s, kOpOpen, {kPerson});
    OP_CLOSE(b.s, kOpOpen, {kPerson});
    ASSERT_TRUE(hold_person(a.s, 0));
    EXPECT_FALSE(hold_person(b.s, 0));
    EXPECT_TRUE(b.dialog.saw("The record is locked by another user!"));
    ReleaseRec(a.s, kPerson);
    EXPECT_TRUE(hold_person(b.s, 0));
    EXPECT_FALSE(hold_person(a.s, 0));
}

// Adds one to the counter `times` times, each under a hold; the exit status counts failures.
int count_up(Child& c, const std::string& home, int times) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    uint32_t word = 0;
    if (!c.receive(word)) return 90;
    int failures = 0;
    for (int i = 0; i < times; ++i) {
        if (!hold_person(t.s, 5)) {
            ++failures;
            continue;
        }
        ++t.s.rec.Person.FROMCOUNT;
        if (!UppDat(t.s, kPerson, kUpdate, kReport)) ++failures;
    }
    return std::min(failures, 80);
}

TEST(Concurrency, UpdatesUnderHoldsFromTwoProcessesAreNeverLost) {
    HomeDir home;
    create_person(home.dir);
    Child a([&](Child& c) { return count_up(c, home.dir, 300); });
    Child b([&](Child& c) { return count_up(c, home.dir, 300); });
    a.send(kGo);
    b.send(kGo);
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    t.s.rec.Person.PERSONID = 1;
    ASSERT_TRUE(Get(t.s, kPerson, keys::PersonKey));
    EXPECT_EQ(t.s.rec.Person.FROMCOUNT, 600u);
}

// Draws `times` identifiers and sends them to the parent; the exit status counts failures.
int draw_numbers(Child& c, const std::string& home, int times) {
    TestSession t(home);
    OP_CLOSE(t.s, kOpOpen, {kControl});
    uint32_t word = 0;
    if (!c.receive(word)) return 90;
    std::vector<uint32_t> got;
    for (int i = 0; i < times; ++i) got.push_back(NextNr(t.s));
    for (uint32_t n : got) c.send(n);
    return static_cast<int>(std::count(got.begin(), got.end(), 0u));
}

TEST(Concurrency, IdentifiersFromTwoProcessesAreNeverTheSame) {
    HomeDir home;
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kControl});
        ASSERT_EQ(NextNr(t.s), 1u);
    }
    Child a([&](Child& c) { return draw_numbers(c, home.dir, 300); });
    Child b([&](Child& c) { return draw_numbers(c, home.dir, 300); });
    a.send(kGo);
    b.send(kGo);
    std::set<uint32_t> seen;
    for (Child* c : {&a, &b}) {
        uint32_t n = 0;
        for (int i = 0; i < 300 && c->receive(n); ++i) EXPECT_TRUE(seen.insert(n).second) << n;
    }
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    ASSERT_EQ(seen.size(), 600u);
    EXPECT_EQ(*seen.begin(), 2u);
    EXPECT_EQ(*seen.rbegin(), 601u);
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kControl});
    EXPECT_EQ(NextNr(t.s), 602u);
}

}  // namespace
}  // namespace qs
