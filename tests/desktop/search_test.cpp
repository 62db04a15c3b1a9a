// SPDX-License-Identifier: MIT
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTextEdit>

#include "desktop/browse_window.h"
#include "desktop/progress_window.h"
#include "desktop/search_window.h"
#include "desktop/windows.h"
#include "desktop/word_lists_window.h"
#include "tests/desktop/desktop_home.h"
#include "wordindex/word_lists.h"

namespace qs::testing {
namespace {

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        h.current_mail_db();
        h.import(h.write_mbox(5));
    }
    DesktopHome h;
};

// While the index is written the frame refuses to close; at the end the window says so.
TEST_F(Search, IndexingRunsInAProgressWindowAndHoldsTheFrameOpen) {
    ASSERT_TRUE(h.frame->SemaFore(218));
    auto* p = qobject_cast<desktop::ProgressWindow*>(h.frame->running("AutoIndex"));
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->advance());
    EXPECT_FALSE(h.frame->close());
    EXPECT_TRUE(h.dialog.saw("You May NOT Exit until Indexing Is Done."));
    while (p->advance()) {
    }
    EXPECT_TRUE(p->result_label()->text().contains("Indexing finished!"));
    EXPECT_FALSE(h.s.IndexingInProgress);
}

// A search lists its hits, fills the result set, and marks every word found in the text shown,
// in the subject as well as after the line breaks of the body.
TEST_F(Search, ShowsTheHitsAndHighlightsTheWordsFound) {
    desktop::ProgressWindow index("Index", desktop::index_process(h.s));
    while (index.advance()) {
    }
    desktop::SearchWindow w(*h.frame);
    w.words()->setText("mail");
    ASSERT_TRUE(w.find());
    ASSERT_EQ(w.found()->rowCount(), 1);
    EXPECT_EQ(w.found()->item(0, 0)->text(), "5");
    EXPECT_EQ(w.get_messages(), words::SearchOutcome::NoSearchWords) << "no word in a list yet";
    w.found()->selectRow(0);
    w.add_found(true);
    w.add_found(true);
    ASSERT_EQ(w.and_list()->rowCount(), 1) << "a word is not added twice";
    EXPECT_EQ(w.get_messages(), words::SearchOutcome::Hits);
    EXPECT_EQ(w.hits()->count(), 5);
    w.hits()->setCurrentRow(2);
    const QString shown = w.text()->toPlainText();
    const auto spans = w.highlights();
    ASSERT_EQ(spans.size(), 2) << shown.toStdString();
    for (const auto& [start, length] : spans)
        EXPECT_EQ(shown.mid(start, length).toUpper(), "MAIL") << start;
    // The browse's "Search Result" view lists the same mails.
    desktop::BrowseWindow browse(*h.frame, desktop::BrowseKind::Mail);
    browse.show_view({7, 0, 0, {}});
    EXPECT_EQ(browse.model()->rowCount(), 5);
    // "Delete" with nothing highlighted asks for a pick; with the word highlighted it goes.
    EXPECT_FALSE(w.delete_highlighted());
    EXPECT_TRUE(h.dialog.saw("Pick One First"));
    w.and_list()->selectRow(0);
    EXPECT_TRUE(w.delete_highlighted());
    EXPECT_EQ(w.and_list()->rowCount(), 0);
}

}  // namespace
}  // namespace qs::testing

namespace qs::testing {
namespace {

// A word marked in the word list waits in the pending deletions; the ignore list's form adds and
// removes stop words.
TEST_F(Search, WordListMarksAndIgnoreListKeepsWords) {
    desktop::ProgressWindow index("Index", desktop::index_process(h.s));
    while (index.advance()) {
    }
    desktop::WordListWindow words(*h.frame);
    ASSERT_GT(words.table()->rowCount(), 0);
    const QString word = words.table()->item(0, 1)->text();
    ASSERT_TRUE(words.toggle(0));
    EXPECT_EQ(words::marked_words(h.s).size(), 1u);
    ASSERT_TRUE(words.toggle(0));
    EXPECT_TRUE(words::marked_words(h.s).empty()) << word.toStdString();

    desktop::StopListWindow stop(*h.frame);
    const int before = stop.list()->count();
    ASSERT_TRUE(stop.edit(1, "thanks"));
    ASSERT_EQ(stop.list()->findItems("THANKS", Qt::MatchExactly).size(), 1);
    stop.list()->setCurrentItem(stop.list()->findItems("THANKS", Qt::MatchExactly)[0]);
    ASSERT_TRUE(stop.edit(3, {}));
    EXPECT_EQ(stop.list()->count(), before);
}

}  // namespace
}  // namespace qs::testing
