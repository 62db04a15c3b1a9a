// SPDX-License-Identifier: MIT
#include "app/topics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sqlite_db.h"
#include "platform/vfs.h"
#include "tests/storage/child_process.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using storetest::Child;
using testing::TestSession;

class Topics : public ::testing::Test {
protected:
    void SetUp() override { h.s.mem.Description = "Photo"; }

    // The topic form on `request` for the topic `name` (read first for a change or delete),
    // with the name field set to `field`; its answer.
    static int form(Session& s, int request, const std::string& name, const std::string& field) {
        OP_CLOSE(s, kOpOpen, {kCodes});
        s.GlobalResponse = 0;
        if (request != kAdd && !find(s, name)) ADD_FAILURE() << "no topic " << name;
        s.GlobalRequest = request;
        {
            TopicForm f(s);
            f.record().INDEX = field;
            static_cast<void>(f.accept());
        }
        OP_CLOSE(s, kOpClose, {kCodes});
        return s.GlobalResponse;
    }
    static bool find(Session& s, const std::string& name) {
        s.rec.Codes = Codes{};
        s.rec.Codes.TYPE = kTopicCode;
        s.rec.Codes.INDEX = name;
        return Get(s, kCodes, 0);
    }
    Codes topic(const std::string& name) {
        OP_CLOSE(h.s, kOpOpen, {kCodes});
        EXPECT_TRUE(find(h.s, name)) << name;
        Codes c = h.s.rec.Codes;
        OP_CLOSE(h.s, kOpClose, {kCodes});
        return c;
    }
    // Links `count` messages (numbers 1 to count) to the topic in one transaction, with its count.
    void link_many(const std::string& name, uint32_t count) {
        Codes c = topic(name);
        OP_CLOSE(h.s, kOpOpen, {kSIndex, kCodes});
        ASSERT_FALSE(TransactionCheck(h.s, BeginTransaction(h.s, {kSIndex})));
        for (uint32_t n = 1; n <= count; ++n) {
            h.s.rec.SIndex = SIndex{c.ID, n};
            ASSERT_TRUE(UppDat(h.s, kSIndex, kAdd, kRollback));
        }
        ASSERT_TRUE(Commit(h.s));
        OP_CLOSE(h.s, kOpClose, {kSIndex, kCodes});
        ASSERT_EQ(RecountCodes(h.s), static_cast<int64_t>(ListCodes(h.s).size()));
    }

    testing::TempHome h{"F1"};
};

TEST_F(Topics, FormRefusesBlankAndCaseOnlyDifferentNamesAndNamesItsWindows) {
    EXPECT_EQ(form(h.s, kAdd, "", "Travel"), 1);
    EXPECT_EQ(form(h.s, kAdd, "", "   "), 2);
    EXPECT_EQ(h.dialog.beeps, 1);
    EXPECT_TRUE(h.dialog.entries.empty());
    EXPECT_EQ(form(h.s, kAdd, "", "TRAVEL"), 2);
    EXPECT_TRUE(h.dialog.saw("A record with identical key already exists!"));
    EXPECT_EQ(form(h.s, kAdd, "", "Work"), 1);
    EXPECT_EQ(form(h.s, kUpdate, "Work", "travel"), 2);  // a rename onto another name, too
    EXPECT_EQ(form(h.s, kUpdate, "Work", "Jobs"), 1);
    std::vector<Codes> all = ListCodes(h.s);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].INDEX.str(), "Jobs");
    EXPECT_EQ(all[1].INDEX.str(), "Travel");
    EXPECT_NE(all[0].ID, all[1].ID);
    EXPECT_EQ(all[0].COUNT, 0u);
    EXPECT_EQ(codes_title(h.s, kTopicCode, all.size()), "Photo Topics [2]");

    struct Row {
        int request;
        const char* title;
        const char* accept;
        bool name;
    } rows[] = {{kAdd, " Add New Topic", " Accept new Topic", true},
                {kUpdate, " Update Topic", " Accept updated Topic", true},
                {kDelete, " Delete Topic", " Confirm deletion of Topic", false}};
    OP_CLOSE(h.s, kOpOpen, {kCodes});
    for (const Row& r : rows) {
        h.s.GlobalRequest = r.request;
        TopicForm f(h.s);
        EXPECT_EQ(f.title(), r.title);
        EXPECT_EQ(f.accept_label(), r.accept);
        EXPECT_EQ(f.name_enabled(), r.name);
    }
    OP_CLOSE(h.s, kOpClose, {kCodes});
}

