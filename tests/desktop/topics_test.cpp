// SPDX-License-Identifier: MIT
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTableWidget>

#include "desktop/browse_window.h"
#include "desktop/topics_window.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

using desktop::TopicDialog;

bool add_topic(Session& s, const char* name) {
    TopicDialog form(s, 1, "", nullptr);
    form.field()->setText(name);
    return form.save();
}

// A topic ticked in the classification window links the selected mail, and the topics list
// shows the new count at once.
TEST(Topics, ClassifyLinksTheSelectedMailAndTheListCounts) {
    DesktopHome h;
    h.current_mail_db();
    h.import(QS_SOURCE_DIR "/samples/mail/today.mbox");
    ASSERT_TRUE(add_topic(h.s, "Travel"));
    EXPECT_FALSE(add_topic(h.s, "TRAVEL"));  // a name exists once, whatever its case
    ASSERT_TRUE(add_topic(h.s, "Family"));
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    ASSERT_TRUE(h.frame->start("BrowseTopics"));
    ASSERT_TRUE(h.frame->start("Classify"));
    auto& browse = *qobject_cast<desktop::BrowseWindow*>(h.frame->running("BrowseMail"));
    auto& topics = *qobject_cast<desktop::TopicsWindow*>(h.frame->running("BrowseTopics"));
    auto& classify = *qobject_cast<desktop::ClassifyWindow*>(h.frame->running("Classify"));
    EXPECT_EQ(topics.windowTitle(), "Home Topics [2]");
    browse.view()->selectRow(1);
    const uint32_t mail = browse.model()->row(1).number;
    ASSERT_EQ(classify.list()->count(), 2);
    ASSERT_EQ(classify.list()->item(1)->text(), "Travel");  // by name
    ASSERT_TRUE(classify.toggle(1));
    EXPECT_EQ(classify.list()->item(1)->checkState(), Qt::Checked);
    const std::vector<Codes> codes = ListCodes(h.s);
    EXPECT_EQ(MessagesOf(h.s, codes[1].ID), std::vector<uint32_t>{mail});
    EXPECT_EQ(topics.table()->item(1, 1)->text(), "1");
    // Another mail shows no tick; back on the first, the tick is read from the store.
    browse.view()->selectRow(0);
    EXPECT_EQ(classify.list()->item(1)->checkState(), Qt::Unchecked);
    browse.view()->selectRow(1);
    EXPECT_EQ(classify.list()->item(1)->checkState(), Qt::Checked);
    // Deleting the topic through the form removes its link.
    topics.table()->selectRow(1);
    TopicDialog remove(h.s, 3, "Travel", nullptr);
    EXPECT_FALSE(remove.field()->isEnabled());
    ASSERT_TRUE(remove.save());
    EXPECT_TRUE(MessagesOf(h.s, codes[1].ID).empty());
}

}  // namespace
}  // namespace qs::testing
