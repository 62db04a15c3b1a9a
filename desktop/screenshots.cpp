// SPDX-License-Identifier: MIT
#include "desktop/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QWizard>

#include "desktop/browse_window.h"
#include "desktop/frame.h"
#include "desktop/import_wizard.h"
#include "desktop/maintenance_windows.h"
#include "desktop/progress_window.h"
#include "desktop/search_window.h"
#include "desktop/windows.h"
#include "storage/database_list.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

bool make_current(Frame& f, bool mail) {
    for (const Forums& db : ListDatabases(f.session()))
        if ((db.TYPE == kMailDb) == mail && MakeCurrent(f.session(), db.ID)) {
            f.database_changed();
            return true;
        }
    return false;
}

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool picture(Frame& f, const QString& dir, const QString& name) {
    settle();
    return f.grab().save(QDir(dir).filePath(name + ".png"));
}

// The windows go at once, so that a window of the same name opens anew after them.
void close_all(Frame& f) {
    f.area()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void place(Frame& f, const QString& name, const QRect& at) {
    QWidget* w = f.running(name);
    if (w && w->parentWidget()) w->parentWidget()->setGeometry(at);
}

// The message browse selects the oldest reply, so that its tree shows a whole thread.
void select_reply(Frame& f) {
    auto* browse = qobject_cast<BrowseWindow*>(f.running(QStringLiteral("BrowseMsgNmbr")));
    if (!browse) return;
    BrowseModel* m = browse->model();
    for (int r = m->rowCount() - 1; r >= 0; --r) {
        browse->view()->selectRow(r);
        if (f.selection().message.REFNUMBER != 0 &&
            f.selection().message.REFNUMBER != f.selection().number)
            return;
    }
}

// The mail database is indexed (in its copy), then searched for a word of two subjects.
bool search_picture(Frame& f, const QString& dir) {
    f.area()->closeAllSubWindows();
    ProgressWindow index(QString(), index_process(f.session()));
    while (index.advance()) {
    }
    if (!f.start(QStringLiteral("SearchWz"))) return true;  // nothing to search in
    auto* search = qobject_cast<SearchWindow*>(f.running(QStringLiteral("SearchWz")));
    place(f, QStringLiteral("SearchWz"), {20, 20, 900, 560});
    search->words()->setText(QStringLiteral("tomorrow lunch"));
    if (search->find()) {
        search->found()->selectAll();
        search->add_found(false);
        search->findChild<QTabWidget*>()->setCurrentIndex(1);
        if (!picture(f, dir, QStringLiteral("search-expression"))) return false;
        search->get_messages();
        search->findChild<QTabWidget*>()->setCurrentIndex(2);
    }
    return picture(f, dir, QStringLiteral("search"));
}

// The mails of an indexed word (the index is there from the search's picture).
bool keyword_picture(Frame& f, const QString& dir) {
    close_all(f);
    if (!f.start(QStringLiteral("BrowseMail"))) return true;
    auto* browse = qobject_cast<BrowseWindow*>(f.running(QStringLiteral("BrowseMail")));
    if (!browse) return false;
    place(f, QStringLiteral("BrowseMail"), {0, 0, 1180, 330});
    f.start(QStringLiteral("MessageText"));
    place(f, QStringLiteral("MessageText"), {0, 330, 1180, 360});
    for (size_t v = 0; v < views_of(BrowseKind::Mail).size(); ++v)
        if (views_of(BrowseKind::Mail)[v].kind == ViewKind::Word)
            browse->show_view({v, 0, 0, "tomorrow"});
    return picture(f, dir, QStringLiteral("keyword-filter"));
}

// The word index setup on its page of the rules for forming words.
bool index_setup_picture(Frame& f, const QString& dir) {
    close_all(f);
    if (!f.start(QStringLiteral("SetIndex"))) return true;
    place(f, QStringLiteral("SetIndex"), {20, 20, 760, 600});
    auto* wizard = qobject_cast<QWizard*>(f.running(QStringLiteral("SetIndex")));
    if (!wizard) return false;
    for (int i = 0; i < 3; ++i) wizard->next();
    // The marks around the full stop, which may stand inside a word but not end one.
    if (auto* chars = wizard->findChild<QTableWidget*>())
        chars->scrollTo(chars->model()->index(40, 0), QAbstractItemView::PositionAtTop);
    return picture(f, dir, QStringLiteral("index-setup"));
}

// A purge of the mail database (in its copy) run to its end, with the listing before it.
bool purge_picture(Frame& f, const QString& dir) {
    f.area()->closeAllSubWindows();
    if (!make_current(f, true) || !f.start(QStringLiteral("PurgeMess"))) return true;
    auto* w = qobject_cast<PurgeWindow*>(f.running(QStringLiteral("PurgeMess")));
    place(f, QStringLiteral("PurgeMess"), {20, 20, 640, 380});
    w->list_planned();
    ProgressWindow* p = w->start(true);
    while (p && p->advance()) {
    }
    return picture(f, dir, QStringLiteral("purge"));
}

}  // namespace

