// SPDX-License-Identifier: MIT
// The thread tree window: the reply tree of the thread of the message selected in the message
// browse, loaded anew only when the selection moves to another thread. Choosing a line moves the
// browse to that message.
#pragma once

#include <QWidget>

#include "app/thread_tree.h"
#include "desktop/display_prefs.h"

class QTreeWidget;

namespace qs::desktop {

class Frame;

class ThreadTreeWindow : public QWidget {
    Q_OBJECT
public:
    explicit ThreadTreeWindow(Frame& f);
    QTreeWidget* tree() const { return view_; }
    // How many times the tree was loaded anew (a selection in the same thread loads nothing).
    int loads() const { return loads_; }

private:
    void follow();
    void show_lines();

    Frame& f_;
    DisplayLook look_;
    ThreadTree tree_;
    QTreeWidget* view_;
    int loads_ = 0;
};

}  // namespace qs::desktop