TEST_F(Topics, TagsKeepCountsAndMessagesOfATopicComeNewestFirst) {
    ASSERT_EQ(form(h.s, kAdd, "", "Travel"), 1);
    ASSERT_EQ(form(h.s, kAdd, "", "Work"), 1);
    const Codes travel = topic("Travel"), work = topic("Work");
    for (uint32_t n : {30u, 10u, 20u}) ASSERT_TRUE(TagMessage(h.s, travel, n));
    ASSERT_TRUE(TagMessage(h.s, work, 20));
    EXPECT_EQ(MessagesOf(h.s, travel.ID), (std::vector<uint32_t>{30, 20, 10}));
    EXPECT_EQ(CodesOf(h.s, 20).size(), 2u);
    EXPECT_EQ(topic("Travel").COUNT, 3u);
    EXPECT_EQ(topic("Travel").DATE, h.clock.today());
    ASSERT_TRUE(UntagMessage(h.s, travel, 20));
    EXPECT_FALSE(UntagMessage(h.s, travel, 20));  // gone: told, and the count stays
    EXPECT_TRUE(h.dialog.saw("The record has been deleted by another user!"));
    EXPECT_EQ(topic("Travel").COUNT, 2u);
    EXPECT_EQ(MessagesOf(h.s, travel.ID), (std::vector<uint32_t>{30, 10}));
}

// The links were made behind the counts' back (as the import links its mail topic): the
// recount of the topics list puts them right, topics only.
TEST_F(Topics, RecountStoresTheCountsThatDiffer) {
    ASSERT_EQ(form(h.s, kAdd, "", "Travel"), 1);
    ASSERT_EQ(form(h.s, kAdd, "", "Work"), 1);
    link_many("Travel", 4);
    EXPECT_EQ(topic("Travel").COUNT, 4u);
    EXPECT_EQ(topic("Work").COUNT, 0u);
    EXPECT_EQ(LookupCode(h.s, kTopicCode, "tr").result, CodeLookup::Result::One);
    EXPECT_EQ(LookupCode(h.s, kTopicCode, "").result, CodeLookup::Result::Several);
    EXPECT_EQ(LookupCode(h.s, kTopicCode, "x").result, CodeLookup::Result::None);
    EXPECT_EQ(LookupCode(h.s, kKeyWordCode, "tr").result, CodeLookup::Result::None);
}

// The classification window of this process shows the message untagged; another process tags
// it meanwhile. Ticking it here fails on the unique key (told), the count stays 1, and the
// window shows the tag that is stored.
TEST_F(Topics, TaggingTwiceFromTwoProcessesLeavesOneLink) {
    ASSERT_EQ(form(h.s, kAdd, "", "Travel"), 1);
    Classification window(h.s);
    window.reload();
    window.select(10);
    ASSERT_EQ(window.entries().size(), 1u);
    ASSERT_FALSE(window.entries()[0].tagged);
    const std::string home = h.dir;
    const Codes travel = topic("Travel");
    Child other([&](Child&) {
        TestSession t(home);
        return TagMessage(t.s, travel, 10) ? 0 : 1;
    });
    ASSERT_EQ(other.wait(), 0);
    EXPECT_FALSE(window.toggle(0));
    EXPECT_TRUE(h.dialog.saw("A record with identical key already exists!"));
    EXPECT_TRUE(window.entries()[0].tagged);
    EXPECT_EQ(MessagesOf(h.s, travel.ID), std::vector<uint32_t>{10});
    EXPECT_EQ(topic("Travel").COUNT, 1u);
    EXPECT_TRUE(window.toggle(0));  // untags
    EXPECT_FALSE(window.entries()[0].tagged);
    EXPECT_EQ(topic("Travel").COUNT, 0u);
}

