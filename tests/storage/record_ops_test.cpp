// SPDX-License-Identifier: MIT
// Record operations and the small services: refused adds in both reporting modes, the form save
// protocol against another user's change, identifiers from a fresh Control file, long texts,
// stopwatches and the disk space check.
#include <gtest/gtest.h>

#include "platform/vfs.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using testing::HomeDir;
using testing::TestSession;

void set_person(Session& s, uint32_t id, const std::string& string, const std::string& last) {
    s.rec.Person = Person{};
    s.rec.Person.PERSONID = id;
    s.rec.Person.PERSONSTRING = string;
    s.rec.Person.LASTNAME = last;
}

struct RefusedAddCase {
    const char* name;
    int mode;
    const char* text;  // "" when nothing is reported
    bool transaction_survives;
};

TEST(UppDat, DuplicateAddIsReportedAsItsModeSays) {
    const RefusedAddCase cases[] = {
        {"mode 7 reports", kReport,
         "Record add error!\r\nA record with identical key already exists!", true},
        {"mode 8 rolls back and reports", kRollback,
         "Record add error!\r\nA record with identical key already exists!\r\n"
         "The last transaction is rolled back.",
         false},
        {"other modes stay silent", 0, "", true},
    };
    for (const RefusedAddCase& c : cases) {
        SCOPED_TRACE(c.name);
        HomeDir home;
        TestSession t(home.dir);
        Session& s = t.s;
        OP_CLOSE(s, kOpOpen, {kPerson, kMsgText});
        set_person(s, 1, "first@example.org", "First");
        ASSERT_TRUE(UppDat(s, kPerson, kAdd, kReport));
        ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kPerson, kMsgText})));
        s.rec.MsgText = MsgText{};
        s.rec.MsgText.MSGNUMBER = 77;
        ASSERT_TRUE(UppDat(s, kMsgText, kAdd, c.mode));
        set_person(s, 2, "FIRST@example.org", "Second");
        EXPECT_FALSE(UppDat(s, kPerson, kAdd, c.mode));
        if (*c.text) {
            ASSERT_EQ(t.dialog.entries.size(), 1u);
            EXPECT_EQ(t.dialog.entries[0].title, full_name(s, kPerson));
            EXPECT_EQ(t.dialog.entries[0].text, c.text);
        } else {
            EXPECT_TRUE(t.dialog.entries.empty());
        }
        EXPECT_EQ(s.engine.in_transaction(), c.transaction_survives);
        if (s.engine.in_transaction()) {
            EXPECT_TRUE(Commit(s));
        }
        s.rec.MsgText.MSGNUMBER = 77;
        EXPECT_EQ(Get(s, kMsgText, keys::TxtIdKey), c.transaction_survives);
        EXPECT_EQ(testing::record_count(s, kPerson), 1u);
    }
}

TEST(UppDat, QuietSessionsRollBackWithoutAWord) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    s.mem.DoTask = 6;
    OP_CLOSE(s, kOpOpen, {kPerson, kMsgText});
    set_person(s, 1, "one", "One");
    ASSERT_TRUE(UppDat(s, kPerson, kAdd, kReport));
    ASSERT_FALSE(TransactionCheck(s, BeginTransaction(s, {kPerson, kMsgText})));
    s.rec.MsgText.MSGNUMBER = 5;
    ASSERT_TRUE(UppDat(s, kMsgText, kAdd, kRollback));
    EXPECT_FALSE(UppDat(s, kPerson, kAdd, kRollback));
    EXPECT_FALSE(s.engine.in_transaction());
    EXPECT_TRUE(t.dialog.entries.empty());
    EXPECT_EQ(testing::record_count(s, kMsgText), 0u);
}

