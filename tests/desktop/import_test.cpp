// SPDX-License-Identifier: MIT
#include <QLabel>

#include "desktop/import_wizard.h"
#include "desktop/progress_window.h"
#include "storage/file_access.h"
#include "storage/files.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

constexpr const char* kInbox = QS_SOURCE_DIR "/samples/mail/inbox.mbox";

ImportSettings inbox_into(uint32_t db) {
    ImportSettings st;
    st.format = "Unix Mailbox";
    st.files = {kInbox};
    st.mailbox = db;
    return st;
}

uint64_t mails(Session& s) {
    OP_CLOSE(s, kOpOpen, {kMail});
    uint64_t n = record_count(s, kMail);
    OP_CLOSE(s, kOpClose, {kMail});
    return n;
}

// Runs the window's batches as its timer would, to the end.
void run(desktop::ProgressWindow& p) {
    for (int i = 0; i < 10000 && p.advance(); ++i) {
    }
    ASSERT_TRUE(p.finished());
}

TEST(ImportWizard, ImportsASampleMailboxEndToEnd) {
    DesktopHome h;
    const uint32_t db = h.current_mail_db();
    ASSERT_TRUE(h.frame->SemaFore(201));
    auto* wizard = qobject_cast<desktop::ImportWizard*>(h.frame->running("ImportMeny"));
    ASSERT_TRUE(wizard);
    wizard->choose(inbox_into(db));
    desktop::ProgressWindow* p = wizard->start_import();
    ASSERT_TRUE(p);
    EXPECT_TRUE(h.frame->running("ImportProgress"));
    run(*p);
    EXPECT_EQ(mails(h.s), 3u);
    const QString result = p->result_label()->text();
    EXPECT_TRUE(result.contains("The import process has finished!")) << result.toStdString();
    EXPECT_TRUE(result.contains("found 3, stored 3")) << result.toStdString();
    EXPECT_TRUE(result.contains("The time for completion was: ")) << result.toStdString();
}

// Choices that cannot run are refused before anything starts.
TEST(ImportWizard, RefusesIncompleteChoices) {
    struct Case {
        const char* name;
        bool files, mail_database;
    } cases[] = {{"no files", false, true}, {"no mail database", true, false}};
    for (const auto& c : cases) {
        DesktopHome h;
        const uint32_t db = c.mail_database ? h.current_mail_db() : 0;
        desktop::ImportWizard wizard(*h.frame);
        ImportSettings st = inbox_into(db);
        if (!c.files) st.files.clear();
        wizard.choose(st);
        EXPECT_EQ(wizard.start_import(), nullptr) << c.name;
        EXPECT_EQ(h.dialog.entries.size(), 1u) << c.name;
        EXPECT_FALSE(h.frame->running("ImportProgress")) << c.name;
    }
}

// Cancelling in the store phase asks first; after a stop the archive holds whole messages only,
// and a second run stores the rest without storing any twice.
TEST(ImportWizard, CancelAsksAndLeavesAConsistentArchive) {
    for (bool stop : {true, false}) {
        DesktopHome h;
        const uint32_t db = h.current_mail_db();
        desktop::ProgressWindow p("Import", desktop::import_process(h.s, inbox_into(db)));
        while (!p.finished() && !p.process().caption().startsWith("Storing")) p.advance();
        h.dialog.script({stop});
        EXPECT_EQ(p.process().cancel(), stop);
        EXPECT_TRUE(h.dialog.saw("Import process interrupted"));
        run(p);
        const uint64_t kept = mails(h.s);
        EXPECT_LE(kept, 3u);
        if (!stop) {
            EXPECT_EQ(kept, 3u);
        }
        desktop::ProgressWindow again("Import", desktop::import_process(h.s, inbox_into(db)));
        run(again);
        EXPECT_EQ(mails(h.s), 3u) << (stop ? "stopped" : "went on");
    }
}

}  // namespace
}  // namespace qs::testing
