// SPDX-License-Identifier: MIT
// The windows the frame starts by procedure name. Each makes its window for the frame's session;
// nullptr when it cannot open (it told the user why).
#pragma once

#include <QString>
#include <QWidget>

namespace qs::desktop {

class Frame;

using WindowFactory = QWidget* (*)(Frame&);
// The factory of a procedure's window; nullptr when the program has no such window yet.
WindowFactory window_factory(const QString& name);

// Closes a window the frame shows, with the frame's window around it.
void close_window(QWidget* w);

QWidget* make_database_window(Frame& f);
QWidget* make_mail_browse(Frame& f);
QWidget* make_message_browse(Frame& f);
QWidget* make_person_browse(Frame& f);
QWidget* make_thread_tree_window(Frame& f);
QWidget* make_text_view(Frame& f);
QWidget* make_import_wizard(Frame& f);
QWidget* make_startup_wizard(Frame& f);
QWidget* make_topics_window(Frame& f);
QWidget* make_classify_window(Frame& f);
QWidget* make_about(Frame& f);

}  // namespace qs::desktop
