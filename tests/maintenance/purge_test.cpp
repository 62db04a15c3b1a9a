// SPDX-License-Identifier: MIT
// What a purge deletes and what it must keep, in forum and mail databases, and that the word
// index, persons and counts follow.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/maintenance/purge_home.h"

namespace qs {
namespace {

using maint::PurgeRequest;

class PurgeTest : public testing::PurgeHome {
protected:
    static std::string in_section(std::string line, int section) {
        // The third field is the section number.
        const size_t a = line.find('\t', line.find('\t') + 1);
        return line.replace(a + 1, 1, std::to_string(section));
    }

    uint32_t forum_with_threads() {
        return import_forum({
            post(101, 0, "Kept inside", "alice", "2019-06-01", "common alpha"),
            post(102, 101, "Kept inside", "bob", "2019-06-02", "common alpha"),
            post(201, 0, "Late reply", "alice", "2019-01-01", "common"),
            post(202, 201, "Late reply", "bob", "2020-05-12", "common"),
            post(301, 0, "All old", "carl", "2019-01-01", "zebra common"),
            post(302, 301, "All old", "carl", "2019-02-01", "zebra common"),
            post(401, 0, "Old but kept", "alice", "2019-01-01", "common"),
            post(501, 0, "Recent", "alice", "2020-05-30", "common"),
            post(502, 501, "Recent", "bob", "2020-05-31", "common"),
            in_section(post(601, 0, "Old section", "dora", "2020-05-30", "common"), 4),
            in_section(post(701, 0, "Old section kept", "alice", "2020-05-30", "common"), 4),
        });
    }

