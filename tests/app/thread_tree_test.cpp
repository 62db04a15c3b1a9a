// SPDX-License-Identifier: MIT
#include "app/thread_tree.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "app/display_date.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

constexpr uint32_t kThread = 500;
constexpr uint32_t kAnn = 7;

class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        h.s.mem.ForumType = kForumDb;
        OP_CLOSE(h.s, kOpOpen, {kMsgNmbr, kPerson});
        Person& p = h.s.rec.Person;
        p = Person{};
        p.PERSONID = kAnn;
        p.PERSONSTRING = "ANN LEE ann@x";
        p.FIRSTNAME = "Ann";
        p.LASTNAME = "Lee";
        ASSERT_TRUE(UppDat(h.s, kPerson, kAdd, kReport));
        // Messages of the threads beside this one in key order, which the tree must not take.
        message(5, 0, 1);
        message(6, 0, 99999);
    }
    void TearDown() override { OP_CLOSE(h.s, kOpClose, {kMsgNmbr, kPerson}); }

    void message(uint32_t number, uint32_t ref, uint32_t thread = kThread, uint32_t from = kAnn) {
        MsgNmbr& m = h.s.rec.MsgNmbr;
        m = MsgNmbr{};
        m.MSGNUMBER = number;
        m.REFNUMBER = ref;
        m.THREADNUMBER = thread;
        m.THREADALPHA = "Lenses";
        m.FROMID = from;
        m.DATE = date_from_ymd(2001, 2, 3);
        ASSERT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kReport));
    }

    MsgNmbr header(uint32_t number) {
        h.s.rec.MsgNmbr = MsgNmbr{};
        h.s.rec.MsgNmbr.MSGNUMBER = number;
        EXPECT_TRUE(Get(h.s, kMsgNmbr, keys::MsgIdKey));
        return h.s.rec.MsgNmbr;
    }

    // The display list as "number/level", with "+" for a message that has replies.
    static std::string shape(const ThreadTree& t) {
        std::string out;
        for (const TreeLine& l : t.lines())
            out += (out.empty() ? "" : " ") + std::to_string(l.number) + "/" +
                   std::to_string(l.level) + (l.icon == 2 ? "+" : "");
        return out;
    }

    testing::TempHome h{"F1"};
};

struct ShapeCase {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> messages;  // number, reply-to
    const char* shape;
    int deepest;
};
void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class TreeShapes : public Tree, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(TreeShapes, EveryMessageOnceRootsAndRepliesInAscendingNumber) {
    for (const auto& [number, ref] : GetParam().messages) message(number, ref);
    ThreadTree tree(kSenderNumber, kYearMonthDay);
    ASSERT_TRUE(tree.load(h.s, header(GetParam().messages.front().first)));
    EXPECT_EQ(shape(tree), GetParam().shape);
    EXPECT_EQ(tree.deepest(), GetParam().deepest);
}

INSTANTIATE_TEST_SUITE_P(
    Threads, TreeShapes,
    ::testing::Values(
        ShapeCase{"replies_depth_first",
                  {{10, 0}, {11, 10}, {12, 10}, {13, 11}},
                  "10/1+ 11/2+ 13/3 12/2",
                  3},
        ShapeCase{"missing_parent_is_a_root", {{20, 5}, {21, 20}, {22, 7}}, "20/1+ 21/2 22/1", 2},
        ShapeCase{"reply_to_itself_is_a_root", {{30, 30}, {31, 30}}, "30/1+ 31/2", 2},
        ShapeCase{"two_roots_lower_first",
                  {{45, 41}, {43, 40}, {41, 0}, {40, 0}, {42, 40}},
                  "40/1+ 42/2 43/2 41/1+ 45/2",
                  2},
        ShapeCase{
            "chain_against_the_number_order", {{70, 71}, {71, 72}, {72, 0}}, "72/1+ 71/2+ 70/3", 3},
        ShapeCase{"cycle_of_two_ends", {{50, 51}, {51, 50}}, "50/1+ 51/2", 2},
        ShapeCase{"cycle_with_replies_beside_a_root",
                  {{60, 62}, {61, 60}, {62, 61}, {63, 61}, {64, 99}},
                  "60/1+ 61/2+ 62/3 63/3 64/1",
                  3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tree, ItemFormatsDatePreferencesAndSenderNames) {
    message(10, 0);
    message(11, 10, kThread, 12345);  // no such person
    struct Row {
        int format;
        int32_t date;
        const char* first;
        const char* second;
    } rows[] = {
        {kSenderName, kYearMonthDay, "Ann Lee", ""},
        {kSenderNumber, kYearMonthDay, "Ann Lee 10", "11"},
        {kSenderDate, kYearMonthDay, "Ann Lee 2001-02-03", "2001-02-03"},
        {kSenderNumberDate, kMonthDayYear, "Ann Lee 10 02-03-2001", "11 02-03-2001"},
        {kSenderDateNumber, kDayMonthYear, "Ann Lee 03-02-2001 10", "03-02-2001 11"},
        {9, kYearMonthDay, "Ann Lee", ""},
    };
    for (const Row& r : rows) {
        ThreadTree tree(r.format, r.date);
        ASSERT_TRUE(tree.load(h.s, header(10)));
        ASSERT_EQ(tree.lines().size(), 2u);
        EXPECT_EQ(tree.lines()[0].text, r.first) << r.format;
        EXPECT_EQ(tree.lines()[1].text, r.second) << r.format;
    }
    const char* was = getenv("LC_ALL");
    std::string saved = was ? was : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(display_date(date_from_ymd(2001, 2, 3), kSystemShortDate), "02/03/01");
    was ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
    EXPECT_EQ(display_date(0, kYearMonthDay), "");
    Person p;
    p.FIRSTNAME = "Maximiliana";
    p.LASTNAME = "Wolfeschlegelsteinhausenbergerdorff";  // a last name holds 25
    EXPECT_EQ(tree_sender_name(p), "Maximiliana Wolfeschlegelsteinhause");
    p.FIRSTNAME = "";
    EXPECT_EQ(tree_sender_name(p), "Wolfeschlegelsteinhausenb");
}

TEST_F(Tree, AnotherMessageOfTheSameThreadKeepsTheTree) {
    message(10, 0);
    message(11, 10);
    message(20, 0, kThread + 1);
    ThreadTree tree(kSenderNumber, kYearMonthDay);
    EXPECT_TRUE(tree.load(h.s, header(10)));
    message(12, 10);  // not seen until the thread is loaded again
    EXPECT_FALSE(tree.load(h.s, header(11)));
    EXPECT_EQ(shape(tree), "10/1+ 11/2");
    EXPECT_TRUE(tree.load(h.s, header(20)));
    EXPECT_EQ(shape(tree), "20/1");
    EXPECT_TRUE(tree.load(h.s, header(12)));
    EXPECT_EQ(shape(tree), "10/1+ 11/2 12/2");
}

}  // namespace
}  // namespace qs
