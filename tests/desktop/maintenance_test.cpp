// SPDX-License-Identifier: MIT
// The maintenance windows over a small mail archive: each run stores its result, and a run
// cancelled between batches leaves an archive whose counts a later run puts right.
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <fstream>
#include <functional>
#include <set>

#include "app/status_marks.h"
#include "desktop/browse_model.h"
#include "desktop/browse_window.h"
#include "desktop/maintenance_windows.h"
#include "desktop/progress_window.h"
#include "maintenance/purge.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

struct MaintHome : DesktopHome {
    uint32_t db = 0;

    // Four mails from Ann, Bob and Bob again under another spelling of his address, so that the
    // elimination has one person to merge.
    MaintHome() {
        db = current_mail_db();
        const std::string path = dir + "/TEMP/maint.mbox";
        std::ofstream out(path);
        const char* from[] = {"Ann Lee <ann@example.net>", "Bob Smith <bob@example.net>",
                              "Robert Smith <BOB@Example.net>", "Ann Lee <ann@example.net>"};
        for (int i = 0; i < 4; ++i)
            out << "From x@example.net Mon Jan  1 10:00:00 2001\nFrom: " << from[i]
                << "\nTo: Me <me@example.org>\nSubject: Mail " << i << "\nDate: " << 2 + i
                << " Jan 2001 10:00:00 +0000\n\nText of mail " << i << ".\n\n";
        out.close();
        import(path);
    }
    template <class R>
    std::vector<R> all(int file) {
        OP_CLOSE(s, kOpOpen, {file});
        std::vector<R> out;
        Set(s, file, 0);
        while (Next(s, file)) out.push_back(buffer<R>(s, file));
        OP_CLOSE(s, kOpClose, {file});
        return out;
    }
    std::vector<uint32_t> mail_ids() {
        std::vector<uint32_t> ids;
        for (const Mail& m : all<Mail>(kMail)) ids.push_back(m.MAILID);
        return ids;
    }
    // Every stored count that differs from a recount.
    std::vector<maint::CountDifference> wrong_counts() {
        maint::PurgeRequest rq;
        rq.purge = false;
        rq.check = true;
        maint::Purge p(s, rq);
        while (p.step() == maint::Purge::Result::More) {
        }
        return p.outcome().differences;
    }
    void inflate_person_counts() {
        OP_CLOSE(s, kOpOpen, {kPerson});
        Set(s, kPerson, 0);
        ASSERT_TRUE(Next(s, kPerson));
        s.rec.Person.FROMCOUNT += 7;
        ASSERT_TRUE(UppDat(s, kPerson, kUpdate, kReport));
        OP_CLOSE(s, kOpClose, {kPerson});
    }
};

void run(desktop::ProgressWindow& p) {
    for (int i = 0; i < 10000 && p.advance(); ++i) {
    }
    ASSERT_TRUE(p.finished());
}

QString result_of(desktop::ProgressWindow* p) { return p->result_label()->text(); }

TEST(PurgeWindow, ListsThenPurgesTheMarkedMailAndRepairsCounts) {
    MaintHome h;
    const std::vector<uint32_t> before = h.mail_ids();
    ASSERT_EQ(before.size(), 4u);
    ASSERT_EQ(SetStatus(h.s, MarkTarget::Mail, before[1], 2), MarkResult::Done);
    ASSERT_TRUE(h.frame->start("PurgeMess"));
    auto* w = qobject_cast<desktop::PurgeWindow*>(h.frame->running("PurgeMess"));
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->list_planned());
    const QString listing = w->listing()->toPlainText();
    EXPECT_TRUE(listing.contains(QString("mail %1").arg(before[1]))) << listing.toStdString();
    EXPECT_TRUE(listing.contains("1 mails would be deleted")) << listing.toStdString();
    EXPECT_EQ(h.mail_ids(), before) << "the listing writes nothing";

    desktop::ProgressWindow* p = w->start(true);
    ASSERT_TRUE(p);
    EXPECT_EQ(w->start(false), nullptr) << "one run at a time";
    run(*p);
    EXPECT_EQ(h.mail_ids(), (std::vector<uint32_t>{before[0], before[2], before[3]}));
    EXPECT_TRUE(result_of(p).contains("Messages after purging: 3")) << result_of(p).toStdString();
    EXPECT_TRUE(h.wrong_counts().empty());
}