    int32_t word_count(uint32_t db, const char* word) {
        for (const WordList& w : all<WordList>(db, kWordList))
            if (w.THEWORD.trimmed() == word) return w.WORDCOUNT;
        return 0;
    }
};

TEST_F(PurgeTest, ForumPurgeDeletesWhatIsMarkedOrAgedAndKeepsWhatIsKept) {
    const uint32_t db = forum_with_threads();
    ASSERT_NE(db, 0u);
    index(db);
    mark(db, MarkTarget::Thread, 101, kMarkDelete);
    mark(db, MarkTarget::Message, 102, kMarkKeep);
    mark(db, MarkTarget::Thread, 401, kMarkKeep);
    mark(db, MarkTarget::Message, 502, kMarkDelete);
    mark(db, MarkTarget::Section, 601, kMarkDelete);
    mark(db, MarkTarget::Thread, 701, kMarkKeep);
    std::map<uint32_t, uint32_t> thread;
    for (uint32_t m : {101, 201, 301, 401, 501, 601, 701}) thread[m] = thread_of(db, m);

    PurgeRequest rq;
    rq.ageing = true;
    rq.weeks = 4;
    const maint::PurgeOutcome out = purge(db, rq);

    struct Case {
        const char* what;
        uint32_t message;
        bool stays;
        bool thread_stays;
    } cases[] = {
        {"a message of a thread marked delete", 101, false, true},
        {"a kept message in a thread marked delete, which keeps the thread", 102, true, true},
        {"the old start of a thread whose newest message is 20 days old", 201, true, true},
        {"that newest message", 202, true, true},
        {"a thread all older than 4 weeks", 301, false, false},
        {"its reply", 302, false, false},
        {"an old thread marked keep never ages", 401, true, true},
        {"a recent message", 501, true, true},
        {"a message marked delete", 502, false, true},
        {"a thread of a section marked delete", 601, false, false},
        {"a kept thread of that section", 701, true, true},
    };
    const std::set<uint32_t> left = messages(db);
    const std::set<uint32_t> threads_left = threads(db);
    for (const Case& c : cases) {
        EXPECT_EQ(left.count(c.message) == 1, c.stays) << c.what;
        const uint32_t t =
            thread_of(db, c.message) ? thread_of(db, c.message) : thread[c.message / 100 * 100 + 1];
        EXPECT_EQ(threads_left.count(t) == 1, c.thread_stays) << c.what;
    }
    EXPECT_EQ(out.aged, 1u);
    EXPECT_EQ(out.deleted, (std::vector<uint32_t>{101, 301, 302, 502, 601}));

    // The texts went with their headers; the word only the deleted messages had left the word
    // list, and the words they shared count the messages left.
    EXPECT_EQ(all<MsgText>(db, kMsgText).size(), left.size());
    EXPECT_EQ(word_count(db, "ZEBRA"), 0);
    EXPECT_EQ(word_count(db, "ALPHA"), 1);
    EXPECT_EQ(word_count(db, "COMMON"), static_cast<int32_t>(left.size()));
    ASSERT_TRUE(MakeCurrent(h.s, db));
    for (const auto& [sysid, word] : testing::index_entries(h.s))
        EXPECT_TRUE(left.count(sysid)) << sysid;
    // carl and dora wrote only what went: they went with it.
    std::set<std::string> persons;
    for (const Person& p : all<Person>(db, kPerson))
        persons.insert(std::string(p.LASTNAME.trimmed()));
    EXPECT_EQ(persons, (std::set<std::string>{"All", "alice", "bob"}));
    EXPECT_TRUE(check(db).empty());
}

TEST_F(PurgeTest, ADryRunListsExactlyWhatThePurgeThenDeletes) {
    const uint32_t forum = forum_with_threads();
    mark(forum, MarkTarget::Thread, 101, kMarkDelete);
    mark(forum, MarkTarget::Message, 102, kMarkKeep);
    mark(forum, MarkTarget::Message, 502, kMarkDelete);
    mark(forum, MarkTarget::Section, 601, kMarkDelete);
    run(settings(write({
        testing::mail("Same", "bob@example.org", "me@example.org", "10:00:05", "one text"),
        testing::mail("Same", "bob@example.org", "me@example.org", "10:10:40", "one text"),
        testing::mail("Same", "bob@example.org", "me@example.org", "10:00:50", "other text"),
        testing::mail("Alone", "eve@example.org", "me@example.org", "11:00:00", "eve", "Eve"),
        testing::mail("Alone 2", "eve@example.org", "me@example.org", "11:00:00", "eve", "Eve"),
    })));
    retime(mailbox, time_from_hms(10, 10, 0), time_from_hms(10, 0, 40));
    for (const Mail& m : all<Mail>(mailbox, kMail))
        if (m.SUBJECT.trimmed() == "Alone") mark(mailbox, MarkTarget::Partner, m.MAILID, 2);

    struct Case {
        const char* what;
        uint32_t db;
        bool ageing;
    } cases[] = {{"forum with ageing", forum, true}, {"mail", mailbox, false}};
    for (const Case& c : cases) {
        PurgeRequest rq;
        rq.ageing = c.ageing;
        rq.weeks = 4;
        ASSERT_TRUE(MakeCurrent(h.s, c.db));
        maint::PurgePlan plan;
        ASSERT_TRUE(maint::plan_purge(h.s, rq, plan));
        const std::string before = testing::dump_database(h.s, c.db);
        EXPECT_EQ(testing::dump_database(h.s, c.db), before) << c.what << ": the dry run wrote";
        const maint::PurgeOutcome out = purge(c.db, rq);
        EXPECT_FALSE(out.deleted.empty()) << c.what;
        EXPECT_EQ(plan.messages, out.deleted) << c.what;
    }
}

TEST_F(PurgeTest, DuplicateMailsAreMarkedAndDeletedButOneOfEachStays) {
    run(settings(write({
        testing::mail("Lunch", "bob@example.org", "me@example.org", "12:30:05", "see you"),
        testing::mail("Lunch", "bob@example.org", "me@example.org", "12:40:59", "see you"),
        testing::mail("Lunch", "bob@example.org", "me@example.org", "12:30:20", "other words"),
        testing::mail("Lunch", "bob@example.org", "me@example.org", "12:31:20", "see you"),
        testing::mail("Kept", "bob@example.org", "me@example.org", "09:00:10", "keep me"),
        testing::mail("Kept", "bob@example.org", "me@example.org", "09:10:30", "keep me"),
    })));
    // The import keeps the minute; the seconds come back as an older store may hold them.
    retime(mailbox, time_from_hms(12, 40, 0), time_from_hms(12, 30, 59));
    retime(mailbox, time_from_hms(9, 10, 0), time_from_hms(9, 0, 30));
    for (const Mail& m : all<Mail>(mailbox, kMail))
        if (m.SUBJECT.trimmed() == "Kept") mark(mailbox, MarkTarget::Mail, m.MAILID, kMarkKeep);
    const size_t stored = mails(mailbox).size();
    ASSERT_EQ(stored, 6u);

    const maint::PurgeOutcome out = purge(mailbox);
    struct Case {
        const char* subject;
        const char* text;
        size_t left;
    } cases[] = {
        {"Lunch", "see you", 2},      // 12:30 twice, one goes; 12:31 is another minute
        {"Lunch", "other words", 1},  // same minute, another text
        {"Kept", "keep me", 2},       // mails marked keep are never marked
    };
    EXPECT_EQ(out.duplicates, 1u);
    EXPECT_EQ(out.deleted.size(), 1u);
    for (const Case& c : cases) {
        size_t n = 0;
        for (const Mail& m : all<Mail>(mailbox, kMail))
            if (m.SUBJECT.trimmed() == c.subject && text_of(mailbox, m.MAILID) == c.text) ++n;
        EXPECT_EQ(n, c.left) << c.subject << " / " << c.text;
    }
    for (const Mail& m : all<Mail>(mailbox, kMail))
        EXPECT_EQ((m.TIME - 1) % 6000, 0) << "seconds left in " << m.SUBJECT.trimmed();
    EXPECT_TRUE(check(mailbox).empty());
}

TEST_F(PurgeTest, ADatabaseMarkedForDeletionGoesWholeOnlyWhenTheUserSaysSo) {
    struct Case {
        const char* forum;
        bool answer;
        bool removed;
    } cases[] = {{"Cancelled", false, false}, {"Confirmed", true, true}};
    h.dialog.script({cases[0].answer, cases[1].answer});
    for (const Case& c : cases) {
        std::string line = post(101, 0, "Only", "alice", "2020-05-01", "text");
        line.replace(line.find("Photo"), 5, c.forum);
        run(settings(write({line})));
        const uint32_t db = FindDatabase(h.s, c.forum);
        ASSERT_NE(db, 0u);
        mark(db, MarkTarget::Database, 0, kMarkDelete);
        h.dialog.clear();
        ASSERT_TRUE(MakeCurrent(h.s, db));
        {
            maint::Purge p(h.s, PurgeRequest{});
            EXPECT_EQ(p.step(), maint::Purge::Result::Done);
            EXPECT_EQ(p.outcome().database_removed, c.removed);
        }
        EXPECT_TRUE(h.dialog.saw(" Database marked for deletion!"));
        EXPECT_EQ(FindDatabase(h.s, c.forum) == 0, c.removed) << c.forum;
        if (!c.removed) {
            EXPECT_EQ(messages(db).size(), 1u) << "kept, yet purged";
        }
    }
}

TEST_F(PurgeTest, ANewsgroupReplyIsAddressedToTheSenderOfTheMessageItAnswers) {
    run(settings(write({testing::news("comp.test", "Question", "ann", "<a@x>", ""),
                        testing::news("comp.test", "Re: Question", "bob", "<b@x>", "<a@x>")})));
    const uint32_t db = FindDatabase(h.s, "comp.test");
    ASSERT_NE(db, 0u);
    const auto headers = all<MsgNmbr>(db, kMsgNmbr);
    ASSERT_EQ(headers.size(), 2u);
    const MsgNmbr reply = headers[0].REFNUMBER ? headers[0] : headers[1];
    const MsgNmbr question = headers[0].REFNUMBER ? headers[1] : headers[0];
    ASSERT_EQ(reply.REFNUMBER, question.MSGNUMBER);
    ASSERT_TRUE(MakeCurrent(h.s, db));
    OP_CLOSE(h.s, kOpOpen, {kMsgNmbr});
    h.s.rec.MsgNmbr = reply;
    ASSERT_TRUE(Get(h.s, kMsgNmbr, keys::MsgIdKey));
    h.s.rec.MsgNmbr.TOID = 4711;
    ASSERT_TRUE(UppDat(h.s, kMsgNmbr, kUpdate, kReport));
    OP_CLOSE(h.s, kOpClose, {kMsgNmbr});

    const auto found = check(db);
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const auto& d) {
        return d.file == "MsgNmbr" && d.id == reply.MSGNUMBER && d.counted == question.FROMID;
    }));
    count(db);
    for (const MsgNmbr& m : all<MsgNmbr>(db, kMsgNmbr))
        if (m.MSGNUMBER == reply.MSGNUMBER) {
            EXPECT_EQ(m.TOID, question.FROMID);
        }
    EXPECT_TRUE(check(db).empty());
}

