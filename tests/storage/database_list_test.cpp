// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

class DatabaseList : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartUp(h.s, h.dir).ok); }

    // SQLite's file change counter: it moves with every transaction that wrote the file.
    static uint32_t change_counter(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        unsigned char b[28] = {};
        in.read(reinterpret_cast<char*>(b), sizeof b);
        return (uint32_t{b[24]} << 24) | (uint32_t{b[25]} << 16) | (uint32_t{b[26]} << 8) | b[27];
    }

    Forums record(uint32_t id) {
        OP_CLOSE(h.s, kOpOpen, {kForums});
        h.s.rec.Forums = Forums{};
        h.s.rec.Forums.ID = id;
        EXPECT_TRUE(Get(h.s, kForums, keys::ForumKey));
        OP_CLOSE(h.s, kOpClose, {kForums});
        return h.s.rec.Forums;
    }

    testing::TempHome h;
};

TEST_F(DatabaseList, MailDatabaseGetsOwnerFirstThenItsIdentity) {
    uint32_t id = AddMailDatabase(h.s, {"Home", "me@example.org", {"me@work.example", ""}});
    ASSERT_EQ(id, 250001u);
    Forums f = record(id);
    EXPECT_EQ(f.PERSONID, 250000u);
    EXPECT_EQ(f.DIRNUMBER, 1u);
    EXPECT_EQ(f.TYPE, kMailDb);
    EXPECT_EQ(f.INDEXTYPE, 1);
    EXPECT_EQ(f.WORDLISTINDEXNEEDSUPDATE, 1);
    EXPECT_EQ(f.CREATED, 80000);
    EXPECT_EQ(f.ALTADDRESS[0].str(), "me@work.example");
    EXPECT_TRUE(f.ALTADDRESS[1].blank());
    // The directory holds the owner and the identity copy.
    ASSERT_TRUE(MakeCurrent(h.s, id));
    EXPECT_EQ(h.s.mem.Dirnamn, "F1");
    EXPECT_EQ(h.s.mem.PersonID, 250000);
    OP_CLOSE(h.s, kOpOpen, {kREF, kPerson});
    ASSERT_TRUE(Fetch(h.s, kREF, 1));
    EXPECT_EQ(h.s.rec.REF.MAILADDRESS.str(), "me@example.org");
    EXPECT_EQ(h.s.rec.REF.PERSONID, 250000);
    EXPECT_EQ(h.s.rec.REF.ALTADDRESS[0].str(), "me@work.example");
    Set(h.s, kPerson, keys::PersonKey);
    ASSERT_TRUE(Next(h.s, kPerson));
    EXPECT_EQ(h.s.rec.Person.PERSONSTRING.str(), "HOME ME@EXAMPLE.ORG");
    OP_CLOSE(h.s, kOpClose, {kREF, kPerson});
}

TEST_F(DatabaseList, DirectoryNumbersFollowTheHighestInUse) {
    EXPECT_EQ(record(AddForumDatabase(h.s, "One")).DIRNUMBER, 1u);
    uint32_t two = AddForumDatabase(h.s, "Two");
    EXPECT_EQ(record(AddForumDatabase(h.s, "Three")).DIRNUMBER, 3u);
    ASSERT_TRUE(MakeCurrent(h.s, two));
    ASSERT_TRUE(RemoveCurrentDatabase(h.s));
    EXPECT_FALSE(fs::exists(h.dir + "/F2"));
    EXPECT_EQ(record(AddForumDatabase(h.s, "Four")).DIRNUMBER, 4u);
    EXPECT_EQ(ListDatabases(h.s).size(), 3u);
}

TEST_F(DatabaseList, ReferenceCopyIsRewrittenOnlyWhenItChanges) {
    uint32_t id = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
    std::string ref = h.dir + "/F1/IDX022.DAT";
    uint32_t before = change_counter(ref);
    ASSERT_TRUE(UpdateMailDatabase(h.s, id, {"Home", "me@example.org", {}}));
    EXPECT_EQ(change_counter(ref), before);
    ASSERT_TRUE(UpdateMailDatabase(h.s, id, {"Home", "me@example.org", {"alt@example.org"}}));
    EXPECT_NE(change_counter(ref), before);
    EXPECT_EQ(record(id).ALTADDRESS[0].str(), "alt@example.org");
}

