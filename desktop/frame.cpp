// SPDX-License-Identifier: MIT
#include "desktop/frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include "desktop/gui_dialog.h"
#include "desktop/procedures.h"
#include "desktop/window_places.h"
#include "desktop/windows.h"
#include "storage/files.h"

namespace qs::desktop {

namespace {

// A window's place in the command table, which numbers the stored places; -1 for a window that
// is not a command's (a progress window).
int place_of(const QString& name) {
    const auto& all = procedures();
    for (size_t i = 0; i < all.size(); ++i)
        if (name == QLatin1String(all[i].name)) return static_cast<int>(i);
    return -1;
}

}  // namespace

QString frame_title(const Session& s) {
    if (s.mem.ForumNumber == 0) return QString::fromLatin1(kNoDatabaseTitle);
    return QString::fromStdString(s.mem.Description).trimmed();
}

Frame::Frame(Session& s, QWidget* parent) : QMainWindow(parent), s_(s), area_(new QMdiArea) {
    setObjectName(QStringLiteral("Frame"));
    area_->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(area_);
    build_menus();
    database_changed();
    resize(1100, 720);
}

Frame::~Frame() {
    // The windows read the session's files as they go: they close before the frame does.
    for (auto& w : windows_)
        if (w) delete w.data();
}

void Frame::build_menus() {
    QMap<QString, QMenu*> menus;
    for (const auto& p : procedures()) {
        const QString menu = QString::fromLatin1(p.menu);
        if (!menus.contains(menu)) menus[menu] = menuBar()->addMenu(menu);
        QAction* a = menus[menu]->addAction(QString::fromLatin1(p.caption));
        const QString name = QString::fromLatin1(p.name);
        connect(a, &QAction::triggered, this, [this, name] { start(name); });
        actions_[name] = a;
        if (name == QLatin1String("StartUpWizard")) {
            menus[menu]->addSeparator();
            menus[menu]->addAction(tr("E&xit"), this, &QWidget::close);
        }
    }
    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(tr("&Cascade"), area_, &QMdiArea::cascadeSubWindows);
    window->addAction(tr("&Tile"), area_, &QMdiArea::tileSubWindows);
}

bool Frame::can_start(const Procedure& p) const {
    if (!window_factory(QString::fromLatin1(p.name))) return false;
    switch (p.needs) {
        case Needs::Nothing: return true;
        case Needs::Database: return s_.mem.ForumNumber != 0;
        case Needs::MailDatabase: return s_.mem.ForumNumber != 0 && s_.mem.ForumType == kMailDb;
        case Needs::MessageDatabase: return s_.mem.ForumNumber != 0 && s_.mem.ForumType != kMailDb;
    }
    return false;
}

// Commands whose window does not exist, or that need a database of another kind, are disabled.
void Frame::update_actions() {
    for (const auto& p : procedures())
        if (QAction* a = actions_.value(QString::fromLatin1(p.name))) a->setEnabled(can_start(p));
}

QWidget* Frame::running(const QString& name) const {
    QMdiSubWindow* w = windows_.value(name);
    return w ? w->widget() : nullptr;
}

bool Frame::start(const QString& name) {
    if (QMdiSubWindow* w = windows_.value(name)) {
        w->showNormal();
        area_->setActiveSubWindow(w);
        w->raise();
        return true;
    }
    const Procedure* p = procedure_named(name);
    if (!p || !can_start(*p)) return false;
    QWidget* made = window_factory(name)(*this);
    if (!made) return false;
    show_window(name, made);
    return true;
}

bool Frame::SemaFore(int code) {
    const Procedure* p = procedure_of_code(code);
    return p && start(QString::fromLatin1(p->name));
}

void Frame::show_window(const QString& name, QWidget* w) {
    w->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = area_->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(name);
    windows_[name] = sub;
    // A window opens where the user left it last time, and is remembered when it closes.
    if (const QRect place = stored_place(s_, place_of(name)); place.width() > 0)
        sub->setGeometry(place);
    sub->installEventFilter(this);
    sub->show();
}

void Frame::close_group(const char* group) {
    for (const auto& p : procedures())
        if (QLatin1String(p.group) == QLatin1String(group))
            if (QMdiSubWindow* w = windows_.value(QString::fromLatin1(p.name))) delete w;
}

void Frame::database_changed() {
    setWindowTitle(frame_title(s_));
    selection_ = Selection{};
    close_database_windows();
    update_actions();
    Q_EMIT databaseChangedSignal();
}

// The windows go now rather than at the next turn of the event loop: the files they hold open
// are the database's, and a window opened before they went would read those.
void Frame::close_database_windows() {
    for (const auto& p : procedures())
        if (p.needs != Needs::Nothing)
            if (QMdiSubWindow* w = windows_.value(QString::fromLatin1(p.name))) delete w;
}

void Frame::select(const Selection& selected) {
    selection_ = selected;
    Q_EMIT selectionChanged();
}

void Frame::show_message(uint32_t number) { Q_EMIT messageRequested(number); }

bool Frame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close)
        if (auto* sub = qobject_cast<QMdiSubWindow*>(watched))
            store_place(s_, place_of(sub->objectName()), sub->geometry());
    return QMainWindow::eventFilter(watched, event);
}

void Frame::closeEvent(QCloseEvent* event) {
    if (s_.IndexingInProgress) {
        s_.dialog.message("Exit Not Allowed",
                          "You May NOT Exit until Indexing Is Done.|This is to Avoid Corruption.");
        event->ignore();
        return;
    }
    area_->closeAllSubWindows();
    event->accept();
}

}  // namespace qs::desktop
