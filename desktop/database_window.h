// SPDX-License-Identifier: MIT
// Database selection ("ChangeForum"): the database list, choosing the current database, adding
// forum and mail databases, changing a mail database's addresses and removing a database.
#pragma once

#include <QDialog>
#include <QWidget>
#include <cstdint>

#include "storage/database_list.h"

class QTableWidget;
class QLineEdit;
class QPlainTextEdit;

namespace qs::desktop {

class Frame;

class DatabaseWindow : public QWidget {
    Q_OBJECT
public:
    explicit DatabaseWindow(Frame& f);
    // Reads the list anew.
    void reload();
    // Makes the database current; false (told) when its directory is missing.
    bool choose(uint32_t id);
    // Removes the database after the user agreed; the search and tool windows close first.
    bool remove(uint32_t id);
    // The identifier of the highlighted database, 0 for none.
    uint32_t highlighted() const;
    QTableWidget* table() const { return table_; }

private:
    void add_forum();
    void add_mail();
    void change_mail();

    Frame& f_;
    QTableWidget* table_;
};

// " Add New Forum": the name of the new forum database.
class ForumForm : public QDialog {
    Q_OBJECT
public:
    ForumForm(Session& s, QWidget* parent = nullptr);
    QLineEdit* name() const { return name_; }
    // Adds the forum; 0 when the name is blank (beeps) or the add failed (told).
    uint32_t save();

private:
    Session& s_;
    QLineEdit* name_;
};

// "Add New Mail Database", or "Update alternative addresses" for database `id`.
class MailForm : public QDialog {
    Q_OBJECT
public:
    MailForm(Session& s, uint32_t id = 0, QWidget* parent = nullptr);
    QLineEdit* name() const { return name_; }
    QLineEdit* address() const { return address_; }
    QPlainTextEdit* alternatives() const { return alternatives_; }
    // Adds or changes the database; a missing name or default address beeps and puts the cursor
    // on that field. The identifier, or 0 when nothing was saved.
    uint32_t save();

private:
    MailIdentity identity() const;
    Session& s_;
    uint32_t id_;
    QLineEdit* name_;
    QLineEdit* address_;
    QPlainTextEdit* alternatives_;
};

}  // namespace qs::desktop