TEST(SaveRec, ChangeByAnotherUserIsShownInsteadOfWritten) {
    HomeDir home;
    TestSession me(home.dir), other(home.dir);
    OP_CLOSE(me.s, kOpOpen, {kPerson});
    OP_CLOSE(other.s, kOpOpen, {kPerson});
    set_person(me.s, 1, "p@example.org", "Original");
    ASSERT_TRUE(UppDat(me.s, kPerson, kAdd, kReport));
    ASSERT_TRUE(Get(me.s, kPerson, keys::PersonKey));
    SaveRec form(me.s, kPerson);
    form.edit<Person>().LASTNAME = "Mine";

    other.s.rec.Person.PERSONID = 1;
    ASSERT_EQ(HoldRec(other.s, kPerson, keys::PersonKey, true, 0, 5), 1);
    other.s.rec.Person.LASTNAME = "Theirs";
    ASSERT_TRUE(UppDat(other.s, kPerson, kUpdate, kReport));

    EXPECT_EQ(form.save(kUpdate), "");
    ASSERT_EQ(me.dialog.entries.size(), 1u);
    EXPECT_EQ(me.dialog.entries[0].title, "Warning!");
    EXPECT_EQ(me.dialog.entries[0].text,
              "The record has just been changed by another user!\r\nTry again!");
    EXPECT_EQ(form.edit<Person>().LASTNAME.str(), "Theirs") << "the form shows the current record";
    EXPECT_FALSE(handle(me.s, kPerson).holding());
    other.s.rec.Person.PERSONID = 1;
    ASSERT_TRUE(Get(other.s, kPerson, keys::PersonKey));
    EXPECT_EQ(other.s.rec.Person.LASTNAME.str(), "Theirs") << "nothing was written";

    // Edited again from the current record, the save goes through.
    form.edit<Person>().LASTNAME = "Mine";
    EXPECT_EQ(form.save(kUpdate), "OK");
    ASSERT_TRUE(Get(other.s, kPerson, keys::PersonKey));
    EXPECT_EQ(other.s.rec.Person.LASTNAME.str(), "Mine");
    EXPECT_EQ(me.dialog.entries.size(), 1u);
    EXPECT_FALSE(handle(me.s, kPerson).holding());
}

TEST(SaveRec, DeleteOfAnUnchangedRecordGoesThrough) {
    HomeDir home;
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kPerson});
    set_person(t.s, 1, "p@example.org", "Original");
    ASSERT_TRUE(UppDat(t.s, kPerson, kAdd, kReport));
    SaveRec form(t.s, kPerson);
    EXPECT_EQ(form.save(kDelete), "OK");
    EXPECT_EQ(testing::record_count(t.s, kPerson), 0u);
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(NextNr, FreshControlFileStartsAtOne) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kControl});
    EXPECT_EQ(NextNr(s), 1u);
    s.rec.Control = Control{};
    s.rec.Control.ID = 1;
    ASSERT_TRUE(Get(s, kControl, keys::CtlIdKey));
    EXPECT_EQ(s.rec.Control.NEXTNUMBER, 2u);
    EXPECT_EQ(NextNr(s), 2u);
    EXPECT_EQ(testing::record_count(s, kControl), 1u);
    EXPECT_FALSE(handle(s, kControl).holding());
    EXPECT_TRUE(t.dialog.entries.empty());
}

TEST(NextNr, KeepsTheSettingsOfRecordOne) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    OP_CLOSE(s, kOpOpen, {kControl});
    s.rec.Control.ID = 1;
    s.rec.Control.NEXTNUMBER = 250000;
    s.rec.Control.CTLGROUP.bytes.fill(0x5A);
    ASSERT_TRUE(UppDat(s, kControl, kAdd, kReport));
    s.rec.Control = Control{};
    EXPECT_EQ(NextNr(s), 250000u);
    s.rec.Control = Control{};
    s.rec.Control.ID = 1;
    ASSERT_TRUE(Get(s, kControl, keys::CtlIdKey));
    EXPECT_EQ(s.rec.Control.NEXTNUMBER, 250001u);
    EXPECT_EQ(s.rec.Control.CTLGROUP.bytes[199], 0x5A);
}

