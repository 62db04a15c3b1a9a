// SPDX-License-Identifier: MIT
// The windows that follow the browse's selection: the thread tree and the text view.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTreeWidget>
#include <filesystem>

#include "desktop/browse_window.h"
#include "desktop/text_view.h"
#include "desktop/thread_tree_window.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

using desktop::BrowseKind;
using desktop::BrowseWindow;

class ForumWindows : public ::testing::Test {
protected:
    void SetUp() override {
        const uint32_t id = AddForumDatabase(h.s, "Photo");
        ASSERT_TRUE(id && MakeCurrent(h.s, id));
        h.frame->database_changed();
        OP_CLOSE(h.s, kOpOpen, {kMsgNmbr, kMsgText, kThreads});
        // Thread 500: 10 <- 11 <- 12 and 10 <- 13; thread 600: 20 alone.
        for (auto [n, ref, thread] : {std::tuple{10u, 0u, 500u},
                                      {11u, 10u, 500u},
                                      {12u, 11u, 500u},
                                      {13u, 10u, 500u},
                                      {20u, 0u, 600u}})
            add(n, ref, thread, "Text of message " + std::to_string(n));
        add(30, 0, 700, std::string(30000, 'x') + " end");  // two pages
        OP_CLOSE(h.s, kOpClose, {kMsgNmbr, kMsgText, kThreads});
    }
    void add(uint32_t n, uint32_t ref, uint32_t thread, const std::string& text) {
        MsgNmbr& m = h.s.rec.MsgNmbr;
        m = MsgNmbr{};
        m.MSGNUMBER = n;
        m.REFNUMBER = ref;
        m.THREADNUMBER = thread;
        m.THREADALPHA = "Lenses";
        m.DATE = date_from_ymd(2001, 2, 3);
        ASSERT_TRUE(UppDat(h.s, kMsgNmbr, kAdd, kReport));
        h.s.rec.MsgText = MsgText{};
        h.s.rec.MsgText.MSGNUMBER = n;
        h.s.rec.MsgText.MSGTEXT.text = text;
        ASSERT_TRUE(UppDat(h.s, kMsgText, kAdd, kReport));
        Threads& t = h.s.rec.Threads;
        t = Threads{};
        t.THREADNUMBER = thread;
        if (!Get(h.s, kThreads, 0)) {
            t.ALPHA = "Lenses";
            ASSERT_TRUE(UppDat(h.s, kThreads, kAdd, kReport));
        }
    }
    // Selects message `n` in the browse (its list is by number, newest first).
    void select(BrowseWindow& b, uint32_t n) {
        for (int r = 0; r < b.model()->rowCount(); ++r)
            if (b.model()->row(r).number == n) return b.view()->selectRow(r);
        ADD_FAILURE() << "no message " << n;
    }
    DesktopHome h;
};

TEST_F(ForumWindows, ThreadTreeFollowsTheSelectionAndLoadsEachThreadOnce) {
    ASSERT_TRUE(h.frame->start("BrowseMsgNmbr"));
    ASSERT_TRUE(h.frame->start("ThreadTree"));
    auto& browse = *qobject_cast<BrowseWindow*>(h.frame->running("BrowseMsgNmbr"));
    auto& tree = *qobject_cast<desktop::ThreadTreeWindow*>(h.frame->running("ThreadTree"));
    select(browse, 12);
    QTreeWidget* view = tree.tree();
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem* root = view->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);  // 11 (with 12 under it) and 13
    EXPECT_EQ(root->child(0)->child(0)->data(0, Qt::UserRole).toUInt(), 12u);
    EXPECT_EQ(view->currentItem()->data(0, Qt::UserRole).toUInt(), 12u);
    const int loads = tree.loads();
    select(browse, 13);
    EXPECT_EQ(tree.loads(), loads);
    EXPECT_EQ(view->currentItem()->data(0, Qt::UserRole).toUInt(), 13u);
    select(browse, 20);
    EXPECT_EQ(tree.loads(), loads + 1);
    EXPECT_EQ(view->topLevelItemCount(), 1);
    // Choosing a line of the tree moves the browse to its message.
    select(browse, 12);
    Q_EMIT view->itemActivated(view->topLevelItem(0), 0);
    EXPECT_EQ(h.frame->selection().number, 10u);
}

TEST_F(ForumWindows, TextViewShowsThePagesOfTheSelectedMessage) {
    BrowseWindow browse(*h.frame, BrowseKind::Messages);
    desktop::TextView text(*h.frame);
    select(browse, 11);
    EXPECT_TRUE(text.text()->toPlainText().contains("Text of message 11"));
    select(browse, 30);
    EXPECT_EQ(text.page().count, 2);
    text.show_page(2);
    EXPECT_TRUE(text.text()->toPlainText().startsWith("<CONTINUED>>"));
    EXPECT_TRUE(text.text()->toPlainText().endsWith(" end"));
}

TEST(TextView, SavesAnAttachmentWholeOrNotAtAll) {
    DesktopHome h;
    h.current_mail_db();
    h.import(QS_SOURCE_DIR "/samples/mail/today.mbox");
    BrowseWindow browse(*h.frame, BrowseKind::Mail);
    desktop::TextView text(*h.frame);
    int with_files = -1;
    for (int r = 0; r < browse.model()->rowCount() && with_files < 0; ++r) {
        browse.view()->selectRow(r);
        if (text.attachments()->count() > 0) with_files = r;
    }
    ASSERT_GE(with_files, 0);
    const std::string good = h.dir + "/TEMP/saved.pdf";
    ASSERT_TRUE(text.save_attachment(0, QString::fromStdString(good)));
    EXPECT_EQ(std::filesystem::file_size(good), 3072u);
    EXPECT_FALSE(text.save_attachment(0, QString::fromStdString(h.dir + "/no/such/dir/x.pdf")));
    EXPECT_TRUE(h.dialog.saw("cannot be written"));
}

}  // namespace
}  // namespace qs::testing
