// SPDX-License-Identifier: MIT
// The frame: the main window with the active database in its title, the menus of every command,
// and the windows of the named procedures inside it, at most one per name (a second request
// brings the running one to the front). It also carries the message selected in the open browse,
// which the thread tree, the text view and the classification window follow.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <cstdint>

#include "storage/records.h"
#include "storage/session.h"

class QMdiArea;
class QMdiSubWindow;
class QAction;

namespace qs::desktop {

struct Procedure;

// The message or mail selected in a browse of the current database.
struct Selection {
    uint32_t number = 0;  // 0: nothing selected
    bool mail = false;
    MsgNmbr message;  // a forum or newsgroup message's header
    Mail mail_header;
};

inline constexpr const char* kNoDatabaseTitle = "[No Active Database]";

class Frame : public QMainWindow {
    Q_OBJECT
public:
    // `s` outlives the frame; it has run its start-up.
    explicit Frame(Session& s, QWidget* parent = nullptr);
    ~Frame() override;

    Session& session() { return s_; }
    // Starts the window of a procedure or brings its running window to the front. False when
    // the program has no such window, or it cannot start with the current database.
    bool start(const QString& name);
    // The library's dispatcher: starts the procedure of a code; false for a code with no window.
    bool SemaFore(int code);
    // The running window of a procedure, or nullptr.
    QWidget* running(const QString& name) const;
    // Closes the running windows of a group ("FindGroup", "NotToolsGroup", ...), or those that
    // show the current database, at once (they give back its files). Never called from one of
    // the windows that close.
    void close_group(const char* group);
    void close_database_windows();

    // The current database changed (made current, removed): the title follows, and the windows
    // that showed the database before close at once. Called by windows that need no database
    // (the database selection, the start-up wizard), never from one that does.
    void database_changed();
    const Selection& selection() const { return selection_; }
    void select(const Selection& selected);
    // The thread tree asks the open browse to move to another message.
    void show_message(uint32_t number);

    // Shows a window the frame did not start by a command (a progress window) under `name`.
    void show_window(const QString& name, QWidget* w);

    // Where windows live (also what a picture of the frame shows).
    QMdiArea* area() const { return area_; }

Q_SIGNALS:
    void selectionChanged();
    void databaseChangedSignal();
    void messageRequested(quint32 number);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_menus();
    void update_actions();
    bool can_start(const Procedure& p) const;

    Session& s_;
    QMdiArea* area_;
    QMap<QString, QPointer<QMdiSubWindow>> windows_;
    QMap<QString, QAction*> actions_;
    Selection selection_;
};

// The frame's title for the current database.
QString frame_title(const Session& s);

}  // namespace qs::desktop