TEST_F(PurgeTest, AnAttachmentGoesWithTheLastMailThatHoldsIt) {
    auto with = [](const char* subject, const char* time, const char* content) {
        return testing::mail(subject, "bob@example.org", "me@example.org", time, subject) +
               "\t\t\t\ta.txt|text/plain|" + content;
    };
    run(settings(write({with("Goes, shares", "10:00:00", "shared bytes"),
                        with("Stays, shares", "11:00:00", "shared bytes"),
                        with("Goes alone", "12:00:00", "own bytes")})));
    for (const Mail& m : all<Mail>(mailbox, kMail))
        if (m.SUBJECT.trimmed().substr(0, 4) == "Goes")
            mark(mailbox, MarkTarget::Mail, m.MAILID, kMarkDelete);
    EXPECT_EQ(purge(mailbox).deleted.size(), 2u);

    struct Case {
        const char* content;
        bool kept;
    } cases[] = {{"shared bytes", true}, {"own bytes", false}};
    const auto chunks = all<AttData>(mailbox, kAttData);
    for (const Case& c : cases) {
        const std::string hash = ContentHash::of(c.content);
        const bool kept = std::any_of(chunks.begin(), chunks.end(),
                                      [&](const AttData& d) { return d.HASH.str() == hash; });
        EXPECT_EQ(kept, c.kept) << c.content;
    }
    EXPECT_EQ(all<Attach>(mailbox, kAttach).size(), 1u);
}

}  // namespace
}  // namespace qs