// The database's directory is there, or has disappeared (then there is nothing to delete, but
// its entries go all the same).
class DatabaseRemoval : public DatabaseList, public ::testing::WithParamInterface<bool> {};

TEST_P(DatabaseRemoval, DetachesImportDefinitionsAndDropsEmptyOnes) {
    uint32_t mail = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
    uint32_t forum = AddForumDatabase(h.s, "Forum");
    OP_CLOSE(h.s, kOpOpen, {kBAT, kTIM});
    auto add_bat = [&](uint32_t id, uint32_t database, uint32_t mailbox, uint8_t mailmsg,
                       uint8_t forummsg, uint8_t newsmsg) {
        h.s.rec.BAT = BAT{};
        h.s.rec.BAT.ID = id;
        h.s.rec.BAT.DATABASE = database;
        h.s.rec.BAT.MAILBOX = mailbox;
        h.s.rec.BAT.MAILMSG = mailmsg;
        h.s.rec.BAT.FORUMMSG = forummsg;
        h.s.rec.BAT.NEWSGROUPMSG = newsmsg;
        ASSERT_TRUE(UppDat(h.s, kBAT, kAdd, kReport));
        h.s.rec.TIM = TIM{};
        h.s.rec.TIM.TASKID = 1;
        h.s.rec.TIM.BATCHID = id;
        ASSERT_TRUE(UppDat(h.s, kTIM, kAdd, kReport));
    };
    add_bat(10, 0, mail, 1, 0, 0);      // only mail into the removed database: goes
    add_bat(11, forum, mail, 1, 1, 0);  // keeps its forum messages
    add_bat(12, 0, mail, 1, 0, 1);      // keeps its newsgroup messages
    OP_CLOSE(h.s, kOpClose, {kBAT, kTIM});
    if (GetParam()) std::filesystem::remove_all(h.dir + "/F1");
    ASSERT_TRUE(RemoveDatabase(h.s, mail));
    EXPECT_EQ(h.s.mem.ForumNumber, 0u);
    EXPECT_FALSE(fs::exists(h.dir + "/F1"));
    OP_CLOSE(h.s, kOpOpen, {kBAT, kTIM});
    std::vector<BAT> left;
    Set(h.s, kBAT, 0);
    while (Next(h.s, kBAT)) left.push_back(h.s.rec.BAT);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].ID, 11u);
    EXPECT_EQ(left[0].MAILBOX, 0u);
    EXPECT_EQ(left[0].MAILMSG, 0);
    EXPECT_EQ(left[0].FORUMMSG, 1);
    EXPECT_EQ(left[1].ID, 12u);
    EXPECT_EQ(testing::record_count(h.s, kTIM), 2u);
    OP_CLOSE(h.s, kOpClose, {kBAT, kTIM});
    ASSERT_EQ(ListDatabases(h.s).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Directory, DatabaseRemoval, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Gone" : "There";
                         });

TEST_F(DatabaseList, MailDatabaseAddedFromALookupBecomesTheDefaultTarget) {
    uint32_t home = AddMailDatabase(h.s, {"Home", "me@example.org", {}}, true);
    ASSERT_NE(home, 0u);
    ASSERT_NE(AddMailDatabase(h.s, {"Work", "me@work.example", {}}), 0u);
    testing::TestSession next(h.dir, "CFG");
    int32_t target = 0;
    ASSERT_EQ(Konfig(next.s, 3, 19, &target), 1);
    EXPECT_EQ(target, static_cast<int32_t>(home));
}

TEST_F(DatabaseList, MailDatabaseNeedsNameAndAddress) {
    EXPECT_EQ(AddMailDatabase(h.s, {"", "me@example.org", {}}), 0u);
    EXPECT_EQ(AddMailDatabase(h.s, {"Home", "  ", {}}), 0u);
    EXPECT_EQ(h.dialog.beeps, 2);
    EXPECT_TRUE(ListDatabases(h.s).empty());
}

}  // namespace
}  // namespace qs