// Another process holds the topic: the link is not made either, so that link and count agree.
TEST_F(Topics, TagRefusedWhileAnotherProcessHoldsTheTopicLeavesNoLink) {
    ASSERT_EQ(form(h.s, kAdd, "", "Travel"), 1);
    const Codes travel = topic("Travel");
    const std::string home = h.dir;
    Child holder([&](Child& c) {
        TestSession t(home);
        OP_CLOSE(t.s, kOpOpen, {kCodes});
        if (!find(t.s, "Travel") || !HoldRec(t.s, kCodes, 0, true, 0, 5)) return 1;
        c.send(1);
        uint32_t done = 0;
        c.receive(done);
        return 0;
    });
    uint32_t held = 0;
    ASSERT_TRUE(holder.receive(held)) << holder.wait();
    EXPECT_FALSE(TagMessage(h.s, travel, 10, 0));
    EXPECT_TRUE(h.dialog.saw("The record is locked by another user!"));
    EXPECT_TRUE(MessagesOf(h.s, travel.ID).empty());
    EXPECT_EQ(topic("Travel").COUNT, 0u);
    holder.send(1);
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_TRUE(TagMessage(h.s, travel, 10, 0));
}

class TopicDelete : public Topics {
protected:
    void SetUp() override {
        Topics::SetUp();
        ASSERT_EQ(form(h.s, kAdd, "", "Travel"), 1);
        ASSERT_EQ(form(h.s, kAdd, "", "Work"), 1);
        link_many("Travel", 500);
        work = topic("Work");
        ASSERT_TRUE(TagMessage(h.s, work, 7));
        travel = topic("Travel");
    }
    // The links of the two topics, and whether Travel is still there.
    void expect_untouched(Session& s) {
        EXPECT_EQ(MessagesOf(s, travel.ID).size(), 500u);
        EXPECT_EQ(MessagesOf(s, work.ID), std::vector<uint32_t>{7});
        EXPECT_EQ(ListCodes(s).size(), 2u);
    }
    Codes travel, work;
};

// A fault at the 250th of the 500 deletions: the store refuses it (a trigger of the link file
// aborts it), the transaction is rolled back, and every link and the topic are still there.
TEST_F(TopicDelete, FaultAtThe250thLinkDeletionRemovesNothing) {
    const std::string path = full_name(h.s, kSIndex);
    auto exec = [&](const char* sql) {
        store::Db db;
        ASSERT_TRUE(db.open(path, nullptr, false));
        ASSERT_TRUE(db.exec(sql));
    };
    exec(
        "CREATE TRIGGER fault BEFORE DELETE ON rec WHEN "
        "(SELECT count(*) FROM rec WHERE ID = old.ID) = 251 "
        "BEGIN SELECT RAISE(ABORT, 'injected fault'); END");
    EXPECT_EQ(form(h.s, kDelete, "Travel", ""), 2);
    EXPECT_TRUE(h.dialog.saw("Record delete error!"));
    EXPECT_TRUE(h.dialog.saw("The last transaction is rolled back."));
    expect_untouched(h.s);
    exec("DROP TRIGGER fault");
    EXPECT_EQ(form(h.s, kDelete, "Travel", ""), 1);
    EXPECT_TRUE(MessagesOf(h.s, travel.ID).empty());
    EXPECT_EQ(MessagesOf(h.s, work.ID), std::vector<uint32_t>{7});
    EXPECT_EQ(ListCodes(h.s).size(), 1u);
}

// The same with the file layer failing the first write of the delete, then the second, and so on
// until it goes through: after each failure nothing was removed.
TEST_F(TopicDelete, FailedWriteAnywhereRemovesNothing) {
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    bool done = false;
    for (int n = 1; !done && n < 500; ++n) {
        SCOPED_TRACE("failure of write " + std::to_string(n));
        {
            TestSession t(h.dir);
            OP_CLOSE(t.s, kOpOpen, {kCodes});
            ASSERT_TRUE(find(t.s, "Travel"));
            t.s.GlobalRequest = kDelete;
            TopicForm f(t.s);
            fault.fail_after(n);
            done = f.accept();
            fault.fail_after(0);
            EXPECT_EQ(done, t.dialog.entries.empty());
            OP_CLOSE(t.s, kOpClose, {kCodes});
        }
        TestSession check(h.dir);
        if (!done) expect_untouched(check.s);
        if (::testing::Test::HasFailure()) break;
    }
    vfs::set_base(nullptr);
    EXPECT_TRUE(done);
    EXPECT_TRUE(MessagesOf(h.s, travel.ID).empty());
    EXPECT_EQ(MessagesOf(h.s, work.ID), std::vector<uint32_t>{7});
}

}  // namespace
}  // namespace qs
