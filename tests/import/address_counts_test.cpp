// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "import/address.h"
#include "platform/fs.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

constexpr uint32_t kSmith = 7;

class PersonCount : public ::testing::Test {
protected:
    void SetUp() override {
        h.s.mem.Dirnamn = "F1";
        fs::make_dirs(h.dir + "/F1");
        OP_CLOSE(h.s, kOpOpen, {kMail, kMsgNmbr});
    }
    void TearDown() override { OP_CLOSE(h.s, kOpClose, {kMail, kMsgNmbr}); }

    // The person whose counts are checked; the alpha of the headers is the first ten
    // characters of this last name.
    void person(uint32_t from, uint32_t to) {
        h.s.rec.Person = Person{};
        h.s.rec.Person.PERSONID = kSmith;
        h.s.rec.Person.LASTNAME = "Smithsonian-Jones";
        h.s.rec.Person.FROMCOUNT = from;
        h.s.rec.Person.TOCOUNT = to;
    }

    struct Header {
        const char* from_alpha;
        uint32_t from_id;
        const char* to_alpha;
        uint32_t to_id;
    };
    // Two sent and one received by the person, among neighbours in key order.
    static constexpr Header kHeaders[] = {
        {"Smithsonia", kSmith, "Brown", 3},
        {"SMITHSONIA", kSmith, "Brown", 3},  // keys compare without case
        {"Brown", 3, "Smithsonia", kSmith},
        {"Smithsonia", kSmith + 1, "Smithsonia", kSmith + 1},
        {"Smithsonib", kSmith, "Smith", kSmith},
        {"Smithsoni", kSmith, "Smithson", kSmith},
    };

    // Mail and forum headers name their people in the same fields.
    template <class R>
    void add_headers(int file, uint32_t R::*id_field) {
        uint32_t id = 100;
        for (const Header& m : kHeaders) {
            R& r = buffer<R>(h.s, file);
            r = R{};
            r.*id_field = ++id;
            r.FROMALPHA = m.from_alpha;
            r.FROMID = m.from_id;
            r.TOALPHA = m.to_alpha;
            r.TOID = m.to_id;
            ASSERT_TRUE(UppDat(h.s, file, kAdd, kReport));
        }
    }

    testing::TempHome h;
};

struct CountCase {
    bool with_headers;
    uint8_t mode;
    uint32_t stored_from, stored_to;
    uint8_t result;
    uint32_t from, to;
};

// The owner is recounted with mode 1 and is kept without mail; anybody else (mode 0) goes.
const CountCase kMailCases[] = {
    {false, 1, 5, 3, 2, 0, 0}, {false, 1, 0, 0, 2, 0, 0}, {false, 0, 5, 3, 3, 5, 3},
    {false, 2, 5, 3, 0, 5, 3}, {true, 0, 2, 1, 0, 2, 1},  {true, 1, 2, 1, 0, 2, 1},
    {true, 0, 0, 0, 2, 2, 1},  {true, 1, 2, 9, 2, 2, 1},
};

TEST_F(PersonCount, MailCountsFollowTheFromAndToRuns) {
    for (bool with_headers : {false, true}) {
        if (with_headers) add_headers(kMail, &Mail::MAILID);
        for (const CountCase& c : kMailCases) {
            if (c.with_headers != with_headers) continue;
            person(c.stored_from, c.stored_to);
            EXPECT_EQ(CFromToMail(h.s, c.mode), c.result) << int(c.mode) << ' ' << c.stored_from;
            EXPECT_EQ(h.s.rec.Person.FROMCOUNT, c.from) << int(c.mode) << ' ' << c.stored_from;
            EXPECT_EQ(h.s.rec.Person.TOCOUNT, c.to) << int(c.mode) << ' ' << c.stored_from;
        }
    }
}

TEST_F(PersonCount, MessageCountsAnswerThreeWithoutMessages) {
    person(0, 0);
    EXPECT_EQ(CFromToMsg(h.s), 3);
    add_headers(kMsgNmbr, &MsgNmbr::MSGNUMBER);
    person(0, 0);
    EXPECT_EQ(CFromToMsg(h.s), 2);
    EXPECT_EQ(h.s.rec.Person.FROMCOUNT, 2u);
    EXPECT_EQ(h.s.rec.Person.TOCOUNT, 1u);
    EXPECT_EQ(CFromToMsg(h.s), 0);
    h.s.rec.Person.PERSONID = kSmith + 1;
    EXPECT_EQ(CFromToMsg(h.s), 2);
    EXPECT_EQ(h.s.rec.Person.FROMCOUNT, 1u);
    EXPECT_EQ(h.s.rec.Person.TOCOUNT, 1u);
}

}  // namespace
}  // namespace qs
