// SPDX-License-Identifier: MIT
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "app/status_marks.h"
#include "desktop/browse_window.h"
#include "desktop/find_bar.h"
#include "desktop/progress_window.h"
#include "desktop/windows.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

using desktop::BrowseKind;
using desktop::BrowseModel;
using desktop::BrowseWindow;
using desktop::ViewChoice;

constexpr int kMails = 250;  // more than two pages

class MailBrowse : public ::testing::Test {
protected:
    void SetUp() override {
        h.current_mail_db();
        h.import(h.write_mbox(kMails));
    }
    // Reads the whole list through the model, as a view scrolling to its end does.
    static void fetch_all(BrowseModel& m) {
        while (m.canFetchMore({})) m.fetchMore({});
    }
    DesktopHome h;
};

// Every view of every browse passes the model checks while it is read to its end.
TEST_F(MailBrowse, EveryViewPassesTheModelTester) {
    for (BrowseKind kind : {BrowseKind::Mail, BrowseKind::Persons}) {
        for (size_t v = 0; v < desktop::views_of(kind).size(); ++v) {
            BrowseModel m(desktop::make_source(h.s, kind, ViewChoice{v, 0, 0}));
            QAbstractItemModelTester tester(&m,
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
            fetch_all(m);
            m.locate({});
            EXPECT_FALSE(HasFailure()) << desktop::views_of(kind)[v].name;
        }
    }
}

// A list opens with one page and reads the rest in order as it is scrolled; another window
// reading the same file between two pages does not move it.
TEST_F(MailBrowse, PagesThroughTheFileInKeyOrder) {
    BrowseModel m(desktop::make_source(h.s, BrowseKind::Mail, ViewChoice{1, 0, 0}));  // subject
    EXPECT_EQ(m.rowCount(), static_cast<int>(BrowseModel::kPage));
    // Another reader of the Mail file: the browse's next page must not follow its position.
    Set(h.s, kMail, keys::MaiDateKey);
    ASSERT_TRUE(Next(h.s, kMail));
    fetch_all(m);
    ASSERT_EQ(m.rowCount(), kMails);
    for (int r = 1; r < m.rowCount(); ++r)
        EXPECT_LE(m.row(r - 1).cells[4].toUpper(), m.row(r).cells[4].toUpper()) << r;
}

// The locator stands the list at the first row at or after the typed text.
TEST_F(MailBrowse, LocatorJumpsInTheViewsOrder) {
    struct Case {
        size_t view;
        const char* typed;
        QString first;  // the subject of the first row
        bool found;
    } cases[] = {
        {1, "mail number 2", "Mail number 2", true},
        {1, "MAIL NUMBER 99", "Mail number 99", true},
        {1, "zzz", "", true},  // past the end: an empty list
        {0, "2001-01-03", "Mail number 58", true},
        {0, "not a date", "", false},
        {5, "x", "", false},  // a filter view has no locator
    };
    for (const auto& c : cases) {
        BrowseModel m(desktop::make_source(h.s, BrowseKind::Mail, ViewChoice{c.view, 0, 0}));
        EXPECT_EQ(m.locate(c.typed), c.found) << c.typed;
        if (!c.found) continue;
        EXPECT_EQ(m.rowCount() ? m.row(0).cells[4] : QString(), c.first) << c.typed;
    }
}

// A mark set from the pop-up is stored on the mail or its partner, and the status filter then
// lists the mail.
TEST_F(MailBrowse, MarkFromThePopUpIsStored) {
    BrowseWindow w(*h.frame, BrowseKind::Mail);
    const QStringList entries = w.mark_entries();
    ASSERT_EQ(entries.indexOf("Keep Message"), 1);
    ASSERT_EQ(entries.indexOf("Delete Partner"), 6);
    const uint32_t mail = w.model()->row(3).number;
    ASSERT_TRUE(w.mark(3, entries.indexOf("Keep Message")));
    EXPECT_EQ(w.model()->row(3).mark, kMarkKeep);
    ASSERT_TRUE(w.mark(3, entries.indexOf("Delete Partner")));

    OP_CLOSE(h.s, kOpOpen, {kMail, kPerson});
    h.s.rec.Mail = Mail{};
    h.s.rec.Mail.MAILID = mail;
    ASSERT_TRUE(Get(h.s, kMail, keys::MaiIdKey));
    EXPECT_EQ(h.s.rec.Mail.DUMMY, kMarkKeep);
    h.s.rec.Person = Person{};
    h.s.rec.Person.PERSONID = h.s.rec.Mail.PAIRID;
    ASSERT_TRUE(Get(h.s, kPerson, keys::PersonKey));
    EXPECT_EQ(h.s.rec.Person.DUMMY, kMarkDelete);
    OP_CLOSE(h.s, kOpClose, {kMail, kPerson});

    w.show_view({8, 0, kMarkKeep, {}});  // "Filter Status"
    ASSERT_EQ(w.model()->rowCount(), 1);
    EXPECT_EQ(w.model()->row(0).number, mail);
}

// Selecting a row makes its mail the frame's selection.
TEST_F(MailBrowse, SelectionReachesTheFrame) {
    BrowseWindow w(*h.frame, BrowseKind::Mail);
    w.view()->selectRow(5);
    EXPECT_EQ(h.frame->selection().number, w.model()->row(5).number);
    EXPECT_TRUE(h.frame->selection().mail);
    EXPECT_EQ(h.frame->selection().mail_header.MAILID, w.model()->row(5).number);
}

}  // namespace
}  // namespace qs::testing

