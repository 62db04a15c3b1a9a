// SPDX-License-Identifier: MIT
// The windows the frame starts by procedure name. Each makes its window for the frame's session;
// nullptr when it cannot open (it told the user why).
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "storage/session.h"

namespace qs::desktop {

class Frame;

class LongProcess;

// Word indexing of the current database as a progress window drives it.
std::unique_ptr<LongProcess> index_process(Session& s);

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
QWidget* make_index_window(Frame& f);
QWidget* make_search_window(Frame& f);
QWidget* make_preferences_window(Frame& f);
QWidget* make_word_list_window(Frame& f);
QWidget* make_stop_list_window(Frame& f);
QWidget* make_purge_window(Frame& f);
QWidget* make_duplicates_window(Frame& f);
QWidget* make_index_setup_wizard(Frame& f);
QWidget* make_about(Frame& f);

}  // namespace qs::desktop
