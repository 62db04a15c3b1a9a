// SPDX-License-Identifier: MIT
// Settings windows whose choices outlive the run: the preferences and the word index setup.
#include <QCheckBox>
#include <QFontComboBox>
#include <QSpinBox>
#include <QTableView>
#include <QTreeWidget>

#include "app/display_date.h"
#include "desktop/browse_window.h"
#include "desktop/index_setup_wizard.h"
#include "desktop/preferences_window.h"
#include "desktop/progress_window.h"
#include "desktop/thread_tree_window.h"
#include "desktop/windows.h"
#include "storage/config.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/desktop/desktop_home.h"
#include "wordindex/word_setup.h"

namespace qs::testing {
namespace {

// The program started again over the same home.
struct Restarted {
    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session s{dialog, clock};
    std::unique_ptr<desktop::Frame> frame;

    Restarted(const std::string& dir, uint32_t database) {
        EXPECT_TRUE(StartUp(s, dir).ok);
        EXPECT_TRUE(MakeCurrent(s, database));
        frame = std::make_unique<desktop::Frame>(s);
    }
    ~Restarted() {
        frame.reset();
        s.engine.rollback();
        for (auto& slot : s.slots) slot.file.reset();
    }
};

// A forum with a thread of two messages, 11 replying to 10, and 11 marked to keep.
uint32_t forum_with_thread(DesktopHome& h) {
    const uint32_t id = AddForumDatabase(h.s, "Photo");
    EXPECT_TRUE(id && MakeCurrent(h.s, id));
    h.frame->database_changed();
    OpenFiles open(h.s, {kMsgNmbr, kThreads});
    for (uint32_t n : {10u, 11u}) {
        MsgNmbr& m = h.s.rec.MsgNmbr;
        m = MsgNmbr{};
        m.MSGNUMBER = n;
        m.REFNUMBER = n == 11 ? 10 : 0;
        m.THREADNUMBER = 500;
        m.THREADALPHA = "Lenses";
        m.DATE = date_from_ymd(2001, 2, 3);
        m.DUMMY = n == 11 ? 1 : 0;
        EXPECT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kReport));
    }
    h.s.rec.Threads = Threads{};
    h.s.rec.Threads.THREADNUMBER = 500;
    h.s.rec.Threads.ALPHA = "Lenses";
    EXPECT_TRUE(UppDat(h.s, kThreads, kAdd, kReport));
    return id;
}

// The list font, the colour of kept messages, the thread tree's line format and its colours are
// stored by the preferences and shown by the windows of the next start.
TEST(Preferences, LookIsAppliedAfterARestart) {
    DesktopHome h;
    const uint32_t forum = forum_with_thread(h);
    {
        desktop::PreferencesWindow w(*h.frame);
        w.font_size()->setValue(17);
        w.tree_format()->setCurrentIndex(w.tree_format()->findData(2));  // name and number
        w.set_colour(0, QColor(1, 2, 3));                                // kept rows
        w.set_colour(2, QColor(200, 0, 100));                            // the tree's current line
        ASSERT_TRUE(w.save());
    }
    h.frame.reset();
    Restarted again(h.dir, forum);

    desktop::BrowseWindow browse(*again.frame, desktop::BrowseKind::Messages);
    EXPECT_EQ(browse.view()->font().pointSize(), 17);
    int kept = -1;
    for (int r = 0; r < browse.model()->rowCount(); ++r)
        if (browse.model()->row(r).number == 11) kept = r;
    ASSERT_GE(kept, 0);
    EXPECT_EQ(browse.model()->index(kept, 0).data(Qt::ForegroundRole).value<QBrush>().color(),
              QColor(1, 2, 3));

    desktop::ThreadTreeWindow tree(*again.frame);
    browse.view()->selectRow(kept);
    ASSERT_EQ(tree.tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* reply = tree.tree()->topLevelItem(0)->child(0);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->text(0).trimmed(), "11");  // no sender known: the number alone
    EXPECT_EQ(reply->foreground(0).color(), QColor(200, 0, 100));
    EXPECT_EQ(tree.tree()->font().pointSize(), 17);
}

// "&Finish" saves what the pages show; the next start reads the same settings and the indexer
// cuts words by the rules saved with them ("_" may now begin a word).
TEST(IndexSetup, FinishWritesTheSettingsTheIndexerReads) {
    DesktopHome h;
    const uint32_t mail = h.current_mail_db();
    ASSERT_TRUE(h.frame->start("SetIndex"));
    auto* w = qobject_cast<desktop::IndexSetupWizard*>(h.frame->running("SetIndex"));
    ASSERT_TRUE(w);
    const QStringList titles = {"Word Index Setup Wizard",
                                " Index Numbers",
                                " Do not index signature blocks/footers",
                                "Rules for forming words.",
                                " Automatically add common words to stop list",
                                "Pause and ask to continue"};
    for (int i = 0; i < titles.size(); ++i) EXPECT_EQ(w->page(w->pageIds()[i])->title(), titles[i]);
    w->index_numbers()->setChecked(false);
    w->skip_news_footers()->setChecked(false);  // newsgroup footers are indexed
    w->pause()->setValue(500);                  // below 1000: the value before comes back
    Q_EMIT w->pause()->editingFinished();
    EXPECT_EQ(w->pause()->value(), 10000);
    w->pause()->setValue(25000);
    w->click('_', 1);
    h.dialog.script({true});
    ASSERT_EQ(w->save_and_reindex(), words::SaveResult::Saved);
    ASSERT_TRUE(w->finish());
    h.frame.reset();

    Restarted again(h.dir, mail);
    words::WordIndexSetup read;
    ASSERT_TRUE(words::OpenSetup(again.s, read));
    EXPECT_EQ(read.index_numbers, 0);
    EXPECT_EQ(read.news_footers, 1);
    EXPECT_EQ(read.forum_footers, 0);
    EXPECT_EQ(read.pause_count, 25000);
    const std::string box = h.dir + "/TEMP/under.mbox";
    std::ofstream(box) << "From a@example.net Mon Jan  1 10:00:00 2001\nFrom: A <a@example.net>\n"
                          "To: Me <me@example.org>\nSubject: about _init\n\nText.\n";
    ImportSettings st;
    st.format = "Unix Mailbox";
    st.files = {box};
    st.mailbox = mail;
    ImportProcessor p(again.s, st, make_parser);
    while (p.step() == ImportProcessor::Result::More) {
    }
    desktop::ProgressWindow index("Index", desktop::index_process(again.s));
    while (index.advance()) {
    }
    desktop::BrowseWindow browse(*again.frame, desktop::BrowseKind::Mail);
    browse.show_view({5, 0, 0, "_init"});  // "Filter KeyWord"
    EXPECT_EQ(browse.model()->rowCount(), 1);
}

}  // namespace
}  // namespace qs::testing