TEST(MsgText, LongTextWithEveryByteValueRoundTrips) {
    HomeDir home;
    std::string text(kMaxMemo, '\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(1 + (i * 7) % 255);
    {
        TestSession t(home.dir);
        OP_CLOSE(t.s, kOpOpen, {kMsgText});
        t.s.rec.MsgText.MSGNUMBER = 9;
        t.s.rec.MsgText.MSGTEXT.text = text;
        ASSERT_TRUE(UppDat(t.s, kMsgText, kAdd, kReport));
    }
    TestSession t(home.dir);
    OP_CLOSE(t.s, kOpOpen, {kMsgText});
    t.s.rec.MsgText = MsgText{};
    t.s.rec.MsgText.MSGNUMBER = 9;
    ASSERT_TRUE(Get(t.s, kMsgText, keys::TxtIdKey));
    ASSERT_EQ(t.s.rec.MsgText.MSGTEXT.text.size(), kMaxMemo);
    EXPECT_TRUE(t.s.rec.MsgText.MSGTEXT.text == text);
    // Text ending in blanks keeps them: the long text is not a padded field.
    t.s.rec.MsgText.MSGTEXT.text = "ends in blanks   ";
    ASSERT_TRUE(UppDat(t.s, kMsgText, kUpdate, kReport));
    ASSERT_TRUE(Get(t.s, kMsgText, keys::TxtIdKey));
    EXPECT_EQ(t.s.rec.MsgText.MSGTEXT.text, "ends in blanks   ");
}

struct WatchCase {
    const char* name;
    int32_t start_day, start_time, stop_day, stop_time;
    int64_t seconds;
};

TEST(StartStop, CountsWholeSecondsAcrossMidnights) {
    const WatchCase cases[] = {
        {"same day", 80000, time_from_hms(10, 0, 0), 80000, time_from_hms(10, 1, 30, 99), 90},
        {"across midnight", 80000, time_from_hms(23, 59, 0), 80001, time_from_hms(0, 1, 0), 120},
        {"two midnights", 80000, time_from_hms(23, 0, 0), 80002, time_from_hms(1, 0, 0), 93600},
    };
    HomeDir home;
    TestSession t(home.dir);
    for (const WatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        t.clock.set(c.start_day, c.start_time);
        StartStop(t.s, 1, 3);
        t.clock.set(c.stop_day, c.stop_time);
        EXPECT_EQ(StartStop(t.s, 2, 3), c.seconds);
    }
    StartStop(t.s, 0, 0);
    EXPECT_EQ(t.s.stopwatches[3].start_date, 0);
}

TEST(CheckSpace, AsksUnlessRunningAsATask) {
    HomeDir home;
    TestSession t(home.dir);
    Session& s = t.s;
    s.mem.FileDir = home.dir;
    const uint64_t huge = uint64_t{1} << 60;
    uint64_t free = fs::free_space(home.dir).value_or(0);
    ASSERT_GT(free, 0u);

    s.mem.DoTask = 2;
    uint64_t r = CheckSpace(s, huge, home.dir);
    EXPECT_GT(r, 0u);
    EXPECT_TRUE(t.dialog.entries.empty());

    s.mem.DoTask = 6;
    t.dialog.script({false, true});
    EXPECT_GT(CheckSpace(s, huge, home.dir), 0u) << "Cancel aborts";
    EXPECT_EQ(CheckSpace(s, huge, home.dir), 0u) << "OK goes on";
    ASSERT_EQ(t.dialog.entries.size(), 2u);
    EXPECT_EQ(t.dialog.entries[0].title, "Warning");
    EXPECT_TRUE(t.dialog.entries[0].question);
    EXPECT_TRUE(t.dialog.entries[0].text.starts_with("You have only "));
    EXPECT_NE(t.dialog.entries[0].text.find(" bytes free on disk "), std::string::npos);
    EXPECT_EQ(t.dialog.beeps, 2);

    EXPECT_EQ(CheckSpace(s, 1, home.dir), 0u) << "enough space asks nothing";
    EXPECT_EQ(t.dialog.entries.size(), 2u);
}

// A disk that fails reads: a count or a walk along a key must not read as an empty file. The
// failure is told, counted in the session (so the command line can exit 1), and the index
// status does not say "No indexing needed!".
TEST(StoreRead, FailedReadsAreToldAndCountedNotTakenForAnEmptyFile) {
    HomeDir home;
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    {
        TestSession t(home.dir);
        Session& s = t.s;
        OP_CLOSE(s, kOpOpen, {kPerson});
        for (uint32_t id = 1; id <= 3; ++id) {
            set_person(s, id, "P" + std::to_string(id), "Last");
            ASSERT_TRUE(UppDat(s, kPerson, kAdd, kReport));
        }
        fault.fail_reads(true);
        uint64_t n = 99;
        EXPECT_FALSE(RecordCount(s, kPerson, n));
        Set(s, kPerson, keys::PersonKey);
        EXPECT_FALSE(Next(s, kPerson));
        EXPECT_EQ(s.read_failures, 2u);
        EXPECT_TRUE(t.dialog.saw("Record read error!"));
        fault.fail_reads(false);
        ASSERT_TRUE(RecordCount(s, kPerson, n));
        EXPECT_EQ(n, 3u);
        OP_CLOSE(s, kOpClose, {kPerson});
    }
    vfs::set_base(nullptr);
}

}  // namespace
}  // namespace qs