bool take_screenshots(Frame& f, const QString& dir, const QString& sample) {
    QDir().mkpath(dir);
    f.resize(1200, 760);
    bool ok = true;
    if (make_current(f, true)) {
        f.start(QStringLiteral("BrowseMail"));
        f.start(QStringLiteral("MessageText"));
        place(f, QStringLiteral("BrowseMail"), {0, 0, 1180, 330});
        place(f, QStringLiteral("MessageText"), {0, 330, 1180, 360});
        ok &= picture(f, dir, QStringLiteral("mail-browse"));
        ok &= search_picture(f, dir);
        ok &= keyword_picture(f, dir);
        ok &= index_setup_picture(f, dir);
    }
    if (make_current(f, false)) {
        f.start(QStringLiteral("BrowseMsgNmbr"));
        f.start(QStringLiteral("ThreadTree"));
        f.start(QStringLiteral("MessageText"));
        place(f, QStringLiteral("BrowseMsgNmbr"), {0, 0, 1180, 300});
        place(f, QStringLiteral("ThreadTree"), {0, 300, 420, 390});
        place(f, QStringLiteral("MessageText"), {420, 300, 760, 390});
        select_reply(f);
        ok &= picture(f, dir, QStringLiteral("thread-tree"));
    }
    f.area()->closeAllSubWindows();
    make_current(f, true);
    f.start(QStringLiteral("ChangeForum"));
    place(f, QStringLiteral("ChangeForum"), {20, 20, 700, 330});
    ok &= picture(f, dir, QStringLiteral("database-selection"));
    f.area()->closeAllSubWindows();
    f.start(QStringLiteral("ImportMeny"));
    place(f, QStringLiteral("ImportMeny"), {20, 20, 680, 460});
    auto* wizard = qobject_cast<ImportWizard*>(f.running(QStringLiteral("ImportMeny")));
    if (wizard && QFileInfo::exists(sample)) {
        // A run over a sample mailbox the demonstration imported already: it finds only
        // duplicates and stores nothing new.
        ImportSettings st = wizard->settings();
        st.format = "Unix Mailbox";
        st.selection = kSelectedFiles;
        st.files = {QFileInfo(sample).absoluteFilePath().toStdString()};
        wizard->choose(st);
        wizard->next();
        ok &= picture(f, dir, QStringLiteral("import-wizard"));
        if (ProgressWindow* p = wizard->start_import()) {
            close_window(wizard);
            place(f, QStringLiteral("ImportProgress"), {20, 20, 560, 220});
            while (p->advance()) {
            }
            ok &= picture(f, dir, QStringLiteral("progress"));
        }
    }
    ok &= purge_picture(f, dir);
    return ok;
}

}  // namespace qs::desktop