// A database marked for deletion goes whole once the user agrees, and the windows that showed it
// (the purge window too) close without touching its removed files.
TEST(PurgeWindow, RemovesADatabaseMarkedForDeletionAndClosesItsWindows) {
    MaintHome h;
    ASSERT_EQ(SetStatus(h.s, MarkTarget::Database, h.db, 2), MarkResult::Done);
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    ASSERT_TRUE(h.frame->start("PurgeMess"));
    auto* w = qobject_cast<desktop::PurgeWindow*>(h.frame->running("PurgeMess"));
    ASSERT_TRUE(w);
    h.dialog.script({true});
    desktop::ProgressWindow* p = w->start(true);
    ASSERT_TRUE(h.dialog.saw("Database marked for deletion!"));
    run(*p);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.s.mem.ForumNumber, 0u);
    EXPECT_EQ(h.frame->windowTitle(), "[No Active Database]");
    EXPECT_FALSE(h.frame->running("BrowseMail"));
    EXPECT_FALSE(h.frame->running("PurgeMess"));
}

TEST(DuplicatesWindow, MergesThePersonsOfOneAddress) {
    MaintHome h;
    const size_t persons = h.all<Person>(kPerson).size();
    ASSERT_TRUE(h.frame->start("Duplicates"));
    auto* w = qobject_cast<desktop::DuplicatesWindow*>(h.frame->running("Duplicates"));
    ASSERT_TRUE(w);
    desktop::ProgressWindow* p = w->start();
    run(*p);
    EXPECT_EQ(h.all<Person>(kPerson).size(), persons - 1);
    EXPECT_TRUE(h.dialog.saw("The Duplicate Removal Process has finished!"));
    EXPECT_TRUE(result_of(p).contains("Number of duplicate persons: 1"))
        << result_of(p).toStdString();
    EXPECT_TRUE(h.wrong_counts().empty());
}

// The counters at the end of a count and of a duplicate elimination over Ann, Bob and Bob's
// second spelling, with one person who has no mail at all (the count removes him).
TEST(MaintenanceWindows, EndWithTheCountersOfTheirRun) {
    struct Case {
        bool duplicates;
        std::vector<const char*> lines;
    } cases[] = {
        {false, {"Number of messages: 4", "Number of mailpartners: 3", "Number of persons: 4"}},
        {true,
         {"Number of persons before duplicate elimination: 5",
          "Number of persons without related messages: 1", "Number of duplicate persons: 1",
          "Number of remaining persons: 4"}},
    };
    for (const auto& c : cases) {
        MaintHome h;
        OP_CLOSE(h.s, kOpOpen, {kPerson});
        h.s.rec.Person = Person{};
        h.s.rec.Person.PERSONID = 900000;
        h.s.rec.Person.LASTNAME = "Nobody";
        h.s.rec.Person.ADDRESS = "nobody@example.net";
        h.s.rec.Person.PERSONSTRING = "NOBODY nobody@example.net";
        ASSERT_TRUE(UppDat(h.s, kPerson, kAdd, kReport));
        OP_CLOSE(h.s, kOpClose, {kPerson});
        desktop::ProgressWindow* p = nullptr;
        if (c.duplicates) {
            ASSERT_TRUE(h.frame->start("Duplicates"));
            p = qobject_cast<desktop::DuplicatesWindow*>(h.frame->running("Duplicates"))->start();
        } else {
            ASSERT_TRUE(h.frame->start("PurgeMess"));
            p = qobject_cast<desktop::PurgeWindow*>(h.frame->running("PurgeMess"))->start(false);
        }
        ASSERT_TRUE(p);
        run(*p);
        for (const char* line : c.lines)
            EXPECT_TRUE(result_of(p).contains(line)) << result_of(p).toStdString();
    }
}

