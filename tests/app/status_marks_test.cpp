// SPDX-License-Identifier: MIT
#include "app/status_marks.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "storage/file_access.h"
#include "tests/storage/child_process.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using storetest::Child;

constexpr uint32_t kDb = 900, kMessage = 10, kThread = 500, kSection = 600, kMailId = 20,
                   kPartner = 7;

// One record of each kind that can carry a mark, in the order of `kFiles`.
constexpr std::array<int, 6> kFiles = {kMsgNmbr, kThreads, kSections, kMail, kPerson, kForums};

// Reads the record of `file` that the fixture made into its buffer; false when it is gone.
bool read(Session& s, int file) {
    Records& r = s.rec;
    r.MsgNmbr.MSGNUMBER = kMessage;
    r.Threads.THREADNUMBER = kThread;
    r.Sections.SECSYSID = kSection;
    r.Mail.MAILID = kMailId;
    r.Person.PERSONID = kPartner;
    r.Forums.ID = kDb;
    return Get(s, file, 0);
}

uint8_t mark_of(Session& s, int file) {
    EXPECT_TRUE(read(s, file)) << file;
    const Records& r = s.rec;
    switch (file) {
        case kMsgNmbr: return r.MsgNmbr.DUMMY;
        case kThreads: return r.Threads.DUMMY;
        case kSections: return r.Sections.DUMMY;
        case kMail: return r.Mail.DUMMY;
        case kPerson: return r.Person.DUMMY;
        default: return r.Forums.DUMMY;
    }
}

class Marks : public ::testing::Test {
protected:
    void SetUp() override {
        h.s.mem.ForumNumber = kDb;
        h.s.mem.ForumType = kForumDb;
        OP_CLOSE(h.s, kOpOpen, {kFiles.begin(), kFiles.end()});
        Records& r = h.s.rec;
        r.MsgNmbr = MsgNmbr{};
        r.MsgNmbr.MSGNUMBER = kMessage;
        r.MsgNmbr.SECSYSID = kSection;
        r.MsgNmbr.THREADNUMBER = kThread;
        r.Threads = Threads{};
        r.Threads.THREADNUMBER = kThread;
        r.Sections = Sections{};
        r.Sections.SECSYSID = kSection;
        r.Mail = Mail{};
        r.Mail.MAILID = kMailId;
        r.Mail.PAIRID = kPartner;
        r.Person = Person{};
        r.Person.PERSONID = kPartner;
        r.Forums = Forums{};
        r.Forums.ID = kDb;
        r.Forums.DESCRIPTION = "Photo";
        for (int f : kFiles) ASSERT_TRUE(UppDat(h.s, f, kAdd, kReport)) << f;
    }
    void TearDown() override { OP_CLOSE(h.s, kOpClose, {kFiles.begin(), kFiles.end()}); }

    // The marks of every record, in the order of kFiles.
    std::string marks() {
        std::string out;
        for (int f : kFiles) out += static_cast<char>('0' + mark_of(h.s, f));
        return out;
    }

    testing::TempHome h{"F1"};
};

struct TargetCase {
    const char* name;
    uint8_t db_type;
    MarkTarget target;
    uint32_t number;
    const char* marks;  // afterwards, in the order of kFiles
};
void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }

class MarkTargets : public Marks, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(MarkTargets, OnlyTheTargetRecordTakesTheMark) {
    const TargetCase& c = GetParam();
    h.s.mem.ForumType = c.db_type;
    EXPECT_EQ(SetStatus(h.s, c.target, c.number, kMarkKeep), MarkResult::Done);
    EXPECT_EQ(marks(), c.marks);
    EXPECT_EQ(h.s.mem.ForumCheck, c.target == MarkTarget::Database ? kMarkKeep : kMarkNormal);
    EXPECT_TRUE(h.dialog.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Targets, MarkTargets,
    ::testing::Values(TargetCase{"message", kForumDb, MarkTarget::Message, kMessage, "100000"},
                      TargetCase{"thread", kNewsDb, MarkTarget::Thread, kMessage, "010000"},
                      TargetCase{"section", kForumDb, MarkTarget::Section, kMessage, "001000"},
                      TargetCase{"mail", kMailDb, MarkTarget::Mail, kMailId, "000100"},
                      TargetCase{"partner", kMailDb, MarkTarget::Partner, kMailId, "000010"},
                      TargetCase{"database", kMailDb, MarkTarget::Database, 0, "000001"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Marks, TargetsThatDoNotSuitTheDatabaseOrAreMissingChangeNothing) {
    EXPECT_EQ(SetStatus(h.s, MarkTarget::Partner, kMailId, kMarkDelete), MarkResult::NoTarget);
    EXPECT_EQ(SetStatus(h.s, MarkTarget::Message, kMessage, 7), MarkResult::NoTarget);
    EXPECT_EQ(SetStatus(h.s, MarkTarget::Thread, 11, kMarkDelete), MarkResult::Failed);
    EXPECT_TRUE(h.dialog.saw("The record has been deleted by another user!"));
    h.s.mem.ForumType = kMailDb;
    ASSERT_TRUE(read(h.s, kMail));
    h.s.rec.Mail.PAIRID = 0;  // neither sent nor received by the owner: no partner
    ASSERT_TRUE(UppDat(h.s, kMail, kUpdate, kReport));
    EXPECT_EQ(SetStatus(h.s, MarkTarget::Partner, kMailId, kMarkDelete), MarkResult::NoTarget);
    EXPECT_EQ(marks(), "000000");
}

// Another process holds the record: the write is refused after the lock wait and told, and the
// mark (and the database's mark in memory) stay as they were; once released it goes through.
TEST_F(Marks, RecordHeldByAnotherProcessKeepsItsMark) {
    for (auto [target, file] : {std::pair{MarkTarget::Thread, int(kThreads)},
                                std::pair{MarkTarget::Database, int(kForums)}}) {
        SCOPED_TRACE(file);
        const std::string home = h.dir;
        Child holder([&](Child& c) {
            testing::TestSession t(home);
            OP_CLOSE(t.s, kOpOpen, {file});
            if (!read(t.s, file) || !HoldRec(t.s, file, 0, true, 0, 5)) return 1;
            c.send(1);
            uint32_t go = 0;
            c.receive(go);
            ReleaseRec(t.s, file);
            c.send(2);
            return 0;
        });
        uint32_t step = 0;
        ASSERT_TRUE(holder.receive(step)) << holder.wait();
        h.dialog.clear();
        EXPECT_EQ(SetStatus(h.s, target, kMessage, kMarkDelete, 0), MarkResult::Failed);
        ASSERT_EQ(h.dialog.entries.size(), 1u);
        EXPECT_EQ(h.dialog.entries[0].title, "The record is not accessible!");
        EXPECT_EQ(mark_of(h.s, file), kMarkNormal);
        EXPECT_EQ(h.s.mem.ForumCheck, kMarkNormal);
        holder.send(1);
        ASSERT_TRUE(holder.receive(step));
        EXPECT_EQ(SetStatus(h.s, target, kMessage, kMarkDelete, 0), MarkResult::Done);
        EXPECT_EQ(mark_of(h.s, file), kMarkDelete);
        EXPECT_EQ(holder.wait(), 0);
    }
    EXPECT_EQ(h.s.mem.ForumCheck, kMarkDelete);
}

}  // namespace
}  // namespace qs
