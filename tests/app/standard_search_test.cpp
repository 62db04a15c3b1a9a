// SPDX-License-Identifier: MIT
#include "app/standard_search.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/startup.h"
#include "storage/config.h"
#include "storage/database_list.h"
#include "storage/file_access.h"
#include "tests/support/test_home.h"

namespace qs {
namespace {

using R = StandardSearch::Result;

class StdSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartUp(h.s, h.dir).ok);
        db = AddMailDatabase(h.s, {"Home", "me@example.org", {}});
        ASSERT_NE(db, 0u);
        ASSERT_TRUE(MakeCurrent(h.s, db));
    }

    // Mails are listed newest first by MAI:DateKey: a later day comes earlier in the list.
    void mail(uint32_t id, int32_t day, const std::string& subject, const std::string& text) {
        OP_CLOSE(h.s, kOpOpen, {kMail, kMsgText});
        Mail& m = h.s.rec.Mail;
        m = Mail{};
        m.MAILID = id;
        m.DATE = day;
        m.TIME = 1;
        m.SUBJECT = subject;
        ASSERT_TRUE(UppDat(h.s, kMail, kAdd, kReport));
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = id;
        h.s.rec.MsgText.MSGTEXT.text = text;
        ASSERT_TRUE(UppDat(h.s, kMsgText, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kMail, kMsgText});
    }

    // Runs steps until the search stops; the numbers found on the way, in order, until the end.
    std::vector<uint32_t> all_hits(StandardSearch& search) {
        std::vector<uint32_t> hits;
        for (int guard = 0; guard < 1000; ++guard) {
            R r = search.step();
            if (r == R::Found) hits.push_back(search.hit().number);
            if (r == R::Done || r == R::Failed) break;
        }
        return hits;
    }

    // The mails by date, newest first (without a key the list is MAI:IdKey, highest first).
    static ListContext dated() {
        ListContext l;
        l.key = keys::MaiDateKey;
        return l;
    }

    std::vector<uint32_t> find(const std::string& text, SearchOptions o = {},
                               ListContext l = dated()) {
        o.text = text;
        return all_hits(*MailFind(h.s, l, o));
    }

    testing::TempHome h;
    uint32_t db = 0;
};

SearchOptions words() {
    SearchOptions o;
    o.whole_words = true;
    return o;
}