// Bob's two spellings become one person; the owner, selected by mistake, stays with a warning.
TEST(PersonBrowse, MergesTheSelectedPersonsIntoTheKeptOneButNeverTheOwner) {
    MaintHome h;
    std::vector<uint32_t> bob;
    for (const Person& p : h.all<Person>(kPerson))
        if (QString::fromStdString(p.ADDRESS.str()).toLower() == "bob@example.net")
            bob.push_back(p.PERSONID);
    ASSERT_EQ(bob.size(), 2u);
    const auto owner = static_cast<uint32_t>(h.s.mem.PersonID);
    ASSERT_NE(owner, 0u);
    ASSERT_TRUE(h.frame->start("BrowsePerson"));
    auto* b = qobject_cast<desktop::BrowseWindow*>(h.frame->running("BrowsePerson"));
    ASSERT_TRUE(b);
    auto row_of = [&](uint32_t id) {
        for (int r = 0; r < b->model()->rowCount(); ++r)
            if (b->model()->row(r).number == id) return r;
        return -1;
    };
    EXPECT_FALSE(b->merge_persons()) << "nothing kept yet";
    ASSERT_TRUE(b->keep_person(row_of(bob[0])));
    for (uint32_t id : {bob[1], owner})
        b->view()->selectionModel()->select(
            b->model()->index(row_of(id), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(b->merge_persons());
    EXPECT_TRUE(h.dialog.saw("You are not allowed to change the mail default address!"));
    std::set<uint32_t> left;
    for (const Person& p : h.all<Person>(kPerson)) left.insert(p.PERSONID);
    EXPECT_TRUE(left.count(bob[0]) && left.count(owner));
    EXPECT_FALSE(left.count(bob[1]));
    EXPECT_EQ(row_of(bob[1]), -1) << "the list is read again";
    for (const Mail& m : h.all<Mail>(kMail)) EXPECT_NE(m.PAIRID, bob[1]);
    EXPECT_TRUE(h.wrong_counts().empty());
}

// Cancel after the first batch asks first: No goes on to the end, Yes stops before the run
// changed anything more; a new run of the same process then does the rest and leaves no stored
// count that differs from a recount.
TEST(MaintenanceWindows, CancelAsksAndANewRunFinishesTheWork) {
    using Make = std::function<std::unique_ptr<desktop::LongProcess>(Session&)>;
    using Measure = std::function<int64_t(MaintHome&)>;
    const Make purge = [](Session& s) {
        return desktop::purge_process(s, {});
    };
    const Make count = [](Session& s) {
        maint::PurgeRequest rq;
        rq.purge = false;
        return desktop::purge_process(s, rq);
    };
    const Measure mails = [](MaintHome& h) {
        return static_cast<int64_t>(h.mail_ids().size());
    };
    const Measure persons = [](MaintHome& h) {
        return static_cast<int64_t>(h.all<Person>(kPerson).size());
    };
    struct Case {
        const char* name;
        Make make;
        const char* question;
        bool damage;  // the counts the run repairs
        Measure measure;
        int64_t change;  // what a whole run changes
    } cases[] = {
        {"purge", purge, "Message Purging", true, mails, -1},
        {"count", count, "Message Counting", true, mails, 0},
        {"duplicates", desktop::duplicates_process, "Duplicate Person elimination interrupted",
         false, persons, -1},
    };
    for (const auto& c : cases)
        for (bool stop : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (stop ? " stopped" : " went on"));
            MaintHome h;
            ASSERT_EQ(SetStatus(h.s, MarkTarget::Mail, h.mail_ids()[0], 2), MarkResult::Done);
            if (c.damage) h.inflate_person_counts();
            const int64_t start = c.measure(h);
            desktop::ProgressWindow p("run", c.make(h.s));
            ASSERT_TRUE(p.advance());
            h.dialog.script({stop});
            EXPECT_EQ(p.process().cancel(), stop);
            EXPECT_TRUE(h.dialog.saw(c.question));
            run(p);
            EXPECT_EQ(c.measure(h), stop ? start : start + c.change);
            desktop::ProgressWindow again("again", c.make(h.s));
            run(again);
            EXPECT_EQ(c.measure(h), start + c.change);
            EXPECT_TRUE(h.wrong_counts().empty());
        }
}

}  // namespace
}  // namespace qs::testing
