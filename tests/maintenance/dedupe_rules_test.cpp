// SPDX-License-Identifier: MIT
// Which persons become one: the groups by address, the survivor of each group, and the
// correction of badly formed CompuServe addresses.
#include <gtest/gtest.h>

#include <map>

#include "maintenance/dedupe_plan.h"
#include "storage/files.h"

namespace qs {
namespace {

struct Member {
    uint32_t id;
    const char* address;
    const char* last;
    uint32_t sent;
    int32_t latest;
};

// merged person -> survivor
std::map<uint32_t, uint32_t> survivors(const std::vector<Member>& members, uint32_t owner = 0) {
    std::vector<GroupMember> in;
    for (const Member& m : members)
        in.push_back({m.address, {}, m.id, m.last, m.last, m.sent, m.latest});
    std::map<uint32_t, uint32_t> out;
    for (const MergeEntry& e : ChooseSurvivors(GroupList(in), owner)) out[e.id] = e.survivor;
    return out;
}

TEST(SurvivorRules, OnePersonStaysPerAddress) {
    struct Case {
        const char* name;
        std::vector<Member> members;
        uint32_t owner;
        std::map<uint32_t, uint32_t> merged;
    } cases[] = {
        {"addresses that differ in case are one; the newer sender with a last name stays",
         {{1, "bob@example.org", "Smith", 3, 100}, {2, "BOB@Example.ORG", "Smith", 1, 200}},
         0,
         {{1, 2}}},
        {"the older sender stays when the newer has no last name",
         {{1, "bob@x.org", "Smith", 3, 100}, {2, "bob@x.org", "", 1, 200}},
         0,
         {{2, 1}}},
        {"a survivor without a last name gives way even to an older sender",
         {{1, "bob@x.org", "", 3, 300}, {2, "bob@x.org", "Smith", 1, 200}},
         0,
         {{1, 2}}},
        {"a member that sent nothing never stays while another sent something",
         {{1, "bob@x.org", "Smith", 0, 0},
          {2, "bob@x.org", "", 1, 5},
          {3, "bob@x.org", "Ray", 0, 0}},
         0,
         {{1, 2}, {3, 2}}},
        {"a group where nobody sent anything is left alone",
         {{1, "bob@x.org", "Smith", 0, 0}, {2, "bob@x.org", "Ray", 0, 0}},
         0,
         {}},
        {"unique addresses and empty ones are never merged",
         {{1, "ann@x.org", "Lee", 1, 1},
          {2, "bob@x.org", "Ray", 1, 1},
          {3, "", "A", 1, 1},
          {4, "", "B", 2, 2}},
         0,
         {}},
        {"the owner stays, whatever it sent, and takes in its address's others",
         {{1, "me@x.org", "Me", 0, 0},
          {2, "ME@x.org", "Myself", 9, 900},
          {5, "bob@x.org", "B", 1, 1}},
         1,
         {{2, 1}}},
        {"groups are independent",
         {{1, "a@x", "A", 1, 1},
          {2, "b@x", "B", 1, 1},
          {3, "A@X", "A", 1, 2},
          {4, "B@X", "B", 1, 0}},
         0,
         {{1, 3}, {4, 2}}},
    };
    for (const auto& c : cases) EXPECT_EQ(survivors(c.members, c.owner), c.merged) << c.name;
}

Person person(const char* string, const char* address, const char* last, const char* first) {
    Person p;
    p.PERSONID = 7;
    p.PERSONSTRING = string;
    p.ADDRESS = address;
    p.LASTNAME = last;
    p.FIRSTNAME = first;
    return p;
}

TEST(CompuServeAddresses, BadlyFormedOnesAreCorrected) {
    struct Case {
        const char* name;
        uint8_t type;
        Person p;
        const char* address;  // nullptr: unchanged
        const char* last;
        const char* first;
    } cases[] = {
        {"a user number at the CompuServe domain", kMailDb,
         person("JOE 12345.678@COMPUSERVE.COM", "12345.678@compuserve.com", "Joe", ""), "12345,678",
         "Joe", ""},
        {"a blank after the point goes", kForumDb,
         person("JOE 12345. 678@CSI.COM", "12345. 678@csi.com", "Joe", ""), "12345,678", "Joe", ""},
        {"another domain is left alone", kMailDb,
         person("JOE 12345.678@EXAMPLE.COM", "12345.678@example.com", "Joe", ""), nullptr, "", ""},
        {"a forum member without address gets the number of its string, keeping its letters",
         kForumDb, person("JOHN SMITH 12345,678", "", "Smith", "John"), "12345,678", "Smith",
         "John"},
        {"a forum member known by name alone stays as it is", kForumDb,
         person("JOHN SMITH ", "", "Smith", "John"), nullptr, "", ""},
        {"a mail partner known by name alone does not take its last name as address", kMailDb,
         person("JOHN SMITH ", "", "Smith", "John"), nullptr, "", ""},
        {"a mail partner without address gets the address in its string", kMailDb,
         person("JANE DOE JANE@EXAMPLE.ORG ", "", "Doe jane@example.org", "Jane"),
         "JANE@EXAMPLE.ORG", "DOE", "JANE"},
        {"through the CompuServe gateway", kMailDb,
         person("JOE BLOGGS CSINET:12345.678@COMPUSERVE.COM", "CSINET:12345.678@compuserve.com",
                "Bloggs", "Joe"),
         "12345.678", "Bloggs", "Joe"},
        {"the DOS vertical line between name and number", kMailDb,
         person("ANN LEE\u250212345,678", "LEE\u250212345,678", "Ann", ""), "12345,678", "LEE",
         "ANN"},
        {"a forum member with an address keeps it", kForumDb,
         person("ANN LEE 777,1", "777,1", "Lee", "Ann"), nullptr, "", ""},
    };
    for (const auto& c : cases) {
        auto r = CorrectCISAddress(c.type, c.p);
        if (!c.address) {
            EXPECT_FALSE(r) << c.name << ": " << r->address;
            continue;
        }
        ASSERT_TRUE(r) << c.name;
        EXPECT_EQ(r->address, c.address) << c.name;
        EXPECT_EQ(r->last, c.last) << c.name;
        EXPECT_EQ(r->first, c.first) << c.name;
        // Corrected once, a person is never corrected again: a new run finds nothing to do.
        Person again = c.p;
        again.ADDRESS = r->address;
        again.LASTNAME = r->last;
        again.FIRSTNAME = r->first;
        EXPECT_FALSE(CorrectCISAddress(c.type, again)) << c.name << " corrected twice";
    }
}

}  // namespace
}  // namespace qs