namespace qs::testing {
namespace {

QString selected_subject(BrowseWindow& w) {
    return w.model()->row(w.view()->currentIndex().row()).cells[4];
}

// The standard search goes from the selected mail to the next one whose subject or text holds
// the string, in the order of the view (by subject here). A whole word may not be joined by a
// letter or the digit 1, so "number 1" stands alone in "number 12" but not in "number 11".
TEST_F(MailBrowse, FindNextWalksTheListShown) {
    struct Case {
        const char* from;  // the subject selected first
        const char* text;
        bool whole;
        std::vector<QString> found;  // the subjects found one after another
    } cases[] = {
        {"Mail number 1",
         "number 12",
         false,
         {"Mail number 12", "Mail number 120", "Mail number 121"}},
        {"Mail number 109", "number 1", false, {"Mail number 11", "Mail number 110"}},
        {"Mail number 109", "number 1", true, {"Mail number 12", "Mail number 120"}},
    };
    for (const auto& c : cases) {
        BrowseWindow w(*h.frame, BrowseKind::Mail);
        w.show_view({1, 0, 0});
        ASSERT_TRUE(w.locate(c.from));
        w.find_bar()->text()->setText(c.text);
        w.find_bar()->whole_words()->setChecked(c.whole);
        for (const QString& subject : c.found) {
            w.find_bar()->find(false);
            EXPECT_EQ(w.find_bar()->run(), StandardSearch::Result::Found);
            EXPECT_EQ(selected_subject(w), subject) << c.from;
        }
    }
}

TEST_F(MailBrowse, BookmarkBringsTheListBackToItsMail) {
    BrowseWindow w(*h.frame, BrowseKind::Mail);
    w.show_view({1, 0, 0});
    w.view()->selectRow(42);
    const QString marked = selected_subject(w);
    w.set_bookmark();
    w.locate("mail number 9");
    ASSERT_NE(selected_subject(w), marked);
    ASSERT_TRUE(w.reset_to_bookmark());
    EXPECT_EQ(selected_subject(w), marked);
    // The rows before it were read back: the list scrolls up from there to its start.
    EXPECT_EQ(w.view()->currentIndex().row(), 42);
}

}  // namespace
}  // namespace qs::testing

