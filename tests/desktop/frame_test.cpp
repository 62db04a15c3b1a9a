// SPDX-License-Identifier: MIT
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

#include "desktop/browse_window.h"
#include "desktop/database_window.h"
#include "desktop/preferences_window.h"
#include "desktop/procedures.h"
#include "desktop/startup_wizard.h"
#include "desktop/window_places.h"
#include "desktop/windows.h"
#include "storage/config.h"
#include "tests/desktop/desktop_home.h"

namespace qs::testing {
namespace {

using desktop::DatabaseWindow;

QAction* action(desktop::Frame& f, const QString& caption) {
    for (QAction* menu : f.menuBar()->actions())
        for (QAction* a : menu->menu()->actions())
            if (a->text() == caption) return a;
    return nullptr;
}

TEST(Frame, TitleFollowsTheCurrentDatabase) {
    DesktopHome h;
    EXPECT_EQ(h.frame->windowTitle(), "[No Active Database]");
    h.current_mail_db("Family Mail");
    EXPECT_EQ(h.frame->windowTitle(), "Family Mail");
}

// A command is enabled only when its window exists and the current database suits it.
TEST(Frame, CommandsNeedTheirWindowAndASuitableDatabase) {
    struct Case {
        const char* caption;
        bool without_db, with_mail_db;
    } cases[] = {
        {"&Select Database...", true, true},
        {"&Import Messages...", true, true},
        {"&Mail", false, true},
        {"M&essages", false, false},
        {"&Persons", false, true},
        {"&Purge and Count...", false, true},
        {"&Address Export...", false, false},
    };
    DesktopHome h;
    for (const auto& c : cases) {
        ASSERT_TRUE(action(*h.frame, c.caption)) << c.caption;
        EXPECT_EQ(action(*h.frame, c.caption)->isEnabled(), c.without_db) << c.caption;
    }
    h.current_mail_db();
    for (const auto& c : cases)
        EXPECT_EQ(action(*h.frame, c.caption)->isEnabled(), c.with_mail_db) << c.caption;
}

TEST(Frame, ASecondRequestRaisesTheRunningWindow) {
    DesktopHome h;
    h.current_mail_db();
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    QWidget* first = h.frame->running("BrowseMail");
    ASSERT_TRUE(h.frame->start("ChangeForum"));
    EXPECT_TRUE(h.frame->start("BrowseMail"));
    EXPECT_EQ(h.frame->running("BrowseMail"), first);
    EXPECT_EQ(h.frame->area()->subWindowList().size(), 2);
    EXPECT_EQ(h.frame->area()->activeSubWindow()->widget(), first);
}

TEST(Frame, DispatcherCodesStartTheirWindows) {
    DesktopHome h;
    EXPECT_TRUE(h.frame->SemaFore(201));
    EXPECT_TRUE(h.frame->running("ImportMeny"));
    EXPECT_TRUE(h.frame->SemaFore(22));
    EXPECT_TRUE(h.frame->running("StartUpWizard"));
    // A direct call, a code with no window yet, and a code that does nothing.
    for (int code : {206, 202, 216}) EXPECT_FALSE(h.frame->SemaFore(code)) << code;
}

// Windows of the database that was current close when another becomes current, and give back
// its files at once: a browse opened right after shows the new database.
TEST(Frame, ChangingTheDatabaseClosesItsWindows) {
    DesktopHome h;
    h.current_mail_db("One");
    h.import(QS_SOURCE_DIR "/samples/mail/today.mbox");
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    ASSERT_TRUE(h.frame->start("ChangeForum"));
    auto* w = qobject_cast<DatabaseWindow*>(h.frame->running("ChangeForum"));
    const uint32_t two = AddMailDatabase(h.s, {"Two", "me@example.org", {}});
    w->reload();
    EXPECT_TRUE(w->choose(two));
    EXPECT_FALSE(h.frame->running("BrowseMail"));
    EXPECT_TRUE(h.frame->running("ChangeForum"));
    EXPECT_EQ(h.frame->windowTitle(), "Two");
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    auto* browse = qobject_cast<desktop::BrowseWindow*>(h.frame->running("BrowseMail"));
    EXPECT_EQ(browse->model()->rowCount(), 0);
}

TEST(DatabaseWindow, RemovesOnlyWhenTheUserAgrees) {
    for (bool agree : {false, true}) {
        DesktopHome h;
        const uint32_t id = h.current_mail_db("Old Mail");
        DatabaseWindow w(*h.frame);
        h.dialog.script({agree});
        EXPECT_EQ(w.remove(id), agree);
        EXPECT_EQ(FindDatabase(h.s, "Old Mail") != 0, !agree);
        EXPECT_EQ(h.frame->windowTitle() == "[No Active Database]", agree);
        EXPECT_EQ(w.table()->rowCount(), agree ? 0 : 1);
    }
}

// A missing name or default address beeps, keeps the form open and stores nothing.
TEST(DatabaseWindow, MailFormRefusesMissingFields) {
    struct Case {
        const char *name, *address;
        bool saved;
    } cases[] = {{"", "me@example.org", false}, {"Home", " ", false}, {"Home", "me@x.org", true}};
    for (const auto& c : cases) {
        DesktopHome h;
        desktop::MailForm form(h.s);
        form.name()->setText(c.name);
        form.address()->setText(c.address);
        form.alternatives()->setPlainText("me@work.example\n\nold@example.org");
        EXPECT_EQ(form.save() != 0, c.saved) << c.name << "/" << c.address;
        EXPECT_EQ(h.dialog.beeps, c.saved ? 0 : 1);
        EXPECT_EQ(ListDatabases(h.s).size(), c.saved ? 1u : 0u);
        if (c.saved) {
            EXPECT_EQ(ListDatabases(h.s)[0].ALTADDRESS[1].str(), "old@example.org");
        }
    }
}

TEST(StartupWizard, CreatesTheFirstDatabaseAndMakesItCurrent) {
    DesktopHome h;
    desktop::StartupWizard w(*h.frame);
    w.name()->setText("Home");
    EXPECT_EQ(w.create(), 0u);  // a mail database needs the owner's address
    EXPECT_EQ(h.dialog.beeps, 1);
    w.address()->setText("me@example.org");
    const uint32_t id = w.create();
    ASSERT_NE(id, 0u);
    EXPECT_EQ(h.s.mem.ForumNumber, id);
    EXPECT_EQ(h.frame->windowTitle(), "Home");
}

}  // namespace
}  // namespace qs::testing

