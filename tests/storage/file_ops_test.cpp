// SPDX-License-Identifier: MIT
// OP_CLOSE on sound files: open counts shared by all callers of a session, forced close,
// emptying, compacting and removing, and the halt for file numbers that name no file.
#include <gtest/gtest.h>

#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

void add_persons(Session& s, uint32_t first, uint32_t last) {
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kPerson})));
    for (uint32_t i = first; i <= last; ++i) {
        s.rec.Person = Person{};
        s.rec.Person.PERSONID = i;
        s.rec.Person.PERSONSTRING = "person " + std::to_string(i);
        s.rec.Person.ADDRESS = std::string(60, 'a');
        ASSERT_TRUE(UppDat(s, kPerson, kAdd, kRollback));
    }
    ASSERT_TRUE(Commit(s));
}

const Session::Slot& slot(const Session& s, int file) { return s.slots[static_cast<size_t>(file)]; }

TEST(FileOps, OpenCountsKeepAFileOpenUntilItsLastClose) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kPerson});
    store::File* first = slot(s, kPerson).file.get();
    OP_CLOSE(s, kOpOpen, {kPerson});
    EXPECT_EQ(slot(s, kPerson).file.get(), first) << "a second open shares the open file";
    EXPECT_EQ(slot(s, kPerson).count, 2);
    OP_CLOSE(s, kOpClose, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 1);
    ASSERT_TRUE(slot(s, kPerson).file);
    add_persons(s, 1, 1);  // still usable by the caller that keeps it open
    OP_CLOSE(s, kOpClose, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 0);
    EXPECT_FALSE(slot(s, kPerson).file);
    OP_CLOSE(s, kOpClose, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 0) << "closing a closed file leaves the count at 0";

    OP_CLOSE(s, kOpOpen, {kPerson, kMsgText});
    OP_CLOSE(s, kOpOpen, {kPerson});
    OP_CLOSE(s, kOpForceClose, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 0);
    EXPECT_FALSE(slot(s, kPerson).file);
    EXPECT_EQ(slot(s, kMsgText).count, 1) << "only the files named are closed";
    OP_CLOSE(s, kOpOpen, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 1) << "a forced close starts counting afresh";
    EXPECT_EQ(testing::record_count(s, kPerson), 1u);
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(FileOps, EmptyRemovesEveryRecordAndClosesTheFile) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kPerson});
    OP_CLOSE(s, kOpOpen, {kPerson});
    add_persons(s, 1, 50);
    OP_CLOSE(s, kOpEmpty, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 0);
    EXPECT_FALSE(slot(s, kPerson).file);
    EXPECT_TRUE(fs::exists(full_name(s, kPerson)));
    OP_CLOSE(s, kOpOpen, {kPerson});
    EXPECT_EQ(testing::record_count(s, kPerson), 0u);
    add_persons(s, 1, 2);  // the keys of emptied records are free again
    EXPECT_EQ(testing::record_count(s, kPerson), 2u);
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(FileOps, CompactKeepsTheRecordsAndGivesBackSpace) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kPerson});
    add_persons(s, 1, 3000);
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kPerson})));
    for (uint32_t i = 1; i <= 3000; ++i) {
        if (i % 20 == 0) continue;
        s.rec.Person.PERSONID = i;
        ASSERT_TRUE(Get(s, kPerson, keys::PersonKey));
        ASSERT_TRUE(UppDat(s, kPerson, kDelete, kRollback));
    }
    ASSERT_TRUE(Commit(s));
    std::string path = full_name(s, kPerson);
    uint64_t before = fs::file_size(path).value_or(0);
    OP_CLOSE(s, kOpCompact, {kPerson});
    EXPECT_EQ(slot(s, kPerson).count, 0);
    uint64_t after = fs::file_size(path).value_or(0);
    EXPECT_LT(after * 4, before) << before << " -> " << after;
    OP_CLOSE(s, kOpOpen, {kPerson});
    EXPECT_EQ(testing::record_count(s, kPerson), 150u);
    s.rec.Person.PERSONSTRING = "PERSON 2000";
    ASSERT_TRUE(Get(s, kPerson, keys::StringKey));
    EXPECT_EQ(s.rec.Person.PERSONID, 2000u);
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(FileOps, RemoveDeletesTheFileFromTheDisk) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kPerson, kForums});
    OP_CLOSE(s, kOpOpen, {kPerson});
    add_persons(s, 1, 5);
    std::string path = full_name(s, kPerson);
    OP_CLOSE(s, kOpRemove, {kPerson, kSearch});  // Search was never made: nothing to remove
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path + "-journal"));
    EXPECT_EQ(slot(s, kPerson).count, 0);
    EXPECT_TRUE(slot(s, kForums).file);
    OP_CLOSE(s, kOpOpen, {kPerson});
    EXPECT_EQ(testing::record_count(s, kPerson), 0u) << "opening makes the file anew";
    EXPECT_TRUE(t.dialog.entries.empty());
}

std::string centred(const std::string& line) {
    return std::string((40 - line.size()) / 2, ' ') + line;
}

TEST(FileOps, UndefinedFileNumbersStopTheProgram) {
    HomeDir home;
    for (int number : {14, 15, 16, 36, 37, 38, 0, kMaxFileNo + 1}) {
        for (int operation = kOpClose; operation <= kOpProbe; ++operation) {
            SCOPED_TRACE("file " + std::to_string(number) + " op " + std::to_string(operation));
            TestSession t(home.dir);
            EXPECT_THROW(OP_CLOSE(t.s, operation, {kPerson, number}), Halt);
            ASSERT_EQ(t.dialog.entries.size(), 1u);
            EXPECT_EQ(t.dialog.entries[0].title, "Program Failure!");
            std::string text = t.dialog.entries[0].text;
            size_t cut = text.find("\r\n");
            ASSERT_NE(cut, std::string::npos);
            EXPECT_EQ(trim_right(text.substr(0, cut)),
                      centred("File no " + std::to_string(number) + " not defined!"));
            EXPECT_EQ(trim_right(text.substr(cut + 2)), centred("Quillstow will terminate!"));
        }
    }
}

TEST(FileOps, OperationsBeyondTheProbeAreIgnored) {
    HomeDir home;
    TestSession t(home.dir);
    EXPECT_EQ(OP_CLOSE(t.s, 8, {14, kPerson}), 1);
    EXPECT_EQ(OP_CLOSE(t.s, 12, {kPerson}), 1);
    EXPECT_FALSE(fs::exists(full_name(t.s, kPerson)));
    EXPECT_TRUE(t.dialog.entries.empty());
}

}  // namespace
}  // namespace qs
