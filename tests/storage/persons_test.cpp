// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "storage/file_access.h"
#include "storage/persons.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

struct NameCase {
    const char* name;
    const char* last;
    const char* first;
};

TEST(Persons, ParseNameSplitsLastNameAndKeepsGenerationSuffixes) {
    const NameCase cases[] = {
        {"Smith", "Smith", ""},
        {"John Smith", "Smith", "John"},
        {"Mary Ann Jones", "Jones", "Mary Ann"},
        {"John Smith III", "Smith III", "John"},
        {"John Smith IV", "Smith IV", "John"},
        {"John Smith lll", "Smith lll", "John"},  // small l typed for capital I
        {"Smith III", "Smith III", ""},           // no first name before the suffix
        {"John Smith   ", "Smith", "John"},       // trailing blanks do not count
        {"A", "A", ""},
        {"", "", ""},
        {"Anne Vivaldi-Longlastnameofmanyletters", "Vivaldi-Longlastnameofman", "Anne"},
    };
    for (const auto& c : cases) {
        std::string last, first;
        ParseName(last, first, c.name);
        EXPECT_EQ(last, c.last) << c.name;
        EXPECT_EQ(first, c.first) << c.name;
    }
}

TEST(Persons, PersonStringIsUpperCasedNameBlankAddressCutTo100) {
    EXPECT_EQ(person_string("me@example.org", "John Smith  "), "JOHN SMITH ME@EXAMPLE.ORG");
    EXPECT_EQ(person_string("a", "élise"), "ÉLISE A");  // accented letters too
    EXPECT_EQ(person_string("b", "Strauß"), "STRAUSS B");
    EXPECT_EQ(person_string(std::string(80, 'x'), std::string(80, 'n')).size(), 100u);
}

class AddPersTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.s.mem.Dirnamn = "F1";
        fs::make_dirs(h.dir + "/F1");
        OP_CLOSE(h.s, kOpOpen, {kPerson, kPLINK, kControl});
    }
    uint32_t add(const char* address, const char* name) {
        EXPECT_EQ(AddPers(h.s, address, name), 0);
        return h.s.rec.Person.PERSONID;
    }
    testing::TempHome h;
};

TEST_F(AddPersTest, SameNameInOtherCaseOrWithBlanksIsOnePerson) {
    uint32_t a = add("john@example.org", "John Smith");
    EXPECT_EQ(add("JOHN@EXAMPLE.ORG", "john smith   "), a);
    EXPECT_NE(add("john@work.example", "John Smith"), a);  // another address, another person
    EXPECT_EQ(testing::record_count(h.s, kPerson), 2u);
    EXPECT_EQ(h.s.rec.Person.LASTNAME.str(), "Smith");
    EXPECT_EQ(h.s.rec.Person.FIRSTNAME.str(), "John");
    EXPECT_EQ(h.s.rec.Person.ADDRESS.str(), "john@work.example");
    EXPECT_EQ(h.s.rec.Person.FROMCOUNT, 0u);
}

TEST_F(AddPersTest, AliasLeadsToItsPersonAndDanglingAliasIsReplaced) {
    uint32_t a = add("john@example.org", "John Smith");
    h.s.rec.PLINK = PLINK{};
    h.s.rec.PLINK.PERSONSTRING = person_string("js@old.example", "J. Smith");
    h.s.rec.PLINK.PERSONID = a;
    ASSERT_TRUE(UppDat(h.s, kPLINK, kAdd, kReport));
    EXPECT_EQ(add("js@old.example", "J. Smith"), a);
    EXPECT_EQ(testing::record_count(h.s, kPerson), 1u);

    h.s.rec.PLINK = PLINK{};
    h.s.rec.PLINK.PERSONSTRING = person_string("gone@example.org", "Gone");
    h.s.rec.PLINK.PERSONID = 999999;  // nobody
    ASSERT_TRUE(UppDat(h.s, kPLINK, kAdd, kReport));
    uint32_t fresh = add("gone@example.org", "Gone");
    EXPECT_NE(fresh, 999999u);
    EXPECT_EQ(testing::record_count(h.s, kPerson), 2u);
    EXPECT_EQ(testing::record_count(h.s, kPLINK), 1u);  // the dangling alias went
    EXPECT_TRUE(h.dialog.entries.empty());
}

}  // namespace
}  // namespace qs