namespace qs::testing {
namespace {

void index_all(Session& s) {
    desktop::ProgressWindow index("Index", desktop::index_process(s));
    while (index.advance()) {
    }
}

std::vector<uint32_t> numbers_of(const BrowseModel& m) {
    std::vector<uint32_t> out;
    for (int r = 0; r < m.rowCount(); ++r) out.push_back(m.row(r).number);
    return out;
}

// A list that starts at a record (a bookmark, a search hit, the thread tree's jump) reads the
// pages before it as the view scrolls up: read both ways it holds the whole view in its order,
// each row once, and the model checks hold while rows come in at the top.
TEST_F(MailBrowse, ListStartedAtARecordReadsBackToItsStart) {
    index_all(h.s);
    const ViewChoice cases[] = {
        {0, 0, 0, {}},      // by date
        {1, 0, 0, {}},      // by subject
        {3, 0, 0, {}},      // by sender
        {5, 0, 0, "mail"},  // the mails of an indexed word
        {8, 0, 0, {}},      // status "Normal"
    };
    for (const ViewChoice& c : cases) {
        BrowseModel whole(desktop::make_source(h.s, BrowseKind::Mail, c));
        fetch_all(whole);
        ASSERT_EQ(whole.rowCount(), kMails) << c.view;
        BrowseModel m(desktop::make_source(h.s, BrowseKind::Mail, c));
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
        EXPECT_FALSE(m.canFetchPrevious()) << c.view;
        ASSERT_TRUE(m.locate_record(whole.row(150).number)) << c.view;
        EXPECT_EQ(m.row(0).number, whole.row(150).number) << c.view;
        EXPECT_EQ(m.rowCount(), static_cast<int>(BrowseModel::kPage));
        while (m.canFetchPrevious()) m.fetchPrevious();
        fetch_all(m);
        EXPECT_EQ(numbers_of(m), numbers_of(whole)) << c.view;
    }
}

// In a window on the screen the row jumped to stands at the top of the view; scrolled to the
// top, the page before comes in above it and the view goes on showing the same rows.
TEST_F(MailBrowse, ShownListKeepsItsRowsInViewAsPagesComeInAbove) {
    BrowseWindow w(*h.frame, BrowseKind::Mail);
    w.resize(800, 400);
    w.show();
    w.show_view({1, 0, 0, {}});
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.locate("mail number 5"));
    QTableView* view = w.view();
    EXPECT_EQ(w.model()->row(view->rowAt(0)).cells[4], "Mail number 5");
    EXPECT_EQ(selected_subject(w), "Mail number 5");
    const QString top = w.model()->row(0).cells[4];
    view->verticalScrollBar()->setValue(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.model()->rowCount(), kMails);
    EXPECT_EQ(w.model()->row(view->rowAt(0)).cells[4], top);
}

// Scrolled through from end to end and back, a list keeps a bounded number of rows, always a
// run of the view without gaps or repeats, and ends at the view's first row again.
TEST_F(MailBrowse, RowsReadStayBoundedBothWays) {
    constexpr int kKept = 220;
    for (size_t view : {1u, 8u}) {  // by subject, status "Normal"
        BrowseModel whole(desktop::make_source(h.s, BrowseKind::Mail, ViewChoice{view, 0, 0, {}}));
        fetch_all(whole);
        const std::vector<uint32_t> all = numbers_of(whole);
        BrowseModel m(desktop::make_source(h.s, BrowseKind::Mail, ViewChoice{view, 0, 0, {}}),
                      nullptr, kKept);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
        auto is_a_run = [&] {
            const std::vector<uint32_t> rows = numbers_of(m);
            auto at = std::search(all.begin(), all.end(), rows.begin(), rows.end());
            return !rows.empty() && rows.size() <= static_cast<size_t>(kKept) && at != all.end();
        };
        while (m.canFetchMore({})) {
            m.fetchMore({});
            ASSERT_TRUE(is_a_run()) << view;
        }
        EXPECT_EQ(m.row(m.rowCount() - 1).number, all.back());
        EXPECT_TRUE(m.canFetchPrevious());
        while (m.canFetchPrevious()) {
            m.fetchPrevious();
            ASSERT_TRUE(is_a_run()) << view;
        }
        EXPECT_EQ(m.row(0).number, all.front());
    }
}

// "Filter KeyWord" lists exactly the mails whose subject or text holds the indexed word, however
// it is typed; a word not in the word list shows an empty list.
TEST_F(MailBrowse, KeywordFilterListsTheMailsHoldingTheWord) {
    index_all(h.s);
    struct Case {
        const char* word;
        int rows;
        const char* subject;  // of the one row, when there is one
    } cases[] = {
        {"12", 1, "Mail number 12"}, {"120", 1, "Mail number 120"}, {"MaIl", kMails, nullptr},
        {"Number", kMails, nullptr}, {"zzz", 0, nullptr},           {"", 0, nullptr},
    };
    BrowseWindow w(*h.frame, BrowseKind::Mail);
    for (const auto& c : cases) {
        w.show_view({5, 0, 0, c.word});
        fetch_all(*w.model());
        ASSERT_EQ(w.model()->rowCount(), c.rows) << c.word;
        if (c.subject) {
            EXPECT_EQ(w.model()->row(0).cells[4], c.subject);
        }
    }
}

}  // namespace
}  // namespace qs::testing
