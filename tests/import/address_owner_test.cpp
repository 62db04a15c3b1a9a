// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/startup.h"
#include "import/address.h"
#include "storage/database_list.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

class OwnerAddress : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartUp(h.s, h.dir).ok); }

    uint32_t add(const std::string& name, const std::vector<std::string>& alternatives) {
        uint32_t id = AddMailDatabase(h.s, {name, "Me@Example.ORG", alternatives});
        EXPECT_NE(id, 0u);
        return id;
    }

    testing::TempHome h;
};

TEST_F(OwnerAddress, LoadTakesTheDatabasesIdentityLowerCased) {
    const std::string long_name(45, 'n');
    uint32_t id = add(long_name, {"Me@Work.Example", "old@EXAMPLE.net"});
    h.s.rec.Forums = Forums{};
    h.s.rec.Forums.ID = 42;
    h.s.owner.last_name_cache = "Smith";
    CheckOwnAddress(h.s, id);
    const OwnerIdentity& o = h.s.owner;
    EXPECT_EQ(o.own[0], "me@example.org");
    EXPECT_EQ(o.own[1], "me@work.example");
    EXPECT_EQ(o.own[2], "old@example.net");
    EXPECT_EQ(o.own[10], "");
    EXPECT_EQ(o.name, std::string(40, 'n'));
    EXPECT_EQ(o.address, "Me@Example.ORG");
    EXPECT_EQ(o.last_name_cache, "");
    EXPECT_EQ(h.s.mem.PersonID, 250000);
    EXPECT_EQ(h.s.rec.Forums.ID, 42u);  // the caller's record is left alone
    EXPECT_EQ(h.s.slots[kForums].count, 0);
}

TEST_F(OwnerAddress, MissingDatabaseLeavesNoOwner) {
    CheckOwnAddress(h.s, add("Home", {"me@work.example"}));
    h.s.owner.last_name_cache = "Smith";
    CheckOwnAddress(h.s, 999999);
    for (const std::string& entry : h.s.owner.own) EXPECT_EQ(entry, "");
    EXPECT_EQ(h.s.owner.name, "");
    EXPECT_EQ(h.s.owner.address, "");
    EXPECT_EQ(h.s.owner.last_name_cache, "");
    EXPECT_EQ(h.s.mem.PersonID, 0);
    EXPECT_EQ(CheckOwnAddress(h.s, "me@example.org"), 1);
}

TEST_F(OwnerAddress, TestComparesLowerCasedWithTrailingBlanksIgnored) {
    CheckOwnAddress(h.s, add("Home", {"me@work.example"}));
    EXPECT_EQ(CheckOwnAddress(h.s, "ME@EXAMPLE.ORG   "), 0);
    EXPECT_EQ(CheckOwnAddress(h.s, "me@WORK.example"), 0);
    EXPECT_EQ(CheckOwnAddress(h.s, " me@example.org"), 1);
    EXPECT_EQ(CheckOwnAddress(h.s, "me@example.org.uk"), 1);
    EXPECT_EQ(CheckOwnAddress(h.s, "friend@example.org"), 1);
}

// An empty alternative is an entry like any other: a mail without a sender address counts as
// the owner's until all ten alternatives are filled.
TEST_F(OwnerAddress, BlankAddressIsTheOwnersWhileAnEntryIsBlank) {
    CheckOwnAddress(h.s, add("Home", {"me@work.example"}));
    EXPECT_EQ(CheckOwnAddress(h.s, ""), 0);
    EXPECT_EQ(CheckOwnAddress(h.s, "    "), 0);
    std::vector<std::string> all;
    for (int k = 0; k < 10; ++k) all.push_back("alt" + std::to_string(k) + "@example.org");
    CheckOwnAddress(h.s, add("Full", all));
    EXPECT_EQ(CheckOwnAddress(h.s, ""), 1);
    EXPECT_EQ(CheckOwnAddress(h.s, "ALT9@example.org"), 0);
}

struct DirectionCase {
    const char* sender;
    const char* receiver;
    uint8_t type;
    const char* sender_after;
    const char* receiver_after;
};

TEST_F(OwnerAddress, DirectionPutsTheDefaultAddressOnTheOwnersSide) {
    CheckOwnAddress(h.s, add("Home", {"Me@Work.Example"}));
    const DirectionCase cases[] = {
        // Sent from an alternative address: outgoing, from the default one.
        {"ME@work.example", "Friend@Example.COM", 2, "me@example.org", "friend@example.com"},
        {"me@example.org", "List@Example.NET", 2, "me@example.org", "list@example.net"},
        // From anybody else: incoming, to the default address whoever it was sent to.
        {"Friend@Example.COM", "me@work.example", 1, "friend@example.com", "me@example.org"},
        {"Friend@Example.COM", "List@Example.NET", 1, "friend@example.com", "me@example.org"},
        {"ÉLISE@Example.FR", "x@y.example", 1, "élise@example.fr", "me@example.org"},
        // No sender address: the owner's while an alternative is empty.
        {"", "Friend@Example.COM", 2, "me@example.org", "friend@example.com"},
    };
    for (const auto& c : cases) {
        std::string sender = c.sender, receiver = c.receiver;
        EXPECT_EQ(CheckOwnAddress(h.s, sender, receiver), c.type) << c.sender;
        EXPECT_EQ(sender, c.sender_after) << c.sender;
        EXPECT_EQ(receiver, c.receiver_after) << c.sender;
    }
}

}  // namespace
}  // namespace qs