namespace qs::testing {
namespace {

// Preferences are stored in the settings: another session over the home reads them, and the
// lists show dates in the chosen format.
TEST(Preferences, AreStoredAndFollowedByTheLists) {
    DesktopHome h;
    h.current_mail_db();
    h.import(QS_SOURCE_DIR "/samples/mail/today.mbox");
    desktop::PreferencesWindow w(*h.frame);
    w.date_format()->setCurrentIndex(w.date_format()->findData(10));  // yyyy-mm-dd
    w.pace(item::kPaceImport)->setValue(7);
    ASSERT_TRUE(w.save());

    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session other(dialog, clock);
    ASSERT_TRUE(StartUp(other, h.dir).ok);
    int32_t v = 0;
    ASSERT_TRUE(Konfig(other, kGetGeneral, item::kDateFormat, &v));
    EXPECT_EQ(v, 10);
    ASSERT_TRUE(Konfig(other, kGetDisplay, item::kPaceImport, &v));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(SpeedVal(h.s, kGetPace, item::kPaceImport), 100);
    for (auto& slot : other.slots) slot.file.reset();

    desktop::BrowseWindow browse(*h.frame, desktop::BrowseKind::Mail);
    EXPECT_EQ(browse.model()->row(0).cells[0].size(), 10);
    EXPECT_EQ(browse.model()->row(0).cells[0][4], '-');
}

}  // namespace
}  // namespace qs::testing

namespace qs::testing {
namespace {

// A window closed by the user opens in the same place at the next start, and a browse keeps
// the widths of its columns; new settings of an older version forget them.
TEST(WindowPlaces, AreRestoredAtTheNextStart) {
    DesktopHome h;
    h.current_mail_db();
    ASSERT_TRUE(h.frame->start("BrowseMail"));
    QWidget* sub = h.frame->running("BrowseMail")->parentWidget();
    const QRect place(40, 30, 500, 260);
    sub->setGeometry(place);
    qobject_cast<desktop::BrowseWindow*>(h.frame->running("BrowseMail"))
        ->view()
        ->setColumnWidth(2, 171);
    sub->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the window goes

    RecordingDialog dialog;
    FixedClock clock{80000, 1};
    Session again(dialog, clock);
    ASSERT_TRUE(StartUp(again, h.dir).ok);
    ASSERT_TRUE(MakeCurrent(again, h.s.mem.ForumNumber));
    {
        desktop::Frame frame(again);
        ASSERT_TRUE(frame.start("BrowseMail"));
        EXPECT_EQ(frame.running("BrowseMail")->parentWidget()->geometry(), place);
        auto* browse = qobject_cast<desktop::BrowseWindow*>(frame.running("BrowseMail"));
        EXPECT_EQ(browse->view()->columnWidth(2), 171);
        ASSERT_TRUE(ResetWindowSettings(again));
        EXPECT_EQ(desktop::stored_place(again, 8), QRect());
    }
    again.engine.rollback();
    for (auto& slot : again.slots) slot.file.reset();
}

}  // namespace
}  // namespace qs::testing