TEST_F(StdSearch, MatchingWordsOnlyPassesOverJoinedOccurrences) {
    mail(1, 90000, "Lists", "see the CATALOG");
    mail(2, 89999, "Sounds", "SCAT singing");
    mail(3, 89998, "Pets", "This is my cat.");
    mail(4, 89997, "More", "a dog (cat) here");
    mail(5, 89996, "Num", "item 123 sold");
    mail(6, 89995, "Code", "the code A12 works");
    EXPECT_EQ(find("CAT", words()), (std::vector<uint32_t>{3, 4}));
    EXPECT_EQ(find("CAT"), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(find("12", words()), (std::vector<uint32_t>{6}));
    EXPECT_EQ(find("12"), (std::vector<uint32_t>{5, 6}));
}

// Case is ignored by folding every character, in any script, without moving a hit.
TEST_F(StdSearch, IgnoresCaseBeyondAscii) {
    mail(1, 90000, "Grüße", "aus KÖLN");
    mail(2, 89999, "Γεια", "ΚΌΣΜΕ και Мир");
    struct Case {
        std::string text;
        std::vector<uint32_t> hits;
    };
    const Case cases[] = {
        {"köln", {1}}, {"GRÜSSE", {}}, {"grüße", {1}}, {"κόσμε", {2}}, {"мир", {2}}, {"γεια", {2}},
    };
    for (const auto& c : cases) EXPECT_EQ(find(c.text), c.hits) << c.text;
}

TEST_F(StdSearch, CaseOptionAndLongStrings) {
    mail(1, 90000, "One", "Cat and ABCDEFGHIJKLMNOPQRSTxyz");
    SearchOptions exact;
    exact.match_case = true;
    EXPECT_EQ(find("CAT", exact), std::vector<uint32_t>{});
    EXPECT_EQ(find("Cat", exact), std::vector<uint32_t>{1});
    EXPECT_EQ(find("cAT"), std::vector<uint32_t>{1});
    // Only the first 20 characters count: the 21st would not match.
    SearchOptions o;
    o.text = "ABCDEFGHIJKLMNOPQRSTU";
    auto search = MailFind(h.s, {}, o);
    EXPECT_EQ(search->pattern(), "abcdefghijklmnopqrst");
    EXPECT_EQ(search->step(), R::Found);
}

TEST_F(StdSearch, BackwardFromTheFirstMessageEndsAtOnce) {
    mail(1, 90000, "First", "needle");
    mail(2, 89999, "Second", "needle");
    SearchOptions o;
    o.text = "needle";
    o.backward = true;
    ListContext l = dated();
    l.current = 1;  // the newest mail comes first by date
    auto search = MailFind(h.s, l, o);
    EXPECT_EQ(search->step(), R::Done);
    EXPECT_EQ(search->examined(), 0u);
    ASSERT_FALSE(h.dialog.entries.empty());
    EXPECT_EQ(h.dialog.entries.back().title, " End of File!");
    EXPECT_EQ(h.dialog.entries.back().text, "No more messages in this direction!");
    EXPECT_EQ(search->step(), R::Done);  // the end stays

    // From the last one backward the first comes next; forward from the first, the second.
    l.current = 2;
    EXPECT_EQ(find("needle", o, l), std::vector<uint32_t>{1});
    l.current = 1;
    EXPECT_EQ(find("needle", {}, l), std::vector<uint32_t>{2});
    EXPECT_EQ(find("needle", o), (std::vector<uint32_t>{2, 1}));  // backward from the list's end
}

TEST_F(StdSearch, DateRangeAndSubjectScope) {
    mail(1, 90010, "Report", "quarterly numbers");
    mail(2, 90005, "Other", "the report is late");
    mail(3, 90000, "Report", "old");
    SearchOptions o;
    o.from_date = 90001;
    o.to_date = 90009;
    EXPECT_EQ(find("REPORT", o), std::vector<uint32_t>{2});
    SearchOptions subject;
    subject.subject_only = true;
    EXPECT_EQ(find("report", subject), (std::vector<uint32_t>{1, 3}));

    auto search = MailFind(h.s, {}, SearchOptions{"late"});
    ASSERT_EQ(search->step(), R::Found);
    EXPECT_FALSE(search->hit().in_subject);
    EXPECT_EQ(search->hit().position, 15u);
    EXPECT_EQ(h.s.rec.Mail.MAILID, 2u);  // made current
    auto in_subject = MailFind(h.s, {}, SearchOptions{"port"});
    ASSERT_EQ(in_subject->step(), R::Found);
    EXPECT_TRUE(in_subject->hit().in_subject);
    EXPECT_EQ(in_subject->hit().position, 3u);
}

TEST_F(StdSearch, OtherKeyOrdersTopicsAndTheResultSet) {
    mail(1, 90000, "Banana", "fruit");
    mail(2, 90001, "Apple", "fruit");
    mail(3, 90002, "Cherry", "fruit");
    ListContext by_subject;
    by_subject.key = keys::SubjectKey;
    EXPECT_EQ(find("fruit", {}, by_subject), (std::vector<uint32_t>{2, 1, 3}));
    by_subject.current = 1;
    EXPECT_EQ(find("fruit", {}, by_subject), std::vector<uint32_t>{3});

    OP_CLOSE(h.s, kOpOpen, {kSearch, kSIndex});
    for (uint32_t id : {1u, 3u}) {
        h.s.rec.Search.ID = id;
        ASSERT_TRUE(UppDat(h.s, kSearch, kAdd, kReport));
        h.s.rec.SIndex = SIndex{77, id};
        ASSERT_TRUE(UppDat(h.s, kSIndex, kAdd, kReport));
    }
    h.s.rec.SIndex = SIndex{78, 2};  // another topic
    ASSERT_TRUE(UppDat(h.s, kSIndex, kAdd, kReport));
    h.s.rec.SIndex = SIndex{77, 9};  // a link whose mail is gone
    ASSERT_TRUE(UppDat(h.s, kSIndex, kAdd, kReport));
    OP_CLOSE(h.s, kOpClose, {kSearch, kSIndex});

    ListContext result;
    result.source = ListContext::Source::ResultSet;
    EXPECT_EQ(find("fruit", {}, result), (std::vector<uint32_t>{3, 1}));  // SEA:ID descending
    SearchOptions back;
    back.backward = true;
    EXPECT_EQ(find("fruit", back, result), (std::vector<uint32_t>{1, 3}));

    ListContext topic;
    topic.source = ListContext::Source::Topic;
    topic.topic = 77;
    EXPECT_EQ(find("fruit", {}, topic), (std::vector<uint32_t>{3, 1}));
    EXPECT_EQ(find("fruit", back, topic), (std::vector<uint32_t>{1, 3}));
    topic.current = 3;
    EXPECT_EQ(find("fruit", {}, topic), std::vector<uint32_t>{1});
}

TEST_F(StdSearch, AStepExaminesAtMostThePaceValueAndCancelEndsItQuietly) {
    const int32_t n = SpeedVal(h.s, 3, 29);
    ASSERT_GT(n, 0);
    const uint32_t total = static_cast<uint32_t>(n) * 2 + 3;
    for (uint32_t i = 1; i <= total; ++i) mail(i, 90000 + static_cast<int32_t>(i), "s", "t");
    auto search = MailFind(h.s, {}, SearchOptions{"absent"});
    EXPECT_EQ(search->step(), R::More);
    EXPECT_EQ(search->examined(), static_cast<uint64_t>(n));
    EXPECT_EQ(search->step(), R::More);
    EXPECT_EQ(search->examined(), static_cast<uint64_t>(2 * n));
    EXPECT_EQ(search->step(), R::Done);
    EXPECT_EQ(search->examined(), total);

    auto stopped = MailFind(h.s, {}, SearchOptions{"absent"});
    EXPECT_EQ(stopped->step(), R::More);
    h.dialog.clear();
    stopped->cancel();
    EXPECT_EQ(stopped->step(), R::Done);
    EXPECT_EQ(stopped->step(), R::Done);
    EXPECT_EQ(stopped->examined(), static_cast<uint64_t>(n));
    EXPECT_TRUE(h.dialog.entries.empty()) << "no end of the list was reached";
}

TEST_F(StdSearch, UnknownCurrentMessageFailsAndTimingIsShownFirst) {
    mail(1, 90000, "s", "t");
    ListContext l;
    l.current = 4242;
    auto lost = MailFind(h.s, l, SearchOptions{"t"});
    EXPECT_EQ(lost->step(), R::Failed);

    int32_t on = 1;
    ASSERT_TRUE(Konfig(h.s, 7, 32, &on));
    auto search = MailFind(h.s, {}, SearchOptions{"absent"});
    h.clock.set(80000, 1 + 300);  // three seconds later
    h.dialog.clear();
    EXPECT_EQ(search->step(), R::Done);
    ASSERT_EQ(h.dialog.entries.size(), 2u);
    EXPECT_EQ(h.dialog.entries[0].title, " Standard Search  ");
    EXPECT_EQ(h.dialog.entries[0].text, "The time for completion was: 3 seconds");
    EXPECT_EQ(h.dialog.entries[1].title, " End of File!");
}

TEST_F(StdSearch, ForumMessagesSearchTheThreadHeading) {
    uint32_t forum = AddForumDatabase(h.s, "Photo");
    ASSERT_TRUE(MakeCurrent(h.s, forum));
    OP_CLOSE(h.s, kOpOpen, {kMsgNmbr, kMsgText, kThreads});
    h.s.rec.Threads = Threads{};
    h.s.rec.Threads.THREADNUMBER = 500;
    h.s.rec.Threads.set_heading("Lenses for the long winter evenings");
    ASSERT_TRUE(UppDat(h.s, kThreads, kAdd, kReport));
    for (uint32_t n : {10u, 11u}) {
        h.s.rec.MsgNmbr = MsgNmbr{};
        h.s.rec.MsgNmbr.MSGNUMBER = n;
        h.s.rec.MsgNmbr.THREADNUMBER = 500;
        h.s.rec.MsgNmbr.DATE = 90000;
        ASSERT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kReport));
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = n;
        h.s.rec.MsgText.MSGTEXT.text = n == 10 ? "a tripod" : "no tripod here";
        ASSERT_TRUE(UppDat(h.s, kMsgText, kAdd, kReport));
    }
    OP_CLOSE(h.s, kOpClose, {kMsgNmbr, kMsgText, kThreads});

    auto winter = FindText(h.s, {}, SearchOptions{"winter"});  // beyond the heading's 10 first
    ASSERT_EQ(winter->step(), R::Found);
    EXPECT_EQ(winter->hit().number, 11u);  // MSG:IdKey lists the highest number first
    EXPECT_TRUE(winter->hit().in_subject);
    EXPECT_EQ(h.s.rec.MsgNmbr.MSGNUMBER, 11u);
    SearchOptions here{"here"};
    auto text = FindText(h.s, {}, here);
    ASSERT_EQ(text->step(), R::Found);
    EXPECT_EQ(text->hit().number, 11u);
    EXPECT_FALSE(text->hit().in_subject);
    EXPECT_EQ(text->step(), R::Done);
}

}  // namespace
}  // namespace qs
